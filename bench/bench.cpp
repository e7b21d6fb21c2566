// Molvane's benchmarks: the real game driven by a scripted player who strikes
// every rabbit that shows itself and presses space on the waiting screens,
// timed at its flips. Run them with tools/bench.sh.
//
//   molvane_bench frames          frame times with the cap lifted: play, play
//                                 with the pointer moving, countdown, title
//   molvane_bench game            one ten-level game uncapped; peak memory
//   molvane_bench games N         N games in one process: memory after each
//   molvane_bench pacing [fullscreen]
//                                 one level at the 60 fps cap: its pace, how
//                                 late frames come, and its CPU
//   molvane_bench start-up N      N starts of the game to its first frame
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/display.hpp"
#include "media/testing.hpp"
#include "screens/screens.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"
#include "shell/start_up.hpp"

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double cpu_seconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peak_rss_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double current_rss_mib() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The player: strikes the first rabbit up (press, then release at the next
// fetch), moves the pointer along a circle when `moving`, and presses space
// on a waiting screen after `wait` fetches there.
struct Player {
    bool moving = false;
    long wait = 0;
    long waited = 0;
    long step = 0;
    bool holding = false;

    void operator()(media::testing::Input& input) {
        if (moving) {
            double angle = double(step++) * 0.05;
            input.pointer = {300 + 280 * std::cos(angle), 340 + 330 * std::sin(angle)};
        }
        if (molvane::STATE != "main") {
            if (++waited > wait) {
                input.events.push_back({media::EventType::KEYDOWN, media::K_SPACE, 0});
                waited = 0;
            }
            return;
        }
        if (holding) {
            input.buttons = {false, false, false};
            input.events.push_back({media::EventType::MOUSEBUTTONUP, 0, media::BUTTON_LEFT});
            holding = false;
            return;
        }
        for (std::size_t i = 0; i < molvane::rabbit_list.size(); ++i) {
            const std::string& rabbit = molvane::rabbit_list[i].state;
            if (rabbit != "pose" && rabbit != "heart") continue;
            input.pointer = {double(i % 3) * 200 + 100, 180 + double(i / 3) * 200};
            input.buttons = {true, false, false};
            input.events.push_back({media::EventType::MOUSEBUTTONDOWN, 0, media::BUTTON_LEFT});
            holding = true;
            return;
        }
    }
};

// The game as start-up leaves it, with the player and a fixed seed.
void start(bool paced, Player player = {}) {
    molvane::start_up(assets::DATA);
    molvane::seed_random(2024);
    media::testing::set_clock_paced(paced);
    media::testing::set_script(player);
}

// The times between flips while `run` runs, in seconds.
std::vector<double> flip_gaps(void (*run)()) {
    std::vector<double> flips;
    media::testing::on_flip([&] { flips.push_back(now()); });
    run();
    media::testing::on_flip(nullptr);
    std::vector<double> gaps;
    for (std::size_t i = 1; i < flips.size(); ++i) gaps.push_back(flips[i] - flips[i - 1]);
    return gaps;
}

void report(const char* what, std::vector<double> seconds) {
    double total = 0;
    for (double s : seconds) total += s;
    std::sort(seconds.begin(), seconds.end());
    auto at = [&](double p) { return seconds[std::size_t(p * double(seconds.size() - 1))] * 1000; };
    std::printf("%-28s %6zu frames: median %.4f ms, p99 %.4f ms, max %.4f ms, mean %.4f ms\n", what, seconds.size(),
                at(0.5), at(0.99), seconds.back() * 1000, total * 1000 / double(seconds.size()));
}

// Levels of the first level's pace at full lives until `frames` frames of play were timed; the gaps of
// the countdowns go to `countdown`.
std::vector<double> play_frames(std::size_t frames, std::vector<double>* countdown = nullptr) {
    std::vector<double> play;
    while (play.size() < frames) {
        molvane::STATE = "main";
        molvane::HEART = 3;
        molvane::LEVEL = 0;
        std::vector<double> gaps = flip_gaps(molvane::game_main);
        const std::size_t blank = 180;  // the gap after the countdown's blank frame is the first of play
        if (countdown) countdown->insert(countdown->end(), gaps.begin(), gaps.begin() + blank);
        play.insert(play.end(), gaps.begin() + blank, gaps.end());
    }
    return play;
}

int frames() {
    start(false, Player{.wait = 10000});
    std::vector<double> countdown;
    report("play", play_frames(10000, &countdown));
    report("countdown", countdown);
    report("title", flip_gaps(molvane::game_start));
    media::testing::set_script(Player{.moving = true});
    report("play, the pointer moving", play_frames(10000));
    return 0;
}

// From the title through ten levels and the victory back to the title: the
// number of levels played, fewer for a lost game.
int whole_game() {
    molvane::STATE = "start";
    int levels = 0;
    for (int screens = 0; screens < 40; ++screens) {
        std::string ran = molvane::STATE;
        molvane::run_screen();
        levels += ran == "main";
        if (ran == "win" || ran == "end") break;
    }
    return levels;
}

int game() {
    start(false);
    long frames_before = media::testing::frames_shown();
    double begin = now();
    int levels = whole_game();
    double seconds = now() - begin;
    long frames = media::testing::frames_shown() - frames_before;
    std::printf("whole game uncapped: %d levels, %ld frames in %.2f s (%.3f ms a frame)\n", levels, frames, seconds,
                seconds * 1000.0 / double(frames));
    std::printf("peak resident size over start-up and the game: %.1f MiB\n", peak_rss_mib());
    return levels == 10 ? 0 : 1;
}

int games(int count) {
    start(false);
    std::printf("resident size after each game (MiB):");
    double first = 0, last = 0;
    for (int i = 0; i < count; ++i) {
        if (whole_game() != 10) return 1;
        last = current_rss_mib();
        if (i == 0) first = last;
        std::printf(" %.1f", last);
        std::fflush(stdout);
    }
    std::printf("\ngrowth from game 1 to game %d: %.2f MiB; peak %.1f MiB\n", count, last - first, peak_rss_mib());
    return 0;
}

int pacing(bool fullscreen) {
    start(true);
    if (fullscreen) media::display::toggle_fullscreen();
    double cpu_begin = cpu_seconds();
    double begin = now();
    molvane::STATE = "main";
    std::vector<double> gaps = flip_gaps(molvane::game_main);
    double wall = now() - begin;
    double cpu = cpu_seconds() - cpu_begin;
    if (gaps.size() < 180 + 1800) {
        std::printf("only %zu frames were shown\n", gaps.size() + 1);
        return 1;
    }
    // Play's 1800 frames, each late by how much more than a sixtieth of a
    // second it came after the one before.
    std::vector<double> late;
    double play = 0;
    for (std::size_t n = 180; n < 180 + 1800; ++n) {
        play += gaps[n];
        late.push_back(std::max(0.0, gaps[n] - 1.0 / 60.0) * 1000.0);
    }
    std::sort(late.begin(), late.end());
    std::printf("1800 frames of play at the cap: %.3f s (%.2f fps)\n", play, 1800.0 / play);
    std::printf("frames late against the one before: median %.2f ms, p99 %.2f ms, max %.2f ms\n", late[900], late[1781],
                late.back());
    std::printf("CPU over the level (countdown and play, %.2f s): %.2f s, %.2f %% of one core\n", wall, cpu,
                100.0 * cpu / wall);
    return 0;
}

// The game as shipped, but for writing the time of its first flip to `fd`
// and ending there.
int first_frame(int fd) {
    media::testing::on_flip([fd] {
        double shown = now();
        std::_Exit(write(fd, &shown, sizeof shown) == sizeof shown ? 0 : 1);
    });
    return molvane::run();
}

// The game as shipped, ended at its first flip, `runs` times: the time from
// the fork to that flip, and the CPU each run took.
int start_up(const char* self, int runs) {
    std::vector<double> ms, cpu;
    for (int i = 0; i < runs; ++i) {
        int gap[2];
        if (pipe(gap) != 0) return 1;
        double cpu_before = cpu_seconds(RUSAGE_CHILDREN);
        double begin = now();
        pid_t child = fork();
        if (child == 0) {
            close(gap[0]);
            execl(self, self, "first-frame", std::to_string(gap[1]).c_str(), static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        close(gap[1]);
        double shown = 0;
        bool read_it = read(gap[0], &shown, sizeof shown) == sizeof shown;
        close(gap[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (!read_it || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "the game did not show its first frame\n");
            return 1;
        }
        ms.push_back((shown - begin) * 1000);
        cpu.push_back((cpu_seconds(RUSAGE_CHILDREN) - cpu_before) * 1000);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf(
        "start-up to the first frame over %d runs: median %.1f ms, min %.1f ms, max %.1f ms; "
        "CPU median %.1f ms\n",
        runs, ms[ms.size() / 2], ms.front(), ms.back(), cpu[cpu.size() / 2]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    int result = 2;
    if (mode == "frames") result = frames();
    if (mode == "game") result = game();
    if (mode == "games") result = games(argc > 2 ? std::atoi(argv[2]) : 20);
    if (mode == "pacing") result = pacing(argc > 2 && std::string(argv[2]) == "fullscreen");
    if (mode == "start-up") result = start_up(argv[0], argc > 2 ? std::atoi(argv[2]) : 20);
    if (mode == "first-frame" && argc > 2) result = first_frame(std::atoi(argv[2]));
    if (result == 2)
        std::fprintf(stderr, "usage: molvane_bench frames | game | games N | pacing [fullscreen] | start-up N\n");
    std::fflush(stdout);
    std::_Exit(result);  // as the game itself ends: without tearing SDL down
}
