// Which part of the window a frame changed, told from what was drawn: the
// flip pushes only that part to the window, and draws only there.
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

bool overlap(const Box& a, const Box& b);

// One picture drawn onto the window: which picture and which state of its
// pixels, where it landed (clipped to the window), whether it covers what lies
// beneath (no alpha, no colour key), and where its top-left corner went (off
// the window, for a picture cut at the left or top edge).
struct DrawnRect {
    const void* source = nullptr;
    unsigned long version = 0;
    Box box;
    bool opaque = true;
    int x = 0;
    int y = 0;
    friend bool operator==(const DrawnRect&, const DrawnRect&) = default;
};

// The boxes holding every pixel that may differ between the frame drawn by
// `previous` and the one drawn by `current`, on a window that kept the
// previous frame. Draw i of one frame is compared with draw i of the other;
// a pixel comes out the same when every draw over it is the same in both
// frames and one of them is opaque (the last opaque draw over a pixel and the
// blends after it decide it). A translucent draw with nothing opaque beneath
// blends again over what the window held, so its pixels count as changed.
// Overlapping boxes are merged, and many boxes become their bound.
//
// Every other pixel of the window comes out the same when it is drawn again:
// either no draw covers it, or an opaque one does. The flip therefore draws
// the frame only inside these boxes.
std::vector<Box> changed_boxes(const std::vector<DrawnRect>& previous, const std::vector<DrawnRect>& current);

// Whether drawing `draw` as the frame's next draw would leave the window as it
// is, so that the copy can be left out: the last frame drew the same opaque
// picture at the same place at the same point of its frame, nothing drawn
// after it in the last frame covered any of it, and nothing drawn so far in
// this frame did either.
bool still_shown(const DrawnRect& draw, const std::vector<DrawnRect>& shown, const std::vector<DrawnRect>& drawn);

// The part of `box` that none of `holes` covers, as boxes that do not overlap.
std::vector<Box> uncovered(const Box& box, const std::vector<Box>& holes);

// The same pixels as `boxes`, as boxes that do not overlap: a blend drawn into
// each of them blends each pixel once.
std::vector<Box> apart(const std::vector<Box>& boxes);

}  // namespace media::detail
