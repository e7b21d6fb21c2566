// The HUD strip across the top, and the big countdown digit.
#pragma once

#include <string>
#include <utility>

namespace molvane {

// The time left (as the play timer formats it), the level and the lives.
void refresh_text(const std::pair<std::string, std::string>& timer);
// The countdown digit in red, centred in the window; nothing for 0.
void refresh_ready(int second);

}  // namespace molvane
