// The game's countdown clock, counted in frames: sixty steps to the second.
#pragma once

#include <string>
#include <utility>

namespace molvane {

class Timer {
public:
    explicit Timer(int second);

    // One step; 0 when the timer now reads exactly zero, 1 otherwise. It
    // does not stop by itself: stepped on, it goes below zero.
    int update();
    void set_time(int second);
    // Whole seconds left, without the sixtieths.
    int get_second() const;
    // The time as two texts, seconds and sixtieths, each at least two digits.
    std::pair<std::string, std::string> get_format_time() const;

    int s = 0;   // whole seconds left
    int ms = 0;  // sixtieths of a second left within the second, 0 to 59
};

}  // namespace molvane
