// What the window already holds, so that a copy of a picture it still shows
// at the same place is not made again, or only where something was drawn
// over it since. The game draws the nine rabbits twice a frame and the HUD's
// board under its texts, the same ones frame after frame; copied afresh,
// they are most of a frame's cost.
#pragma once

#include <cstdint>
#include <vector>

#include "media/geometry.hpp"

namespace media::detail {

// A stamp names one state of one picture's pixels: every picture gets a new
// one when it is made and each time its pixels change, and no two states of
// any pictures share one.
std::uint64_t new_stamp();

// One picture drawn onto the window: the state of its pixels, where its
// corner went, the part of the window it landed on, and whether it is a
// plain copy, replacing what lies beneath (no alpha, no colour key, the
// window's own pixel format).
struct WindowDraw {
    std::uint64_t stamp = 0;
    int x = 0;
    int y = 0;
    Rect box;
    bool copy = true;
    friend bool operator==(const WindowDraw&, const WindowDraw&) = default;
};

class WindowMemory {
public:
    // Told of each draw onto the window before it is made. Returns false when
    // the whole draw must be made; true when the window already holds the
    // copy, but for `repairs`: the parts of it drawn over since, which the
    // copy must still be made in.
    bool holds(const WindowDraw& draw, std::vector<Rect>& repairs);
    // The window's pixels changed some other way.
    void forget() { held_.clear(); }

private:
    struct Held {
        WindowDraw draw;
        std::vector<Rect> damage;  // drawn over since, inside draw.box
    };
    std::vector<Held> held_;
};

}  // namespace media::detail
