// Which part of the window a frame changed, told from what was drawn: the
// flip pushes only that part to the window.
#pragma once

#include <vector>

namespace media::detail {

struct Box {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    friend bool operator==(const Box&, const Box&) = default;
};

// One picture drawn onto the window: which picture and which state of its
// pixels, where it landed (clipped to the window), and whether it covers what
// lies beneath (no alpha, no colour key).
struct DrawnRect {
    const void* source = nullptr;
    unsigned long version = 0;
    Box box;
    bool opaque = true;
    friend bool operator==(const DrawnRect&, const DrawnRect&) = default;
};

// The boxes holding every pixel that may differ between the frame drawn by
// `previous` and the one drawn by `current`, on a window that kept the
// previous frame. Draw i of one frame is compared with draw i of the other:
// where both are the same opaque draw, the pixels it covers come out the same
// (the last opaque draw over a pixel decides it); everything else counts as
// changed. Overlapping boxes are merged, and many boxes become their bound.
std::vector<Box> changed_boxes(const std::vector<DrawnRect>& previous, const std::vector<DrawnRect>& current);

// Whether drawing `draw` as the frame's next draw would leave the window as it
// is, so that the copy can be left out: the last frame drew the same opaque
// picture at the same place at the same point of its frame, nothing drawn
// after it in the last frame covered any of it, and nothing drawn so far in
// this frame did either.
bool still_shown(const DrawnRect& draw, const std::vector<DrawnRect>& shown, const std::vector<DrawnRect>& drawn);

}  // namespace media::detail
