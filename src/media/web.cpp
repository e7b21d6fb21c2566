// What the browser build has in place of the desktop's system services: no
// X server to watch, no ALSA, no stderr worth setting aside (the page's
// console is the player's) and no quick_exit.
#include "media/quiet_stderr.hpp"
#include "media/x_connection.hpp"

// Emscripten's C library lacks it; the game never quits that way on the web,
// so there is nothing to run.
extern "C" int at_quick_exit(void (*)(void)) { return 0; }

namespace media {

void watch_x_connection() {}

std::string x_server_refusal() { return ""; }

bool detail::x_server_renders_on_gpu(void*) { return false; }

namespace detail {

void quiet_alsa() {}

QuietStderr::QuietStderr() = default;

QuietStderr::~QuietStderr() = default;

std::string QuietStderr::written() const { return ""; }

int player_stderr() { return 2; }

}  // namespace detail
}  // namespace media
