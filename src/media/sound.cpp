// Sounds and the mixer's channels.
#include "media/sound.hpp"

#include <SDL_mixer.h>

#include "media/error.hpp"
#include "media/internal.hpp"

namespace media {

Sound::Impl::~Impl() {
    // Safe after quit() too: with the mixer closed it only frees memory.
    if (chunk) Mix_FreeChunk(chunk);
}

Sound::Impl& Sound::impl() const {
    if (!impl_) throw Error("a sound was used before it was loaded");
    return *impl_;
}

namespace detail {
void trace_sound(const std::string& sound, const char* action) {
    auto& m = media();
    if (m.tracing) m.sounds.push_back({m.frames, sound, action});
}
}  // namespace detail

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

}  // namespace

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
    detail::trace_sound(label(), loops == -1 ? "loop" : "play");
    Mix_PlayChannel(-1, impl().chunk, loops);  // -1: every channel busy, so the sound is skipped
}

void Sound::stop() const {
    detail::trace_sound(label(), "stop");
    for (int channel = 0, n = Mix_AllocateChannels(-1); channel < n; ++channel)
        if (Mix_Playing(channel) && Mix_GetChunk(channel) == impl_->chunk) Mix_HaltChannel(channel);
}

namespace mixer {

void stop() {
    detail::trace_sound("mixer", "stop");
    Mix_HaltChannel(-1);
}

void pause() {
    detail::trace_sound("mixer", "pause");
    Mix_Pause(-1);
}

void unpause() {
    detail::trace_sound("mixer", "unpause");
    Mix_Resume(-1);
}

}  // namespace mixer
}  // namespace media
