// The frame clock: a steady schedule of frames, kept by sleeping.
#include "media/clock.hpp"

#include <thread>

#include "media/internal.hpp"

namespace media {

std::chrono::steady_clock::time_point frame_due(std::chrono::steady_clock::time_point now,
                                                std::chrono::steady_clock::time_point due,
                                                std::chrono::steady_clock::duration period) {
    if (due == std::chrono::steady_clock::time_point{} || now > due + period) return now;
    return due;
}

double Clock::tick(int framerate) {
    using namespace std::chrono;
    auto now = steady_clock::now();
    const detail::Harness* harness = detail::media().harness;
    if ((!harness || harness->paced()) && framerate > 0) {
        auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / framerate));
        next_ = frame_due(now, next_, period);
        if (next_ > now) {
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
