// Shared inner state of the media layer. Only src/media includes this file,
// and with it SDL.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/presenter.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"
#include "media/testing.hpp"
#include "media/window_memory.hpp"

struct Mix_Chunk;

namespace media {

struct Surface::Impl {
    SDL_Surface* surface = nullptr;
    bool owned = true;  // the window's own surface belongs to SDL
    std::string label;
    std::uint64_t stamp = detail::new_stamp();  // changes with the pixels; see window_memory.hpp
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
    Presenter presenter;  // how the frame reaches the window

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
    // Draws onto the window: copies the window already holds left out, the
    // others copied straight; see window_memory.hpp.
    bool window_shortcuts = true;
    WindowMemory window_memory;
    std::vector<Rect> repairs;
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

}  // namespace detail
}  // namespace media
