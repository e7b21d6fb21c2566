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

// When the frame now ending is shown, on a schedule of frames `period`
// apart where it was due at `due` (none yet: zero): at `due` when that is
// still to come or was missed by no more than a frame, so that the next
// frame makes up for a late one; otherwise, when the schedule starts or a
// whole frame was lost, `now`, the schedule starting afresh rather than
// rushing to catch up.
std::chrono::steady_clock::time_point frame_due(std::chrono::steady_clock::time_point now,
                                                std::chrono::steady_clock::time_point due,
                                                std::chrono::steady_clock::duration period);

}  // namespace media
