// Start-up time as the player sees it: from the moment the program is started
// to its first frame shown. Runs the game N times, as built for this
// benchmark (molvane_first_frame): each run is told through
// MOLVANE_BENCH_FIRST_FRAME to write the steady clock's reading at its first
// flip to a file and end there. Run under a display (Xvfb).
//
//   molvane_start_up_bench path/to/molvane_first_frame [runs]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

long long monotonic_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Milliseconds from the fork to the first frame, or a negative number when
// the game failed; `cpu_ms` gets the CPU time (user and system, all threads)
// the run took. The CPU time varies far less than the wall time on a busy
// machine.
double one_run(const char* game, const std::string& mark, double& cpu_ms) {
    std::remove(mark.c_str());
    long long begin = monotonic_ns();
    pid_t child = fork();
    if (child == 0) {
        setenv("MOLVANE_BENCH_FIRST_FRAME", mark.c_str(), 1);
        execl(game, game, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    cpu_ms = ms(usage.ru_utime) + ms(usage.ru_stime);
    std::ifstream in(mark);
    long long shown = 0;
    if (!(in >> shown) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return static_cast<double>(shown - begin) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: molvane_start_up_bench path/to/molvane_first_frame [runs]\n");
        return 2;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    std::string mark = "/tmp/molvane_first_frame." + std::to_string(getpid());
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        double cpu_ms = 0;
        double run = one_run(argv[1], mark, cpu_ms);
        if (run < 0) {
            std::fprintf(stderr, "the game did not show its first frame\n");
            return 1;
        }
        ms.push_back(run);
        cpu.push_back(cpu_ms);
    }
    std::remove(mark.c_str());
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf(
        "start-up to the first frame over %d runs: median %.1f ms, min %.1f ms, max %.1f ms; "
        "CPU median %.1f ms\n",
        runs, ms[ms.size() / 2], ms.front(), ms.back(), cpu[cpu.size() / 2]);
    return 0;
}
