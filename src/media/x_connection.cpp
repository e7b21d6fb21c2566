#include "media/x_connection.hpp"

#include <X11/Xlib.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "media/quiet_stderr.hpp"

namespace media {

namespace {

// Xlib calls this when the connection breaks, on whichever thread was
// talking to the server, and ends the process itself if it returns.
int on_lost_connection(Display* display) {
    // errno says little here: what Xlib last saw, often a stale value.
    const char* name = display ? DisplayString(display) : nullptr;
    char line[512];
    int length = std::snprintf(line, sizeof line, "molvane: lost the connection to the X server %s\n",
                               name && *name ? name : "(unknown)");
    if (length > 0) {
        auto size = std::min(static_cast<std::size_t>(length), sizeof line - 1);
        [[maybe_unused]] ssize_t ignored = ::write(detail::player_stderr(), line, size);
    }
    std::quick_exit(1);
}

// Xlib, which SDL loads for its X11 driver. Not linked: the game also runs
// where only Wayland is.
void* xlib() {
    static void* library = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_GLOBAL);
    return library;
}

}  // namespace

void watch_x_connection() {
    // Loaded here a little before SDL does, so that the handler is in place
    // before the first request.
    if (!xlib()) return;
    using Setter = XIOErrorHandler (*)(XIOErrorHandler);
    auto set_handler = reinterpret_cast<Setter>(::dlsym(xlib(), "XSetIOErrorHandler"));
    if (set_handler) set_handler(on_lost_connection);
}

std::string x_server_refusal() {
    if (!xlib()) return "";
    using Open = Display* (*)(const char*);
    using Close = int (*)(Display*);
    auto open = reinterpret_cast<Open>(::dlsym(xlib(), "XOpenDisplay"));
    auto close = reinterpret_cast<Close>(::dlsym(xlib(), "XCloseDisplay"));
    if (!open || !close) return "";
    // The server's reason is printed on stderr by the library, not returned.
    std::string said;
    {
        detail::QuietStderr quiet;
        if (Display* display = open(nullptr)) close(display);
        said = quiet.written();
    }
    return said.substr(0, said.find('\n'));
}

bool detail::x_server_renders_on_gpu(void* display) {
    using Query = Bool (*)(Display*, const char*, int*, int*, int*);
    auto query = xlib() ? reinterpret_cast<Query>(::dlsym(xlib(), "XQueryExtension")) : nullptr;
    int opcode = 0, event = 0, error = 0;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"})
        if (query && query(static_cast<Display*>(display), extension, &opcode, &event, &error)) return true;
    return false;
}

}  // namespace media
