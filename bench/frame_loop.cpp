#include "frame_loop.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "media/display.hpp"
#include "media/event.hpp"
#include "screens/hud.hpp"
#include "screens/strike.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"
#include "shell/start_up.hpp"

namespace bench {

namespace {

bool holding = false;

media::Pos centre_of(std::size_t index) {
    return {static_cast<double>(index % 3) * 200 + 100, 80 + static_cast<double>(index / 3) * 200 + 100};
}

// What the main screen does with the events of a frame of play (no pause,
// no Escape: the script never sends them during play).
void handle_play_events() {
    for (const media::Event& event : media::event::get()) {
        if (molvane::is_strike(event)) molvane::strike();
        if (event.type == media::EventType::MOUSEBUTTONUP) molvane::MOUSE_STATE = 0;
    }
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
    molvane::refresh_text(timer.get_format_time());
    if (timer.update() == 0) timer.set_time(30);
    molvane::rabbit_list.update();
    molvane::rabbit_list.draw(molvane::SCREEN);
    molvane::bat->update(molvane::SCREEN, molvane::MOUSE_STATE);
    media::display::flip();
    if (molvane::HEART < 0) molvane::HEART = 3;
    handle_play_events();
    molvane::CLOCK.tick(60);
}

void countdown_frame(molvane::Timer& timer_ready, const molvane::Timer& timer) {
    handle_play_events();
    molvane::refresh_text(timer.get_format_time());
    timer_ready.update();
    int second = timer_ready.get_second();
    molvane::rabbit_list.draw(molvane::SCREEN);
    molvane::bat->update(molvane::SCREEN, molvane::MOUSE_STATE);
    molvane::refresh_ready(second);
    media::display::flip();
    if (second == 0) timer_ready.set_time(4);
    molvane::CLOCK.tick(60);
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
