// The cost of one frame, uncapped: a frame of play (with the pointer still
// but for strikes, and moving at every frame), of the countdown and of the
// title screen. Headless with SDL_VIDEODRIVER=dummy, or in a real window
// when a display is set. Each frame is timed on its own, and the median and
// 99th percentile are reported next to Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "frame_loop.hpp"

namespace {

constexpr long kFrames = 10000;

double percentile(std::vector<double> values, double p) {
    std::size_t at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(at), values.end());
    return values[at];
}

void run_frames(benchmark::State& state, const std::function<void()>& frame) {
    std::vector<double> ms;
    ms.reserve(kFrames);
    for (auto _ : state) {
        double begin = bench::now();
        frame();
        ms.push_back((bench::now() - begin) * 1000.0);
    }
    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p99_ms"] = percentile(ms, 0.99);
    state.counters["max_ms"] = *std::max_element(ms.begin(), ms.end());
}

void PlayFrame(benchmark::State& state) {
    molvane::Timer timer(30);
    run_frames(state, [&] { bench::play_frame(timer); });
}

// The same, with the pointer moving along a circle over the board at every
// frame without a strike, as a player's hand moves it: the bat is drawn at a
// new place each frame, over the rabbits and the HUD.
void PlayFrameMovingPointer(benchmark::State& state) {
    molvane::Timer timer(30);
    long step = 0;
    media::testing::set_script([&](media::testing::Input& input) {
        std::size_t events = input.events.size();
        bench::strike_and_press_space(input);
        if (input.events.size() != events) return;
        double angle = static_cast<double>(step++) * 0.05;
        input.pointer = {300 + 280 * std::cos(angle), 340 + 330 * std::sin(angle)};
    });
    run_frames(state, [&] { bench::play_frame(timer); });
    media::testing::set_script(bench::strike_and_press_space);
}

void CountdownFrame(benchmark::State& state) {
    molvane::Timer timer_ready(4);
    molvane::Timer timer(30);
    run_frames(state, [&] { bench::countdown_frame(timer_ready, timer); });
}

void WaitingFrame(benchmark::State& state) {
    run_frames(state, [] { bench::waiting_frame(); });
}

BENCHMARK(PlayFrame)->Iterations(kFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlayFrameMovingPointer)->Iterations(kFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(CountdownFrame)->Iterations(kFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(WaitingFrame)->Iterations(kFrames)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    bench::start(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
