// The test hooks of the media layer.
#include "media/testing.hpp"

#include <SDL_image.h>
#include <SDL_mixer.h>

#include <cstring>

#include "media/error.hpp"
#include "media/internal.hpp"
#include "media/mixing.hpp"

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

std::vector<std::uint32_t> pixels(const Surface& picture) {
    SDL_Surface* s = picture.impl().surface;
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(s->w) * static_cast<std::size_t>(s->h));
    if (s->format->format == SDL_PIXELFORMAT_RGB888) {  // the window's format: read straight
        for (int y = 0; y < s->h; ++y) {
            const auto* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) +
                                                              static_cast<std::ptrdiff_t>(y) * s->pitch);
            for (int x = 0; x < s->w; ++x) out.push_back(row[x] & 0xFFFFFF);
        }
        return out;
    }
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Color c = picture.get_at(x, y);
            out.push_back(std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b);
        }
    return out;
}

Surface load_as_decoded(const std::string& path) {
    SDL_Surface* decoded = IMG_Load(path.c_str());
    if (!decoded) detail::fail("cannot load the picture " + path, IMG_GetError());
    auto impl = std::make_shared<Surface::Impl>();
    impl->surface = decoded;
    impl->label = path;
    return Surface(impl);
}

void set_shortcuts(bool on) {
    detail::media().text_cache = on;
    detail::media().window_shortcuts = on;
    detail::media().window_memory.forget();
}

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

namespace {

struct MixerFormat {
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
};

MixerFormat mixer_format() {
    MixerFormat output;
    if (Mix_QuerySpec(&output.rate, &output.format, &output.channels) == 0)
        detail::fail("cannot read the mixer's format", Mix_GetError());
    return output;
}

}  // namespace

int sample_rate() { return mixer_format().rate; }

int output_channels() { return mixer_format().channels; }

std::vector<std::int16_t> samples(const Sound& sound) {
    if (mixer_format().format != AUDIO_S16SYS) throw Error("the mixer does not play signed 16-bit samples");
    const Mix_Chunk* chunk = sound.impl().chunk;
    std::vector<std::int16_t> out(chunk->alen / sizeof(std::int16_t));
    std::memcpy(out.data(), chunk->abuf, out.size() * sizeof(std::int16_t));
    return out;
}

}  // namespace media::testing

namespace media::testing {

namespace {

// The mixer's sound device: the one open device apart from SDL's old
// single-device interface (1).
SDL_AudioDeviceID mixer_device() {
    for (SDL_AudioDeviceID id = 2; id < 64; ++id)
        if (SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED) return id;
    throw Error("the mixer has no sound device open");
}

}  // namespace

void hold_mixer() { SDL_LockAudioDevice(mixer_device()); }

bool mix_until(long frames) {
    // Ahead already: the mixer stays held, or it would creep further ahead
    // at every frame.
    if (detail::frames_mixed() >= frames) return true;
    SDL_AudioDeviceID device = mixer_device();
    SDL_UnlockAudioDevice(device);
    bool mixed = detail::wait_for_frames_mixed(frames, std::chrono::seconds(10));
    SDL_LockAudioDevice(device);
    return mixed;
}

void release_mixer() { SDL_UnlockAudioDevice(mixer_device()); }

long sample_frames_mixed() { return detail::frames_mixed(); }

bool wait_for_mix() {
    long before = detail::buffers_mixed();
    for (int i = 0; i < 200 && detail::buffers_mixed() == before; ++i) SDL_Delay(5);
    return detail::buffers_mixed() != before;
}

}  // namespace media::testing
