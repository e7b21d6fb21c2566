// Shared inner state of the media layer. Only src/media includes this file,
// and with it SDL.
#pragma once

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

#include "media/sound.hpp"
#include "media/surface.hpp"
#include "media/testing.hpp"

struct Mix_Chunk;

namespace media {

struct Surface::Impl {
    SDL_Surface* surface = nullptr;
    bool owned = true;  // the window's own surface belongs to SDL
    std::string label;
    ~Impl();
};

struct Sound::Impl {
    Mix_Chunk* chunk = nullptr;
    std::string label;
    ~Impl();
};

namespace detail {

struct Media {
    bool alive = false;  // between init() and quit()
    bool ended = false;  // quit() has run: SDL has let go of everything
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
};

Media& media();

// An Error naming what failed, with SDL's own reason appended.
[[noreturn]] void fail(const std::string& what, const char* reason);

void trace_sound(const std::string& sound, const char* action);

}  // namespace detail
}  // namespace media
