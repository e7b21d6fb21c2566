// Sounds and the mixer's channels.
#include "media/sound.hpp"

#include <SDL_mixer.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "media/error.hpp"
#include "media/internal.hpp"
#include "media/limiter.hpp"

namespace media {

Sound::Impl::~Impl() {
    // Safe after quit() too: with the mixer closed it only frees memory. Left
    // to the process's end while a thread of ours holds the mixer.
    if (chunk && !detail::media().sound_away) Mix_FreeChunk(chunk);
}

Sound::Impl& Sound::impl() const {
    if (!impl_) throw Error("a sound was used before it was loaded");
    return *impl_;
}

namespace {

std::string file_name(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- The mix ------------------------------------------------------------------
//
// Every buffer the mixer fills passes through after_mix() on the sound
// thread: the limiter, the mute, and the count of buffers mixed so far.

// The channels play at a quarter of their volume; the limiter makes it up.
constexpr int kChannelVolume = MIX_MAX_VOLUME / 4;
constexpr double kMakeup = 4.0;
// About 1 dB below full scale.
constexpr double kCeiling = 29200.0;
// A held-down level comes back over about 50 ms.
constexpr double kReleaseSeconds = 0.05;

struct Mixing {
    std::atomic<bool> muted{false};
    bool paused = false;
    std::atomic<long> buffers{0};  // mixed since the mixer opened
    int channels = 2;
    int frame_bytes = 4;
    bool limit = false;  // the mixer plays signed 16-bit samples: limit them
    detail::Limiter limiter{kMakeup, kCeiling, 1.0};
};

Mixing& mixing() {
    static auto* state = new Mixing;  // the sound thread may outlive static destruction
    return *state;
}

void after_mix(void*, Uint8* stream, int bytes) {
    Mixing& m = mixing();
    long frames = bytes / m.frame_bytes;
    if (m.limit)
        m.limiter.process(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(frames), m.channels);
    if (m.muted) std::memset(stream, 0, static_cast<std::size_t>(bytes));
    ++m.buffers;
    if (detail::Harness* harness = detail::media().harness) harness->mixed(frames);
}

// Whether a channel holds `chunk` that the mixer has not begun to play: one
// started since the last buffer was mixed. A second start would begin on the
// very same sample and only double the first.
bool waiting_to_begin(const Sound::Impl& sound) {
    if (sound.started_at_buffer != mixing().buffers.load()) return false;
    for (int channel = 0, n = Mix_AllocateChannels(-1); channel < n; ++channel)
        if (Mix_Playing(channel) && Mix_GetChunk(channel) == sound.chunk) return true;
    return false;
}

// Every sound made, for when the mixer comes back. Sounds load on two
// threads at start-up: the list is held while it is read or changed.
struct EverySound {
    std::mutex lock;
    std::vector<std::weak_ptr<Sound::Impl>> sounds;
};

EverySound& every_sound() {
    static EverySound every;
    return every;
}

std::shared_ptr<Sound::Impl> new_sound(const std::string& path) {
    auto sound = std::make_shared<Sound::Impl>();
    sound->label = file_name(path);
    EverySound& every = every_sound();
    std::lock_guard<std::mutex> hold(every.lock);
    std::erase_if(every.sounds, [](const auto& weak) { return weak.expired(); });
    every.sounds.push_back(sound);
    return sound;
}

}  // namespace

namespace detail {

void sound_back() {
    EverySound& every = every_sound();
    std::lock_guard<std::mutex> hold(every.lock);
    for (const auto& weak : every.sounds) {
        auto sound = weak.lock();
        if (!sound) continue;
        if (!sound->chunk && !sound->file.empty()) {
            sound->chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(sound->file.data(), int(sound->file.size())), 1);
            sound->file.clear();
        }
        if (sound->chunk && sound->looping) Mix_PlayChannel(-1, sound->chunk, -1);
    }
    if (mixing().paused) Mix_Pause(-1);
}

void start_mixing() {
    Mixing& m = mixing();
    int rate = 0;
    int channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    m.channels = std::max(1, channels);
    m.frame_bytes = std::max(1, m.channels * int(SDL_AUDIO_BITSIZE(format)) / 8);
    m.limit = format == AUDIO_S16SYS;
    m.limiter = detail::Limiter(m.limit ? kMakeup : 1.0, kCeiling, kReleaseSeconds * std::max(1, rate));
    Mix_Volume(-1, m.limit ? kChannelVolume : MIX_MAX_VOLUME);
    Mix_SetPostMix(after_mix, nullptr);
}

}  // namespace detail

Sound::Sound(const std::string& path) {
    impl_ = new_sound(path);
    if (!detail::media().mixer) {
        // Kept whole, to load when a sound device opens.
        std::ifstream in(path, std::ios::binary);
        impl_->file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in) detail::fail("cannot load the sound " + file_name(path), "cannot read the file");
        return;
    }
    // Mix_LoadWAV decodes the whole file, MP3 included (under the mixer's
    // lock), into memory. It only reads the mixer's format: two threads may
    // load at once.
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk) detail::fail("cannot load the sound " + file_name(path), Mix_GetError());
    impl_->chunk = chunk;
}

void sound_thread_done() { SDL_TLSCleanup(); }

const std::string& Sound::label() const {
    if (!impl_) throw Error("a sound was used before it was loaded");
    return impl_->label;
}

void Sound::play(int loops) const {
    detail::note_sound(label(), loops == -1 ? "loop" : "play");
    // Rabbits that pop up together each start the pop: the first start is
    // heard, the others would only make it louder.
    Impl& sound = impl();
    if (loops == -1) sound.looping = true;
    if (!sound.chunk || waiting_to_begin(sound)) return;
    sound.started_at_buffer = mixing().buffers.load();
    Mix_PlayChannel(-1, sound.chunk, loops);  // -1: every channel busy, so the sound is skipped
}

void Sound::stop() const {
    detail::note_sound(label(), "stop");
    impl().looping = false;
    if (!impl_->chunk || !detail::media().mixer) return;
    for (int channel = 0, n = Mix_AllocateChannels(-1); channel < n; ++channel)
        if (Mix_Playing(channel) && Mix_GetChunk(channel) == impl_->chunk) Mix_HaltChannel(channel);
}

namespace mixer {

void set_muted(bool muted) { mixing().muted = muted; }

bool muted() { return mixing().muted; }

void stop() {
    detail::note_sound("mixer", "stop");
    {
        EverySound& every = every_sound();
        std::lock_guard<std::mutex> hold(every.lock);
        for (const auto& weak : every.sounds)
            if (auto sound = weak.lock()) sound->looping = false;
    }
    if (detail::media().mixer) Mix_HaltChannel(-1);
}

void pause() {
    detail::note_sound("mixer", "pause");
    mixing().paused = true;
    if (detail::media().mixer) Mix_Pause(-1);
}

void unpause() {
    detail::note_sound("mixer", "unpause");
    mixing().paused = false;
    if (detail::media().mixer) Mix_Resume(-1);
}

}  // namespace mixer
}  // namespace media
