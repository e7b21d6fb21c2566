#include "media/clock.hpp"

#include <algorithm>
#include <thread>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "media/internal.hpp"

namespace media {

using std::chrono::steady_clock;

steady_clock::time_point frame_due(steady_clock::time_point now, steady_clock::time_point due,
                                   steady_clock::duration period) {
    if (due == steady_clock::time_point{} || now > due + period) return now;
    return due;
}

void Clock::tick(int framerate) {
    const detail::Harness* harness = detail::media().harness;
    if (framerate <= 0 || (harness && !harness->paced())) return;
    auto period = std::chrono::duration_cast<steady_clock::duration>(std::chrono::duration<double>(1.0 / framerate));
    next_ = frame_due(steady_clock::now(), next_, period);
#ifdef __EMSCRIPTEN__
    // The page draws, plays and takes input only while the game waits here:
    // the wait hands the browser its turn, every frame, even a late one.
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(next_ - steady_clock::now()).count();
    emscripten_sleep(unsigned(std::max<long long>(wait, 0)));
#else
    std::this_thread::sleep_until(next_);
#endif
    next_ += period;
}

}  // namespace media
