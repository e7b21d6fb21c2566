// The test hooks of the media layer: the tests, benchmarks and tools link
// them, the game never does.
#include "media/testing.hpp"

#include <SDL_mixer.h>

#include <execinfo.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "media/error.hpp"
#include "media/internal.hpp"

namespace media::testing {

namespace {

// The mixer's sound device: the one open apart from SDL's legacy device (1).
SDL_AudioDeviceID mixer_device() {
    for (SDL_AudioDeviceID id = 2; id < 64; ++id)
        if (SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED) return id;
    throw Error("the mixer has no sound device open");
}

// The tests' stand-in for the player and their record of what the game did,
// in place from the start of every program that links this library.
class Stand final : public detail::Harness {
public:
    Stand() { detail::media().harness = this; }
    Stand(const Stand&) = delete;
    Stand& operator=(const Stand&) = delete;
    ~Stand() { detail::media().harness = nullptr; }

    bool scripted() const override { return script != nullptr; }

    std::vector<Event> events() override {
        // A close request SDL made of SIGINT or SIGTERM still reaches the game.
        SDL_PumpEvents();
        bool close_request = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        input.events.clear();
        script(input);
        std::vector<Event> events = std::move(input.events);
        // A scripted press or release happens where the script's pointer is.
        for (Event& event : events)
            if ((event.type == EventType::MOUSEBUTTONDOWN || event.type == EventType::MOUSEBUTTONUP) && !event.pos)
                event.pos = input.pointer;
        if (close_request) events.push_back({EventType::QUIT});
        return events;
    }

    Pos pointer() const override { return input.pointer; }
    std::array<bool, 3> buttons() const override { return input.buttons; }
    bool paced() const override {
        ++ticks;
        return pacing;
    }

    void drawn(const Surface& picture, int x, int y) override {
        if (tracing) draws.push_back({picture.label(), x, y});
    }
    void sounded(const std::string& sound, const char* action) override {
        if (tracing) sounds.push_back({frames, sound, action});
    }
    void flipped() override {
        ++frames;
        if (flip_hook) flip_hook();
        draws.clear();
    }
    void window_opened() override { frames = 0; }
    void stopped() override { sdl_stopped = watching_frees; }

    void mixed(long frames) override {
        std::lock_guard<std::mutex> lock(mix);
        mixed_frames += frames;
        ++buffers;
        progress.notify_all();
    }

    Script script;
    Input input;
    bool pacing = true;
    mutable long ticks = 0;  // Clock::tick calls, paced or not
    bool tracing = false;
    std::vector<DrawRecord> draws;
    std::vector<SoundRecord> sounds;
    long frames = 0;
    std::function<void()> flip_hook;
    bool watching_frees = false;
    std::atomic<bool> sdl_stopped{false};
    std::mutex mix;
    std::condition_variable progress;
    long mixed_frames = 0;
    long buffers = 0;
};

Stand stand;

SDL_free_func sdl_free = nullptr;

void free_watched(void* memory) {
    if (memory && stand.sdl_stopped) {
        static const char line[] = "SDL memory freed after media::quit(), by:\n";
        if (::write(STDERR_FILENO, line, sizeof line - 1) >= 0) {
            void* frames[32];
            backtrace_symbols_fd(frames, backtrace(frames, 32), STDERR_FILENO);
        }
        std::_Exit(kFreedAfterQuit);
    }
    sdl_free(memory);
}

}  // namespace

void set_script(Script script) {
    stand.script = std::move(script);
    stand.input = {};
    stand.draws.clear();
}

void clear_script() { stand.script = nullptr; }

void push_system_key(int key, bool repeat) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key == K_ESCAPE ? SDLK_ESCAPE : SDLK_SPACE;
    if (SDL_PushEvent(&event) < 0) detail::fail("cannot push a key event", SDL_GetError());
}

void push_system_key_at(char us_key, std::uint32_t typed) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.scancode = SDL_GetScancodeFromName(std::string(1, us_key).c_str());
    event.key.keysym.sym = SDL_Keycode(typed);
    if (SDL_PushEvent(&event) < 0) detail::fail("cannot push a key event", SDL_GetError());
}

void set_clock_paced(bool paced) { stand.pacing = paced; }
long clock_ticks() { return stand.ticks; }

void set_tracing(bool on) {
    stand.tracing = on;
    stand.draws.clear();
}

