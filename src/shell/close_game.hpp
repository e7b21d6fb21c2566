// The window's close request, the one orderly way out of the game.
#pragma once

namespace molvane {

// Shuts the media layer down, closing the window, and ends the program with
// status 0.
[[noreturn]] void close_game();

}  // namespace molvane
