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
    Mix_Chunk* chunk = nullptr;
    std::string label;
    long started_at_buffer = -1;  // the mixer's buffer count at the last start
    std::string file;             // the file as it is, while no mixer could load it
    bool looping = false;         // started to repeat and not stopped since
    ~Impl();
};

namespace detail {

struct Media {
    bool video = false;       // start_video() done
    bool sound = false;       // start_sound() done
    bool mixer = false;       // the mixer is open: sounds have chunks and play
    bool sound_away = false;  // a thread of ours holds SDL's sound, seeking a device
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;  // the frame as last shown
    std::string caption;
    Surface icon;
    Surface frame;               // what the game draws on
    bool window_hidden = false;  // as the window's last such event said
    bool software = false;       // SDL's software renderer, which keeps the window's pixels
    SDL_Point shown_size{};      // the renderer's output size at the last showing
    Harness* harness = nullptr;  // none in the game; see harness.hpp
};

Media& media();

// A picture of the media layer's own making, under a label.
Surface make_surface(SDL_Surface* pixels, std::string label);
// Shows the frame as last flipped; `repaint` after the window was uncovered,
// resized or shown, when the black bars beside the frame are lost too.
void show_frame(bool repaint);
// Sets the channels' volume, the limiter and the mute once the mixer is open.
void start_mixing();
// Opens the sound device, waiting a few seconds at most; without one, says
// so and seeks one every few seconds on a thread (sound_device.cpp).
void open_sound_device();
// Once a frame, with each SDL event: a lost device is sought again, and a
// device found gets the mixer back, and says so.
void tend_sound_device(const SDL_Event* event);
// Closes the device, waiting half a second at most; false when left open.
bool close_sound_device();
// With the mixer back: the sounds load that could not, the loops play again.
void sound_back();
// Closes every font before the font renderer stops.
void close_fonts();
// Throws an Error naming what failed, with SDL's (or a library's) reason.
[[noreturn]] void fail(const std::string& what, const char* reason);

inline void note_sound(const std::string& sound, const char* action) {
    if (Harness* harness = media().harness) harness->sounded(sound, action);
}

}  // namespace detail
}  // namespace media