const std::vector<DrawRecord>& draws_since_flip() { return stand.draws; }
const std::vector<SoundRecord>& sound_trace() { return stand.sounds; }
void clear_sound_trace() { stand.sounds.clear(); }
long frames_shown() { return stand.frames; }
void on_flip(std::function<void()> hook) { stand.flip_hook = std::move(hook); }

void end_at_sdl_memory_freed_after_quit() {
    SDL_malloc_func sdl_malloc = nullptr;
    SDL_calloc_func sdl_calloc = nullptr;
    SDL_realloc_func sdl_realloc = nullptr;
    SDL_GetMemoryFunctions(&sdl_malloc, &sdl_calloc, &sdl_realloc, &sdl_free);
    void* frame = nullptr;
    backtrace(&frame, 1);  // loads the unwinder now rather than while reporting
    SDL_SetMemoryFunctions(sdl_malloc, sdl_calloc, sdl_realloc, free_watched);
    stand.watching_frees = true;
}

std::vector<std::uint32_t> pixels(const Surface& picture) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < picture.get_height(); ++y)
        for (int x = 0; x < picture.get_width(); ++x) {
            Color c = picture.get_at(x, y);
            out.push_back(std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b);
        }
    return out;
}

WindowInfo window_info() {
    auto& m = detail::media();
    if (!m.window) return {};
    WindowInfo info{true, SDL_GetWindowTitle(m.window)};
    SDL_GetWindowSize(m.window, &info.width, &info.height);
    info.pointer_visible = SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
    info.has_icon = m.icon.valid();
    return info;
}

void resize_window(int width, int height) {
    if (!detail::media().window) throw Error("cannot resize the window: it is not open");
    SDL_SetWindowSize(detail::media().window, width, height);
}

Pos pointer_in_frame(int x, int y) {
    float fx = 0, fy = 0;
    SDL_RenderWindowToLogical(detail::media().renderer, x, y, &fx, &fy);
    return {fx, fy};
}

int channel_count() { return Mix_AllocateChannels(-1); }
int channels_playing() { return Mix_Playing(-1); }
int channels_paused() { return Mix_Paused(-1); }

int channels_playing(const Sound& sound) {
    int playing = 0;
    for (int channel = 0; channel < channel_count(); ++channel)
        playing += Mix_Playing(channel) && Mix_GetChunk(channel) == sound.impl().chunk;
    return playing;
}

namespace {

// The mixer's output: its sample format, and its rate and channels.
struct Output {
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
};

Output output() {
    Output out;
    if (Mix_QuerySpec(&out.rate, &out.format, &out.channels) == 0)
        detail::fail("cannot read the mixer's format", Mix_GetError());
    return out;
}

}  // namespace

int sample_rate() { return output().rate; }
int output_channels() { return output().channels; }

std::vector<std::int16_t> samples(const Sound& sound) {
    if (output().format != AUDIO_S16SYS) throw Error("the mixer does not play signed 16-bit samples");
    const Mix_Chunk* chunk = sound.impl().chunk;
    std::vector<std::int16_t> out(chunk->alen / sizeof(std::int16_t));
    std::memcpy(out.data(), chunk->abuf, out.size() * sizeof(std::int16_t));
    return out;
}

void hold_mixer() { SDL_LockAudioDevice(mixer_device()); }

bool mix_until(long frames) {
    // Ahead already: it stays held, or it would creep further ahead each frame.
    std::unique_lock<std::mutex> lock(stand.mix);
    if (stand.mixed_frames >= frames) return true;
    SDL_AudioDeviceID device = mixer_device();
    SDL_UnlockAudioDevice(device);
    bool mixed = stand.progress.wait_for(lock, std::chrono::seconds(10), [&] { return stand.mixed_frames >= frames; });
    lock.unlock();
    SDL_LockAudioDevice(device);
    return mixed;
}

void release_mixer() { SDL_UnlockAudioDevice(mixer_device()); }

long sample_frames_mixed() {
    std::lock_guard<std::mutex> lock(stand.mix);
    return stand.mixed_frames;
}

bool wait_for_mix() {
    std::unique_lock<std::mutex> lock(stand.mix);
    long before = stand.buffers;
    return stand.progress.wait_for(lock, std::chrono::seconds(1), [&] { return stand.buffers != before; });
}

}  // namespace media::testing
