// The program's start-up, the screen loop, and the entry that runs both.
#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>

#include "assets.hpp"

namespace molvane {

// The screen function to run for each screen state.
inline std::map<std::string, std::function<void()>> DIC;

// Everything from unpacking the asset table to the screen table, in order.
void start_up(std::span<const assets::Entry> table);
// One pass of the screen loop: runs the screen that STATE names.
void run_screen();
[[noreturn]] void screen_loop();

// The program: start-up, then the screen loop. A failure ends it with one
// line on stderr and status 1; closing the window ends it with status 0.
int run();
int run(std::span<const assets::Entry> table);

}  // namespace molvane
