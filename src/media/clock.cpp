// The frame clock: a steady schedule of frames, kept by sleeping.
#include "media/clock.hpp"

#include <thread>

#include "media/internal.hpp"

namespace media {

double Clock::tick(int framerate) {
    using namespace std::chrono;
    auto now = steady_clock::now();
    if (detail::media().paced && framerate > 0) {
        auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / framerate));
        // The first frame, or one so late that a whole frame was lost: start
        // the schedule afresh rather than rush to catch up.
        if (next_ == time_point{} || now > next_ + period) {
            next_ = now;
        } else {
            std::this_thread::sleep_until(next_);
            now = steady_clock::now();
        }
        next_ += period;
    }
    double elapsed = last_ == time_point{} ? 0.0 : duration<double, std::milli>(now - last_).count();
    last_ = now;
    return elapsed;
}

}  // namespace media
