// Start and stop of the media services, and the game's one window.
#pragma once

#include <string>

#include "media/geometry.hpp"
#include "media/surface.hpp"

namespace media {

// Starts video, events, timing, the picture decoders and fonts. Without a
// display it fails with a clear error.
void start_video();
// Starts the mixer. Without a sound device the game runs silent, after one
// line on stderr.
void start_sound();
// Shuts every media service down, closing the window and stopping all sound.
void quit();

namespace display {
// Both take effect when the window opens.
void set_caption(const std::string& title);
void set_icon(const Surface& icon);
// Opens the window and returns the frame to draw on, of the given size. The
// frame keeps what earlier frames drew until it is drawn over; the window
// shows it scaled to fit, whatever the window's size.
Surface set_mode(int width, int height);
// Shows the frame drawn so far.
void flip();
// Fullscreen on or off, as F11 does.
void toggle_fullscreen();
}  // namespace display

}  // namespace media
