// Shared inner state of the media layer. Only src/media includes this file,
// and with it SDL.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "media/font.hpp"
#include "media/harness.hpp"
#include "media/presenter.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"
#include "media/window_memory.hpp"

struct Mix_Chunk;

namespace media {

namespace detail {

// The media layer's way into the insides of its own objects, which stay
// private to everything outside src/media.
struct Inside {
    using SurfaceImpl = Surface::Impl;
    using SoundImpl = Sound::Impl;
    using FontImpl = Font::Impl;
    static SurfaceImpl& of(const Surface& surface) { return surface.impl(); }
    static SoundImpl& of(const Sound& sound) { return sound.impl(); }
    static Surface surface(std::shared_ptr<SurfaceImpl> impl) { return Surface(std::move(impl)); }
    static Font font(std::shared_ptr<FontImpl> impl) { return Font(std::move(impl)); }
};

using SurfaceImpl = Inside::SurfaceImpl;
using SoundImpl = Inside::SoundImpl;
using FontImpl = Inside::FontImpl;
inline SurfaceImpl& impl(const Surface& surface) { return Inside::of(surface); }
inline SoundImpl& impl(const Sound& sound) { return Inside::of(sound); }
inline Surface make_surface(std::shared_ptr<SurfaceImpl> impl) { return Inside::surface(std::move(impl)); }

}  // namespace detail

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

    // Pictures loaded before the window opened, converted when it opens.
    std::vector<std::weak_ptr<SurfaceImpl>> pictures;
    // Draws onto the window: copies the window already holds left out, the
    // others copied straight; see window_memory.hpp.
    WindowMemory window_memory;
    std::vector<Rect> repairs;
    bool window_hidden = false;  // as the window's last such event said

    Harness* harness = nullptr;  // none in the game; see harness.hpp
};

Media& media();

// Closes every font and forgets the texts it rendered, before the font
// renderer stops.
void close_fonts();

// An Error naming what failed, with SDL's own reason appended.
[[noreturn]] void fail(const std::string& what, const char* reason);

// Tells the harness, if there is one, of something done with a sound.
inline void note_sound(const std::string& sound, const char* action) {
    if (Harness* harness = media().harness) harness->sounded(sound, action);
}

// Converts a loaded picture to the window's pixel format (keeping its alpha)
// once the window is open; until then, remembers it for convert_pictures().
void adopt_picture(const std::shared_ptr<SurfaceImpl>& picture);
// Converts every picture loaded so far; set_mode calls it.
void convert_pictures();

}  // namespace detail
}  // namespace media
