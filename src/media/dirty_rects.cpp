// The changed part of a frame, from the frame's draws and the last frame's.
#include "media/dirty_rects.hpp"

#include <algorithm>
#include <cstddef>

namespace media::detail {

namespace {

// Beyond this many boxes, one box around them all is pushed instead.
constexpr std::size_t kMostBoxes = 16;

long area(const Box& b) { return static_cast<long>(b.w) * b.h; }

Box bound(const Box& a, const Box& b) {
    int x = std::min(a.x, b.x);
    int y = std::min(a.y, b.y);
    return {x, y, std::max(a.x + a.w, b.x + b.w) - x, std::max(a.y + a.h, b.y + b.h) - y};
}

// Two boxes are pushed as one when that costs no more pixels than pushing
// both: when they overlap enough, or one holds the other.
bool worth_merging(const Box& a, const Box& b) { return area(bound(a, b)) <= area(a) + area(b); }

void merge(std::vector<Box>& boxes) {
    bool merged = true;
    while (merged) {
        merged = false;
        for (std::size_t i = 0; i < boxes.size() && !merged; ++i)
            for (std::size_t j = i + 1; j < boxes.size() && !merged; ++j)
                if (worth_merging(boxes[i], boxes[j])) {
                    boxes[i] = bound(boxes[i], boxes[j]);
                    boxes.erase(boxes.begin() + static_cast<std::ptrdiff_t>(j));
                    merged = true;
                }
    }
    if (boxes.size() > kMostBoxes) {
        Box all = boxes.front();
        for (const Box& b : boxes) all = bound(all, b);
        boxes = {all};
    }
}

}  // namespace

std::vector<Box> changed_boxes(const std::vector<DrawnRect>& previous, const std::vector<DrawnRect>& current) {
    std::vector<Box> boxes;
    auto add = [&](const Box& b) {
        if (area(b) > 0) boxes.push_back(b);
    };
    std::size_t count = std::max(previous.size(), current.size());
    for (std::size_t i = 0; i < count; ++i) {
        const DrawnRect* before = i < previous.size() ? &previous[i] : nullptr;
        const DrawnRect* now = i < current.size() ? &current[i] : nullptr;
        if (before && now && *before == *now && now->opaque) continue;
        if (before) add(before->box);
        if (now) add(now->box);
    }
    merge(boxes);
    return boxes;
}

namespace {

bool overlap(const Box& a, const Box& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool covers_any_of(const Box& box, auto first, auto last) {
    return std::any_of(first, last, [&](const DrawnRect& d) { return overlap(d.box, box); });
}

}  // namespace

bool still_shown(const DrawnRect& draw, const std::vector<DrawnRect>& shown, const std::vector<DrawnRect>& drawn) {
    std::size_t at = drawn.size();
    if (!draw.opaque || at >= shown.size() || !(shown[at] == draw)) return false;
    auto after = shown.begin() + static_cast<std::ptrdiff_t>(at) + 1;
    return !covers_any_of(draw.box, after, shown.end()) && !covers_any_of(draw.box, drawn.begin(), drawn.end());
}

}  // namespace media::detail
