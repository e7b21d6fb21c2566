// How the frame reaches the window. The game always draws one frame of a
// fixed size. While the window has exactly that size and SDL gives its
// pixels straight (X11: shared memory), the frame is the window's own
// surface and a flip only pushes it. Otherwise (the window resized,
// maximised or fullscreen) the frame is a surface of its own, drawn into the
// window scaled to fit, centred on black, and only where it changed.
#pragma once

#include <cstdint>
#include <vector>

#include "media/geometry.hpp"
#include "media/scaler.hpp"

namespace media::detail {

struct Presenter {
    int frame_w = 0;
    int frame_h = 0;
    int window_w = 0;  // the window size the frame was last fitted to
    int window_h = 0;
    bool direct = true;    // the frame is the window's own surface
    bool whole = true;     // the next push is the whole window
    bool resized = false;  // SDL let go of the window's surface since
    Scaler scaler;
    std::vector<std::uint32_t> shown;  // the frame as last drawn into the window
};

// Where the window goes and how large it is, for a frame of this size: in
// the middle of the screen, and where the screen is too small for it, as
// large as fits with its top on the screen.
Rect window_placement(int frame_w, int frame_h);
// Makes the frame for the open window (set_mode calls it).
void open_frame(int frame_w, int frame_h);
// Shows the frame in the window: what changed since the last time, or all
// of it when the window was exposed or resized.
void present();
// The window was shown or exposed: shows the whole frame again now.
void present_whole();
// The window was resized, perhaps back to the size it had: SDL lets go of
// its surface either way. Shows the whole frame again now, on the window's
// surface taken afresh.
void present_resized();
// A window position in frame coordinates, and back.
Pos to_frame(int x, int y);
Pos to_window(Pos frame);  // a whole window pixel
// Between fullscreen and the window it was.
void toggle_fullscreen();

}  // namespace media::detail
