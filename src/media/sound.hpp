// Sounds, decoded whole at load, and the mixer that plays them.
#pragma once

#include <memory>
#include <string>

namespace media {

class Sound {
public:
    Sound() = default;
    // Loads a WAV or MP3 file and decodes it whole; without a sound device,
    // keeps the file to load when one opens. Two threads may load at once,
    // while nothing else uses the media layer's sound.
    explicit Sound(const std::string& path);

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

// Lets go of what SDL keeps for the calling thread (its error text): a
// thread of the game's own that loaded sounds calls it as it ends.
void sound_thread_done();

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
