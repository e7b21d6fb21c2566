// The sound device, opened and closed on threads of their own: a sound
// server may stop answering, go away and come back at any time, and none of
// that may hold a frame, the start or the close.
#include <SDL_mixer.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <future>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "media/internal.hpp"
#include "media/quiet_stderr.hpp"

namespace media::detail {

namespace {

constexpr int kChannels = 32;
// A sound server that does not answer holds SDL's open for half a minute.
constexpr auto kOpenWait = std::chrono::seconds(3);
constexpr auto kCloseWait = std::chrono::milliseconds(500);
constexpr auto kRetryEvery = std::chrono::seconds(2);

void ignore_sdl_log(void*, int, SDL_LogPriority, const char*) {}

// The mixer's rate, format and channels as it first opened: the sounds are
// made for them, and a device opened again is opened for them (SDL converts).
struct Output {
    int rate = MIX_DEFAULT_FREQUENCY;
    Uint16 format = MIX_DEFAULT_FORMAT;
    int channels = 2;
    bool fixed = false;
};
Output first_output;  // only the thread that holds SDL's sound touches it

// SDL's sound and the mixer.
bool open_audio() {
    // The drivers' own complaints (ALSA's, SDL's log) are not for the player.
    quiet_alsa();
    SDL_LogOutputFunction log = nullptr;
    void* log_data = nullptr;
    SDL_LogGetOutputFunction(&log, &log_data);
    SDL_LogSetOutputFunction(ignore_sdl_log, nullptr);
    bool opened = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    Output& out = first_output;
    int changes = out.fixed ? 0 : SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE;
    if (opened && Mix_OpenAudioDevice(out.rate, out.format, out.channels, 1024, nullptr, changes) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        opened = false;
    }
    if (opened && !out.fixed) out.fixed = Mix_QuerySpec(&out.rate, &out.format, &out.channels) != 0;
    SDL_LogSetOutputFunction(log, log_data);
    return opened;
}

void close_audio() {
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// While the mixer is away from the game, a thread of ours holds SDL's sound
// and opens it every few seconds until a device opens.
struct Retrying {
    std::mutex lock;
    std::condition_variable changed;
    bool opened = false;  // a device opened: the game may take the mixer back
    int failures = 0;
    std::string why;  // SDL's reason for the last failure
    bool quitting = false;
};

Retrying& retrying() {
    static auto* state = new Retrying;  // its thread may outlive static destruction
    return *state;
}

// With `once`, a single try (when no thread can be had).
void retry(bool close_first, bool once) {
    Retrying& r = retrying();
    if (close_first) close_audio();
    for (;;) {
        bool opened = open_audio();
        std::unique_lock<std::mutex> hold(r.lock);
        r.opened = opened;
        if (!opened) {
            ++r.failures;
            r.why = SDL_GetError();  // SDL's errors are each thread's own
        }
        r.changed.notify_all();
        if (opened || once || r.changed.wait_for(hold, kRetryEvery, [&] { return r.quitting; })) return;
    }
}

// Sends the mixer away to a thread that opens the device again and again.
void start_retrying(bool close_first) {
    media().sound_away = true;
    media().mixer = false;
    Retrying& r = retrying();
    {
        std::lock_guard<std::mutex> hold(r.lock);
        r.opened = r.quitting = false;
        r.failures = 0;
    }
    try {
        std::thread([close_first] {
            retry(close_first, false);
            SDL_TLSCleanup();  // SDL's storage for this thread, which SDL did not make
        }).detach();
    } catch (const std::system_error&) {
        retry(close_first, true);
    }
}

// The mixer back from the retrying thread, with a device open.
void take_mixer() {
    auto& m = media();
    m.sound_away = false;
    m.mixer = true;
    Mix_AllocateChannels(kChannels);
    start_mixing();
}

}  // namespace

void open_sound_device() {
    start_retrying(false);
    Retrying& r = retrying();
    std::unique_lock<std::mutex> hold(r.lock);
    bool answered = r.changed.wait_for(hold, kOpenWait, [&] { return r.opened || r.failures > 0; });
    if (r.opened) {
        r.opened = false;
        hold.unlock();
        take_mixer();
        return;
    }
    std::string why = answered ? r.why : "the sound server does not answer";
    std::fprintf(stderr, "molvane: no sound device (%s); playing without sound\n", why.c_str());
}

void tend_sound_device(const SDL_Event* event) {
    auto& m = media();
    if (!m.sound) return;
    if (event && event->type == SDL_AUDIODEVICEREMOVED && !event->adevice.iscapture && m.mixer) {
        start_retrying(true);
        return;
    }
    if (!m.sound_away) return;
    Retrying& r = retrying();
    {
        std::lock_guard<std::mutex> hold(r.lock);
        if (!r.opened) return;
        r.opened = false;
    }
    take_mixer();
    sound_back();
    std::fprintf(stderr, "molvane: sound is back\n");
}

bool close_sound_device() {
    auto& m = media();
    if (m.sound_away) {
        Retrying& r = retrying();
        std::lock_guard<std::mutex> hold(r.lock);
        r.quitting = true;
        r.changed.notify_all();
        return false;
    }
    first_output = Output();  // a mixer opened anew makes its sounds anew
    std::packaged_task<void()> close(close_audio);
    std::future<void> closed = close.get_future();
    try {
        std::thread([close = std::move(close)]() mutable {
            close();
            SDL_TLSCleanup();
        }).detach();
    } catch (const std::system_error&) {
        close_audio();  // no thread to be had: closed here
        return true;
    }
    return closed.wait_for(kCloseWait) == std::future_status::ready;
}

}  // namespace media::detail
