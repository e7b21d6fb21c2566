// The test hooks of the media layer.
#include "media/testing.hpp"

#include <SDL_mixer.h>

#include "media/internal.hpp"

namespace media::testing {

void set_script(Script script) {
    auto& m = detail::media();
    m.script = std::move(script);
    m.input = {};
}

void clear_script() { detail::media().script = nullptr; }

void push_system_key(int key, bool repeat) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key == K_ESCAPE ? SDLK_ESCAPE : SDLK_SPACE;
    if (SDL_PushEvent(&event) < 0) detail::fail("cannot push a key event", SDL_GetError());
}

void set_clock_paced(bool paced) { detail::media().paced = paced; }

void set_tracing(bool on) { detail::media().tracing = on; }

const std::vector<DrawRecord>& draws_since_flip() { return detail::media().draws; }

const std::vector<SoundRecord>& sound_trace() { return detail::media().sounds; }

void clear_sound_trace() { detail::media().sounds.clear(); }

long frames_shown() { return detail::media().frames; }

void on_flip(std::function<void()> hook) { detail::media().flip_hook = std::move(hook); }

WindowInfo window_info() {
    auto& m = detail::media();
    WindowInfo info;
    if (!m.window) return info;
    info.open = true;
    info.title = SDL_GetWindowTitle(m.window);
    SDL_GetWindowSize(m.window, &info.width, &info.height);
    info.pointer_visible = SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
    info.has_icon = m.icon.valid();
    return info;
}

int channel_count() { return Mix_AllocateChannels(-1); }

int channels_playing() { return Mix_Playing(-1); }

int channels_paused() { return Mix_Paused(-1); }

int channels_playing(const Sound& sound) {
    int playing = 0;
    for (int channel = 0; channel < channel_count(); ++channel)
        if (Mix_Playing(channel) && Mix_GetChunk(channel) == sound.impl().chunk) ++playing;
    return playing;
}

}  // namespace media::testing
