// Sounds, decoded whole at load, and the mixer that plays them.
#pragma once

#include <memory>
#include <string>

namespace media {

class Sound {
public:
    Sound() = default;
    // Loads a WAV or MP3 file and decodes it whole.
    explicit Sound(const std::string& path);

    // Plays the sound once, or with loops = -1 repeats it until stopped.
    // When every channel is busy the sound is skipped: silence, not an error.
    void play(int loops = 0) const;
    // Stops every channel playing this sound.
    void stop() const;

    const std::string& label() const;
    bool valid() const { return impl_ != nullptr; }

    struct Impl;
    Impl& impl() const;

private:
    std::shared_ptr<Impl> impl_;
};

namespace mixer {
// Stop, hold and resume every channel.
void stop();
void pause();
void unpause();
}  // namespace mixer

}  // namespace media
