// The media layer's shared inner state. Only src/media includes this file,
// and with it SDL.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "media/harness.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"

struct Mix_Chunk;

namespace media {

struct Surface::Impl {
    SDL_Surface* surface = nullptr;
    std::string label;
    std::unique_ptr<Uint32[]> pixels;      // the frame's, which SDL does not own
    ~Impl() { SDL_FreeSurface(surface); }  // plain memory: safe after quit() too
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
    bool video = false;  // start_video() done
    bool sound = false;  // start_sound() done
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;  // the frame as last shown
    std::string caption;
    Surface icon;
    Surface frame;               // what the game draws on
    bool window_hidden = false;  // as the window's last such event said
    Harness* harness = nullptr;  // none in the game; see harness.hpp
};

Media& media();

// A picture of the media layer's own making, under a label.
Surface make_surface(SDL_Surface* pixels, std::string label);
// Shows the frame as last flipped again, as after the window was uncovered.
void show_frame();
// Sets the channels' volume, the limiter and the mute once the mixer is open.
void start_mixing();
// Closes every font before the font renderer stops.
void close_fonts();
// Throws an Error naming what failed, with SDL's (or a library's) reason.
[[noreturn]] void fail(const std::string& what, const char* reason);

inline void note_sound(const std::string& sound, const char* action) {
    if (Harness* harness = media().harness) harness->sounded(sound, action);
}

}  // namespace detail
}  // namespace media
