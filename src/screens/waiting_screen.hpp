// The frame loop of the screens that wait for the space bar: the title, the
// game over and the victory.
#pragma once

#include "media/sound.hpp"
#include "media/surface.hpp"

namespace molvane {

// Shows `picture` with the bat over it until space is pressed. Each space
// press plays `space_sound` when one is given.
void waiting_screen(const media::Surface& picture, const media::Sound* space_sound);

}  // namespace molvane
