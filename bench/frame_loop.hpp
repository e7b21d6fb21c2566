// The game's frames, one at a time, for the benchmarks: the main screen's own
// frames, the title's frame, and a scripted player who strikes every rabbit
// that shows itself.
#pragma once

#include <string>

#include "media/testing.hpp"
#include "sprites/timer.hpp"

namespace bench {

// Starts the game as the program does (the shipped assets, the window), then
// lifts the frame cap unless `paced`, and hands the input to a script that
// strikes every rabbit up and presses space on the waiting screens.
void start(bool paced);

// What `start` installs as the script, exposed for the whole-game runs.
void strike_and_press_space(media::testing::Input& input);

// A frame of play, as the main screen runs it, and the wait for the next.
// Starts the level again when it ends.
void play_frame(molvane::Timer& timer);
// A frame of the 3-2-1 countdown, as the main screen runs it, again from 3
// after the blank frame.
void countdown_frame(molvane::Timer& timer_ready, const molvane::Timer& timer);
// A frame of the title screen: the picture, the events, the bat, the flip.
void waiting_frame();

// Seconds on the steady clock, and CPU seconds (user and system) used by the
// process so far.
double now();
double cpu_seconds();
// Peak and current resident size of the process, in MiB.
double peak_rss_mib();
double current_rss_mib();

}  // namespace bench
