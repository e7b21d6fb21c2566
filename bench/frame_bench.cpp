// The cost of one frame, uncapped: a frame of play, of the countdown and of
// the title screen. Headless with SDL_VIDEODRIVER=dummy, or in a real window
// when a display is set. Each frame is timed on its own, and the median and
// 99th percentile are reported next to Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include <algorithm>
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

void CountdownFrame(benchmark::State& state) {
    molvane::Timer timer_ready(4);
    molvane::Timer timer(30);
    run_frames(state, [&] { bench::countdown_frame(timer_ready, timer); });
}

void WaitingFrame(benchmark::State& state) {
    run_frames(state, [] { bench::waiting_frame(); });
}

BENCHMARK(PlayFrame)->Iterations(kFrames)->Unit(benchmark::kMicrosecond);
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
