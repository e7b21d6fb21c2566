// What counts as a strike of the bat.
#pragma once

#include "media/event.hpp"

namespace molvane {

// A press of the left button strikes, even a tap whose release has already
// arrived by the time it is handled; a press of another button strikes only
// while the left button is held.
bool is_strike(const media::Event& event);

// A strike in play: the hit sound, the striking bat, and every rabbit whose
// hole holds the pointer is hit.
void strike();

}  // namespace molvane
