// The frame clock.
#pragma once

#include <chrono>

namespace media {

class Clock {
public:
    // Sleeps so that frames come at most `framerate` times a second, on a
    // steady schedule: at 60 the game shows 60 frames a second.
    void tick(int framerate);

private:
    std::chrono::steady_clock::time_point next_{};
};

// When the frame now ending is due on a schedule of frames `period` apart,
// where it was due at `due` (zero: no schedule yet): at `due` when that is to
// come or was missed by at most a frame, so the next frame makes up a late
// one; otherwise `now`, the schedule starting afresh after a lost frame.
std::chrono::steady_clock::time_point frame_due(std::chrono::steady_clock::time_point now,
                                                std::chrono::steady_clock::time_point due,
                                                std::chrono::steady_clock::duration period);

}  // namespace media
