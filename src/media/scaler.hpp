// The frame drawn larger or smaller into a window of another size: where it
// lands, and its pixels there.
#pragma once

#include <cstdint>
#include <vector>

#include "media/geometry.hpp"

namespace media::detail {

// Where a frame lands in a window: as large as fits, its proportions kept,
// centred; the rest of the window is black. When the fitting factor is a
// whole number, or within 2 % above one, the frame grows by that whole
// number (each pixel becomes a square of pixels) rather than by a fraction,
// which would blur it.
struct Fit {
    Rect shown;          // the frame's place in the window
    bool whole = false;  // grown by a whole factor: pixels copied, not blended
    friend bool operator==(const Fit&, const Fit&) = default;
};
Fit fit_frame(int frame_w, int frame_h, int window_w, int window_h);

// 32-bit pixels with 8 bits a channel, in rows `stride` pixels apart.
struct Pixels {
    std::uint32_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Draws a frame into its Fit in a window, or only the part of it a change
// of the frame touches. Every window pixel is a function of its own position
// alone (a blend of the two by two frame pixels around the point it samples,
// or a copy of one), so drawing a part gives the very pixels that drawing
// the whole would.
class Scaler {
public:
    Scaler() = default;
    Scaler(int frame_w, int frame_h, const Fit& fit);
    const Fit& fit() const { return fit_; }
    // Draws the window pixels that depend on frame pixels inside `changed`
    // (frame coordinates), and returns them (window coordinates; empty when
    // none).
    Rect draw(const Pixels& frame, const Pixels& window, const Rect& changed) const;

private:
    // A window column (or row) samples the frame between two columns:
    // `weight` 256ths of the way from `from` to `to`.
    struct Tap {
        int from = 0;
        int to = 0;
        std::uint32_t weight = 0;
    };
    static std::vector<Tap> taps(int frame_size, int shown_size, bool whole);
    // The window positions [begin, end) whose taps reach into [first, last]
    // of the frame.
    static void reach(const std::vector<Tap>& taps, int first, int last, int& begin, int& end);

    Fit fit_;
    std::vector<Tap> columns_;
    std::vector<Tap> rows_;
};

// The box around every pixel where `frame` differs from `before` (same
// size); empty when they are equal.
Rect changed_box(const Pixels& frame, const Pixels& before);

}  // namespace media::detail
