// Shared inner state of the media layer. Only src/media includes this file,
// and with it SDL.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/dirty_rects.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"
#include "media/testing.hpp"

struct Mix_Chunk;

namespace media {

struct Surface::Impl {
    SDL_Surface* surface = nullptr;
    bool owned = true;  // the window's own surface belongs to SDL
    std::string label;
    unsigned long version = 0;  // counts changes of the pixels: drawn onto, converted
    ~Impl();
};

struct Sound::Impl {
    std::unique_ptr<std::int16_t[]> samples;  // the chunk's, when decoded ahead
    Mix_Chunk* chunk = nullptr;
    std::string label;
    long started_at_buffer = -1;  // the mixer's buffer count at the last start
    ~Impl();
};

namespace detail {

struct Media {
    bool alive = false;  // between init() and quit()
    bool video = false;  // start_video() done
    SDL_Window* window = nullptr;
    std::string caption;
    Surface icon;
    Surface screen;

    testing::Script script;
    testing::Input input;
    bool paced = true;
    bool tracing = false;
    std::vector<testing::DrawRecord> draws;
    std::vector<testing::SoundRecord> sounds;
    long frames = 0;
    std::function<void()> flip_hook;

    // Pictures loaded before the window opened, converted when it opens.
    std::vector<std::weak_ptr<Surface::Impl>> pictures;
    bool text_cache = true;
    bool fast_draws = true;  // leave out the copies the window already holds
    // What was drawn onto the window for the frame being drawn and for the
    // frame last shown, and what the last flip pushed to the window.
    std::vector<DrawnRect> frame_draws;
    std::vector<DrawnRect> shown_draws;
    bool show_whole = true;  // the next flip pushes the whole window
    std::vector<Box> pushed;
    std::vector<SDL_Rect> pushed_rects;
    // The pictures those draws drew, held so that each lives (and keeps its
    // address) while a draw names it, and so that the flip can draw them.
    std::vector<std::shared_ptr<Surface::Impl>> frame_sources;
    std::vector<std::shared_ptr<Surface::Impl>> shown_sources;
    // How many of frame_draws the window surface already holds; the rest wait
    // for the flip. Once something needed the window's pixels in the middle
    // of a frame, the rest of that frame is drawn as it comes.
    std::size_t made = 0;
    bool draw_at_once = false;
};

Media& media();

// Closes every font, before the font renderer stops.
void close_fonts();

// An Error naming what failed, with SDL's own reason appended.
[[noreturn]] void fail(const std::string& what, const char* reason);

void trace_sound(const std::string& sound, const char* action);

// Converts a loaded picture to the window's pixel format (keeping its alpha)
// once the window is open; until then, remembers it for convert_pictures().
void adopt_picture(const std::shared_ptr<Surface::Impl>& picture);
// Converts every picture loaded so far; set_mode calls it.
void convert_pictures();

// The window's draws wait for the flip, which draws them only where the
// frame changed; see window_draws.cpp.
//
// Draws the waiting draws whole, now, and the rest of the frame's draws as
// they come: before the window's pixels are read, or a waiting picture's
// pixels change.
void make_waiting_draws();
// Whether a draw still waiting draws `picture`.
bool waiting_on(const Surface::Impl& picture);
// Draws the waiting draws, inside `boxes` only.
void make_draws_within(const std::vector<Box>& boxes);
// Draws `from` onto `onto` with its corner at (x, y); inside `clip` only,
// when given.
void draw(const Surface::Impl& from, Surface::Impl& onto, int x, int y, const Box* clip = nullptr);

// At the first flip, for the start-up benchmark: see first_frame.cpp.
void mark_first_frame();

}  // namespace detail
}  // namespace media
