// What the real-window tests ask the X server that the command-line tools
// cannot:
//
//   molvane_xwin close WINDOW   sends WINDOW the close request a window
//                               manager sends (a WM_DELETE_WINDOW client
//                               message); `xdotool windowclose` would destroy
//                               the window instead, and with no window manager
//                               `wmctrl -c` does nothing
//   molvane_xwin cursor         prints how many pixels of the pointer's
//                               current image can be seen (alpha above zero)
//
// WINDOW is a window id in decimal or 0x hex; the display is $DISPLAY.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int close_window(Display* display, Window window) {
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(delete_window);
    event.xclient.data.l[1] = CurrentTime;
    if (XSendEvent(display, window, False, NoEventMask, &event) == 0) return 1;
    XSync(display, False);
    return 0;
}

int count_cursor_pixels(Display* display) {
    int event_base = 0, error_base = 0;
    if (!XFixesQueryExtension(display, &event_base, &error_base)) {
        std::fprintf(stderr, "molvane_xwin: the X server has no XFixes\n");
        return 1;
    }
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return 1;
    long visible = 0;
    for (long i = 0; i < long(image->width) * image->height; ++i)
        if ((image->pixels[i] >> 24 & 0xFF) != 0) ++visible;
    std::printf("%ld\n", visible);
    XFree(image);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
    bool cursor = argc == 2 && std::strcmp(argv[1], "cursor") == 0;
    if (!close && !cursor) {
        std::fprintf(stderr, "usage: molvane_xwin close WINDOW | molvane_xwin cursor\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "molvane_xwin: cannot open the display\n");
        return 1;
    }
    int status = close ? close_window(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)))
                       : count_cursor_pixels(display);
    XCloseDisplay(display);
    return status;
}
