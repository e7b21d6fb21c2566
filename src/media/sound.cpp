// Sounds and the mixer's channels.
#include "media/sound.hpp"

#include <SDL_mixer.h>

#include <atomic>
#include <cstring>

#include "media/error.hpp"
#include "media/internal.hpp"
#include "media/limiter.hpp"

namespace media {

Sound::Impl::~Impl() {
    // Safe after quit() too: with the mixer closed it only frees memory.
    if (chunk) Mix_FreeChunk(chunk);
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

// Whether samples at this rate and channels, 16-bit, are what the mixer plays.
bool mixer_plays(long rate, int channels) {
    int mixer_rate = 0;
    int mixer_channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&mixer_rate, &format, &mixer_channels) != 0 && format == AUDIO_S16SYS && mixer_rate == rate &&
           mixer_channels == channels;
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

}  // namespace

namespace detail {

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
    // Mix_LoadWAV decodes the whole file, MP3 included, into memory.
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk) detail::fail("cannot load the sound " + file_name(path), Mix_GetError());
    impl_ = std::make_shared<Impl>();
    impl_->chunk = chunk;
    impl_->label = file_name(path);
}

Sound::Sound(const std::string& path, DecodedMp3 decoded) {
    if (decoded.count == 0 || !mixer_plays(decoded.rate, decoded.channels)) {
        *this = Sound(path);
        return;
    }
    auto bytes = static_cast<Uint32>(decoded.count * sizeof(std::int16_t));
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(decoded.samples.get()), bytes);
    if (!chunk) detail::fail("cannot load the sound " + file_name(path), Mix_GetError());
    impl_ = std::make_shared<Impl>();
    impl_->samples = std::move(decoded.samples);  // the chunk plays them; freed after it
    impl_->chunk = chunk;
    impl_->label = file_name(path);
}

const std::string& Sound::label() const {
    if (!impl_) throw Error("a sound was used before it was loaded");
    return impl_->label;
}

void Sound::play(int loops) const {
    detail::note_sound(label(), loops == -1 ? "loop" : "play");
    // Rabbits that pop up together each start the pop: the first start is
    // heard, the others would only make it louder.
    Impl& sound = impl();
    if (waiting_to_begin(sound)) return;
    sound.started_at_buffer = mixing().buffers.load();
    Mix_PlayChannel(-1, sound.chunk, loops);  // -1: every channel busy, so the sound is skipped
}

void Sound::stop() const {
    detail::note_sound(label(), "stop");
    for (int channel = 0, n = Mix_AllocateChannels(-1); channel < n; ++channel)
        if (Mix_Playing(channel) && Mix_GetChunk(channel) == impl_->chunk) Mix_HaltChannel(channel);
}

namespace mixer {

void set_muted(bool muted) { mixing().muted = muted; }

bool muted() { return mixing().muted; }

void stop() {
    detail::note_sound("mixer", "stop");
    Mix_HaltChannel(-1);
}

void pause() {
    detail::note_sound("mixer", "pause");
    Mix_Pause(-1);
}

void unpause() {
    detail::note_sound("mixer", "unpause");
    Mix_Resume(-1);
}

}  // namespace mixer
}  // namespace media
