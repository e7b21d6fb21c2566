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

namespace {

// Below ten a zero goes in front, negative numbers included ("0-1").
std::string padded(int n) {
    std::string text = std::to_string(n);
    if (n < 10) text.insert(text.begin(), '0');
    return text;
}

}  // namespace

std::pair<std::string, std::string> Timer::get_format_time() const {
    return {padded(s), ms < 10 ? padded(ms) : std::to_string(((ms % 60) + 60) % 60)};
}

}  // namespace molvane
