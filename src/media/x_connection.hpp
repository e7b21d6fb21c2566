// The game's end when the X server goes away: one line of our own and
// status 1, instead of Xlib's message and its exit().
#pragma once

#include <string>

namespace media {

// From now on, a lost connection to the X server ends the process with
// "molvane: ..." on stderr and status 1, through quick_exit: its handlers
// (at_quick_exit) delete what must not outlive the game. Does nothing where
// Xlib is not installed.
void watch_x_connection();

// What the X server named by DISPLAY says when we connect: the reason it
// gives for refusing us, or an empty text when it accepts us, when none
// answers, or where Xlib is not installed.
std::string x_server_refusal();

}  // namespace media
