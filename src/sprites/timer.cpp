#include "sprites/timer.hpp"

namespace molvane {

Timer::Timer(int second) : s(second), ms(0) {}

int Timer::update() {
    ms = ms - 1;
    if (ms < 0) {
        ms = 59;
        s = s - 1;
    }
    return s == 0 && ms == 0 ? 0 : 1;
}

void Timer::set_time(int second) {
    s = second;
    ms = 0;
}

int Timer::get_second() const { return s; }

std::pair<std::string, std::string> Timer::get_format_time() const {
    // Below ten a zero goes in front, negative seconds included ("0-1").
    std::string seconds = s < 10 ? "0" + std::to_string(s) : std::to_string(s);
    std::string sixtieths = ms < 10 ? "0" + std::to_string(ms) : std::to_string(((ms % 60) + 60) % 60);
    return {seconds, sixtieths};
}

}  // namespace molvane
