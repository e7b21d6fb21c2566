// Keeps the sum of every sound playing at once inside 16 bits.
//
// The mixer adds the channels at a quarter of their volume, so that even
// several loud sounds together stay far inside 16 bits; the limiter then
// brings the sum back up to the sounds' own level. Where that would pass the
// ceiling, it turns the level down at once, just enough, and back up again
// smoothly: a loud moment is softened, never cut flat.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace media::detail {

class Limiter {
public:
    // `makeup`: the gain that undoes the mixer's lower volume; `ceiling`: the
    // largest sample written; `release`: how many sample frames the level
    // takes to come back most of the way (about two thirds) after a peak.
    Limiter(double makeup, double ceiling, double release)
        : makeup_(makeup), ceiling_(ceiling), recover_(1.0 / std::max(1.0, release)) {}

    // Frames of `channels` interleaved samples, in place. All channels of a
    // frame share one level, so a stereo picture does not wander.
    void process(std::int16_t* samples, std::size_t frames, int channels) {
        for (std::size_t f = 0; f < frames; ++f) {
            std::int16_t* frame = samples + f * static_cast<std::size_t>(channels);
            int peak = 0;
            for (int c = 0; c < channels; ++c) peak = std::max(peak, std::abs(int(frame[c])));
            level_ += (1.0 - level_) * recover_;
            double loudest = peak * makeup_ * level_;
            if (loudest > ceiling_) level_ = ceiling_ / (peak * makeup_);
            double gain = makeup_ * level_;
            for (int c = 0; c < channels; ++c) frame[c] = static_cast<std::int16_t>(std::lround(frame[c] * gain));
        }
    }

    // 1 while nothing is being held down; below 1 just after a loud moment.
    double level() const { return level_; }

private:
    double makeup_;
    double ceiling_;
    double recover_;
    double level_ = 1.0;
};

}  // namespace media::detail
