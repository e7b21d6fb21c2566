// Start and stop of the media services, and the game's one window.
#pragma once

#include <string>

#include "media/geometry.hpp"
#include "media/surface.hpp"

namespace media {

// Starts every media service: video, events, timing, the mixer and fonts.
// Without a sound device the game runs silent, after one line on stderr.
// Without a display it fails with a clear error.
void init();
// init() in its two halves, for a start-up that does other work in between:
// first video, events, timing, pictures and fonts, then the mixer.
void start_video();
void start_sound();
// Shuts every media service down, closing the window and stopping all sound.
void quit();

namespace display {
// Both take effect when the window opens.
void set_caption(const std::string& title);
void set_icon(const Surface& icon);
// Opens the window and returns its drawing surface. The surface keeps what
// earlier frames drew until it is drawn over.
Surface set_mode(int width, int height);
// Shows the frame drawn so far.
void flip();
// Fullscreen on or off, as F11 does.
void toggle_fullscreen();
}  // namespace display

}  // namespace media
