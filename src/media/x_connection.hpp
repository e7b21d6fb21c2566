// What the game asks of the X server itself, through the Xlib that SDL
// loads: nothing of it where Xlib is not installed.
#pragma once

#include <string>

namespace media {

// From now on, a lost connection to the X server ends the process with one
// line "molvane: lost the connection to the X server ..." and status 1
// (through quick_exit), instead of Xlib's two lines and its exit().
void watch_x_connection();

// The reason the X server named by DISPLAY gives for refusing us; empty
// when it accepts us or none answers.
std::string x_server_refusal();

namespace detail {
// Whether the X server can let OpenGL draw on a GPU: direct rendering (DRI2,
// DRI3) or NVIDIA's own GLX. Without either, OpenGL is a software rasteriser.
bool x_server_renders_on_gpu(void* display);
// The bits per pixel of the X server's default screen.
int x_screen_depth(void* display);
}  // namespace detail

}  // namespace media
