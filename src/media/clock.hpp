// The frame clock.
#pragma once

#include <chrono>

namespace media {

class Clock {
public:
    // Waits, sleeping, so that frames come at most `framerate` times a
    // second, on a steady schedule: at 60 the game shows 60 frames a second.
    // Returns the milliseconds since the previous tick.
    double tick(int framerate);

private:
    using time_point = std::chrono::steady_clock::time_point;
    time_point last_{};
    time_point next_{};
};

}  // namespace media
