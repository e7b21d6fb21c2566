#include "frame_loop.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "media/display.hpp"
#include "media/event.hpp"
#include "screens/level_frames.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"
#include "shell/start_up.hpp"

namespace bench {

namespace {

bool holding = false;

media::Pos centre_of(std::size_t index) {
    return {static_cast<double>(index % 3) * 200 + 100, 80 + static_cast<double>(index / 3) * 200 + 100};
}

}  // namespace

void strike_and_press_space(media::testing::Input& input) {
    const std::string& state = molvane::STATE;
    if (state != "main") {
        input.events.push_back({media::EventType::KEYDOWN, media::K_SPACE, 0});
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
        input.pointer = centre_of(i);
        input.buttons = {true, false, false};
        input.events.push_back({media::EventType::MOUSEBUTTONDOWN, 0, media::BUTTON_LEFT});
        holding = true;
        return;
    }
}

void start(bool paced) {
    molvane::start_up(assets::DATA);
    molvane::seed_random(2024);
    media::testing::set_clock_paced(paced);
    media::testing::set_script(strike_and_press_space);
    molvane::STATE = "main";
}

void play_frame(molvane::Timer& timer) {
    molvane::play_frame(timer);
    molvane::CLOCK.tick(60);
    if (molvane::FLAG == 1) return;
    // The level ended: the next frame plays on at full lives.
    timer.set_time(30);
    molvane::HEART = 3;
    molvane::STATE = "main";
}

void countdown_frame(molvane::Timer& timer_ready, const molvane::Timer& timer) {
    if (molvane::countdown_frame(timer_ready, timer)) {
        molvane::CLOCK.tick(60);
        return;
    }
    timer_ready.set_time(4);
}

void waiting_frame() {
    molvane::SCREEN.blit(molvane::START_PIC, {0, 0});
    media::event::get();
    molvane::bat->update(molvane::SCREEN, molvane::MOUSE_STATE);
    media::display::flip();
    molvane::CLOCK.tick(60);
}

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peak_rss_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double current_rss_mib() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace bench
