// The ways out of the game.
#pragma once

namespace molvane {

// Lets go of every picture, sound and font the game holds, then shuts the
// media layer down: nothing of SDL's is left for the destructors at the
// program's exit, which run after SDL has stopped.
void shut_down();

// The window's close request, the one orderly way out: shut_down(), then
// the end of the program with status 0.
[[noreturn]] void close_game();

}  // namespace molvane
