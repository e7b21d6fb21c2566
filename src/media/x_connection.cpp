#include "media/x_connection.hpp"

#include <X11/Xlib.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "media/quiet_stderr.hpp"

namespace media {

namespace {

// Xlib calls this on whichever thread lost the connection, and ends the
// process itself if it returns. quick_exit: no destructor may run while the
// sound thread still plays.
int on_lost_connection(Display* display) {
    const char* name = display ? DisplayString(display) : nullptr;
    char line[512];
    int length = std::snprintf(line, sizeof line, "molvane: lost the connection to the X server %s\n",
                               name && *name ? name : "(unknown)");
    if (length > 0) [[maybe_unused]]
        auto ignored = ::write(detail::player_stderr(), line, std::min(std::size_t(length), sizeof line - 1));
    std::quick_exit(1);
}

// Xlib, which SDL loads for its X11 driver. Not linked: the game also runs
// where only Wayland is.
template <class Function>
Function* xlib(const char* name) {
    static void* library = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_GLOBAL);
    return library ? reinterpret_cast<Function*>(::dlsym(library, name)) : nullptr;
}

}  // namespace

void watch_x_connection() {
    if (auto set_handler = xlib<XIOErrorHandler(XIOErrorHandler)>("XSetIOErrorHandler"))
        set_handler(on_lost_connection);
}

std::string x_server_refusal() {
    auto open = xlib<Display*(const char*)>("XOpenDisplay");
    auto close = xlib<int(Display*)>("XCloseDisplay");
    if (!open || !close) return "";
    // Xlib prints the server's reason on stderr rather than returning it.
    detail::QuietStderr quiet;
    if (Display* display = open(nullptr)) close(display);
    std::string said = quiet.written();
    return said.substr(0, said.find('\n'));
}

bool detail::x_server_renders_on_gpu(void* display) {
    auto query = xlib<Bool(Display*, const char*, int*, int*, int*)>("XQueryExtension");
    int opcode = 0, event = 0, error = 0;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"})
        if (query && query(static_cast<Display*>(display), extension, &opcode, &event, &error)) return true;
    return false;
}

int detail::x_screen_depth(void* display) {
    auto* x = static_cast<Display*>(display);
    return DefaultDepth(x, DefaultScreen(x));  // read from the connection: no call into Xlib
}

}  // namespace media
