// Whole games and the paced frame rate, timed with plain clocks:
//
//   molvane_game_bench game     one scripted ten-level game, uncapped: wall
//                               time, frames, peak resident size
//   molvane_game_bench games N  N such games in one process: resident size
//                               after each
//   molvane_game_bench pacing   one level at the 60 fps cap: the wall time of
//                               its 1800 frames of play, how late each frame
//                               comes after the one before, and the CPU it costs
//   molvane_game_bench pacing fullscreen
//                               the same with the window fullscreen (F11)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame_loop.hpp"
#include "media/display.hpp"
#include "media/testing.hpp"
#include "screens/screens.hpp"
#include "shell/game_state.hpp"
#include "shell/start_up.hpp"

namespace {

// From the title through ten levels and the victory back to the title.
// Returns the number of levels played; a lost game stops early.
int whole_game() {
    molvane::STATE = "start";
    int levels = 0;
    for (int screens = 0; screens < 40; ++screens) {
        std::string ran = molvane::STATE;
        molvane::run_screen();
        if (ran == "main") ++levels;
        if (ran == "win" || ran == "end") break;
    }
    return levels;
}

int game() {
    bench::start(false);
    long frames_before = media::testing::frames_shown();
    double begin = bench::now();
    int levels = whole_game();
    double seconds = bench::now() - begin;
    long frames = media::testing::frames_shown() - frames_before;
    std::printf("whole game uncapped: %d levels, %ld frames in %.2f s (%.3f ms a frame)\n", levels, frames, seconds,
                seconds * 1000.0 / static_cast<double>(frames));
    std::printf("peak resident size over start-up and the game: %.1f MiB\n", bench::peak_rss_mib());
    return levels == 10 ? 0 : 1;
}

int games(int count) {
    bench::start(false);
    std::printf("resident size after each game (MiB):");
    double first = 0;
    double last = 0;
    for (int i = 0; i < count; ++i) {
        if (whole_game() != 10) return 1;
        last = bench::current_rss_mib();
        if (i == 0) first = last;
        std::printf(" %.1f", last);
        std::fflush(stdout);
    }
    std::printf("\ngrowth from game 1 to game %d: %.2f MiB; peak %.1f MiB\n", count, last - first,
                bench::peak_rss_mib());
    return 0;
}

int pacing(bool fullscreen) {
    bench::start(true);
    if (fullscreen) media::display::toggle_fullscreen();
    std::vector<double> flips;
    flips.reserve(2100);
    media::testing::on_flip([&] { flips.push_back(bench::now()); });
    double cpu_begin = bench::cpu_seconds();
    double begin = bench::now();
    molvane::STATE = "main";
    molvane::game_main();
    double wall = bench::now() - begin;
    double cpu = bench::cpu_seconds() - cpu_begin;
    media::testing::on_flip(nullptr);

    // The first play frame is the one after the countdown's 181 frames.
    const std::size_t countdown = 181;
    if (flips.size() < countdown + 1800) {
        std::printf("only %zu frames were shown\n", flips.size());
        return 1;
    }
    double start = flips[countdown - 1];
    double play = flips[countdown + 1799] - start;
    // A frame is late by how much longer than a sixtieth of a second it came
    // after the frame before it.
    std::vector<double> late;
    for (std::size_t n = 1; n <= 1800; ++n) {
        double gap = flips[countdown - 1 + n] - flips[countdown - 2 + n];
        late.push_back(std::max(0.0, gap - 1.0 / 60.0) * 1000.0);
    }
    std::sort(late.begin(), late.end());
    std::printf("1800 frames of play at the cap: %.3f s (%.2f fps)\n", play, 1800.0 / play);
    std::printf("frames late against the one before: median %.2f ms, p99 %.2f ms, max %.2f ms\n", late[900], late[1781],
                late.back());
    std::printf("CPU over the level (countdown and play, %.2f s): %.2f s, %.2f %% of one core\n", wall, cpu,
                100.0 * cpu / wall);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    int result = 2;
    if (mode == "game") result = game();
    if (mode == "games") result = games(argc > 2 ? std::atoi(argv[2]) : 20);
    if (mode == "pacing") result = pacing(argc > 2 && std::string(argv[2]) == "fullscreen");
    if (result == 2) std::fprintf(stderr, "usage: molvane_game_bench game | games N | pacing [fullscreen]\n");
    std::fflush(stdout);
    std::_Exit(result);  // as the game itself ends: without tearing SDL down
}
