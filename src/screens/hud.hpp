// The HUD strip across the top, and the big countdown digit.
#pragma once

#include <string>
#include <utility>

#include "media/font.hpp"

namespace molvane {

// The time left (as the play timer formats it), the level and the lives.
void refresh_text(const std::pair<std::string, std::string>& timer);
// The countdown digit in red, centred in the window; nothing for 0.
void refresh_ready(int second);
// The room of a text centred in the window: all but 20 pixels at either side.
media::Room centred_room();

}  // namespace molvane
