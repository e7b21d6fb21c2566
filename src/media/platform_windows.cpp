// The Windows forms of what the media layer does through Linux's own
// interfaces (x_connection.cpp, quiet_stderr.cpp): there is no X server to
// watch, and a windowed program has no stderr for the libraries to clutter.
#include <string>

#include "media/quiet_stderr.hpp"
#include "media/x_connection.hpp"

namespace media {

void watch_x_connection() {}

std::string x_server_refusal() { return {}; }

namespace detail {

QuietStderr::QuietStderr() = default;
QuietStderr::~QuietStderr() = default;
std::string QuietStderr::written() const { return {}; }

void quiet_alsa() {}

}  // namespace detail

}  // namespace media
