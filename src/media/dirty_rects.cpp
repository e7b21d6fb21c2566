// The changed part of a frame, from the frame's draws and the last frame's.
#include "media/dirty_rects.hpp"

#include <algorithm>
#include <cstddef>

namespace media::detail {

bool overlap(const Box& a, const Box& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

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

// Adds to `out` the part of `a` outside `hole`: at most four boxes, the
// bands above and below the hole across the whole width of `a`, and the
// pieces left and right of it between them.
void cut(const Box& a, const Box& hole, std::vector<Box>& out) {
    if (!overlap(a, hole)) {
        out.push_back(a);
        return;
    }
    int top = std::max(a.y, hole.y);
    int bottom = std::min(a.y + a.h, hole.y + hole.h);
    if (a.y < top) out.push_back({a.x, a.y, a.w, top - a.y});
    if (bottom < a.y + a.h) out.push_back({a.x, bottom, a.w, a.y + a.h - bottom});
    if (a.x < hole.x) out.push_back({a.x, top, hole.x - a.x, bottom - top});
    if (hole.x + hole.w < a.x + a.w) out.push_back({hole.x + hole.w, top, a.x + a.w - (hole.x + hole.w), bottom - top});
}

}  // namespace

std::vector<Box> uncovered(const Box& box, const std::vector<Box>& holes) {
    std::vector<Box> left;
    if (area(box) > 0) left.push_back(box);
    std::vector<Box> next;
    for (const Box& hole : holes) {
        if (left.empty()) break;
        next.clear();
        for (const Box& piece : left) cut(piece, hole, next);
        left.swap(next);
    }
    return left;
}

std::vector<Box> apart(const std::vector<Box>& boxes) {
    std::vector<Box> pieces;
    std::vector<Box> earlier;
    for (const Box& box : boxes) {
        for (const Box& piece : uncovered(box, earlier)) pieces.push_back(piece);
        earlier.push_back(box);
    }
    return pieces;
}

std::vector<Box> changed_boxes(const std::vector<DrawnRect>& previous, const std::vector<DrawnRect>& current) {
    std::vector<Box> boxes;
    auto add = [&](const Box& b) {
        if (area(b) > 0) boxes.push_back(b);
    };
    std::vector<Box> same_opaque;
    std::vector<Box> same_translucent;
    std::size_t count = std::max(previous.size(), current.size());
    for (std::size_t i = 0; i < count; ++i) {
        const DrawnRect* before = i < previous.size() ? &previous[i] : nullptr;
        const DrawnRect* now = i < current.size() ? &current[i] : nullptr;
        if (before && now && *before == *now) {
            (now->opaque ? same_opaque : same_translucent).push_back(now->box);
            continue;
        }
        if (before) add(before->box);
        if (now) add(now->box);
    }
    for (const Box& blend : same_translucent)
        for (const Box& piece : uncovered(blend, same_opaque)) add(piece);
    merge(boxes);
    return boxes;
}

namespace {

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
