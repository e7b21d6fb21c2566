// Sounds, decoded whole at load, and the mixer that plays them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace media {

// An MP3 file decoded whole, ahead of the mixer: signed 16-bit samples,
// interleaved by channel, at the file's own rate and channels.
struct DecodedMp3 {
    std::unique_ptr<std::int16_t[]> samples;
    std::size_t count = 0;  // of all channels together
    long rate = 0;
    int channels = 0;
};

// Decodes with libmpg123, as the mixer itself would, into a buffer sized
// once from the file's length. Needs no other media service: safe on any
// thread, before init(). Empty (count 0) when the file is not an MP3 that
// decodes cleanly; Sound then leaves the file to the mixer, which reports
// what is wrong with it.
DecodedMp3 decode_mp3(const std::string& path);

class Sound {
public:
    Sound() = default;
    // Loads a WAV or MP3 file and decodes it whole.
    explicit Sound(const std::string& path);
    // The same sound from samples decoded ahead. They are played as they are
    // when they already are in the mixer's format, which is what the mixer
    // would have made of the file; otherwise the mixer loads the file.
    Sound(const std::string& path, DecodedMp3 decoded);

    // Plays the sound once, or with loops = -1 repeats it until stopped.
    // When every channel is busy the sound is skipped: silence, not an error.
    // So is a start of a sound already started and not yet begun by the
    // mixer (started since it last mixed): it would only double the first.
    void play(int loops = 0) const;
    // Stops every channel playing this sound.
    void stop() const;

    const std::string& label() const;
    bool valid() const { return impl_ != nullptr; }

    // The samples; a complete type only inside the media layer.
    struct Impl;
    Impl& impl() const;

private:
    std::shared_ptr<Impl> impl_;
};

namespace mixer {
// Silences everything the mixer plays while muted; the sounds play on
// unheard, so the music goes on where it would have been.
void set_muted(bool muted);
bool muted();
// Stop, hold and resume every channel.
void stop();
void pause();
void unpause();
}  // namespace mixer

}  // namespace media
