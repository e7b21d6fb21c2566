#include "media/window_memory.hpp"

#include <algorithm>
#include <atomic>

namespace media::detail {

std::uint64_t new_stamp() {
    // Pictures are loaded on two threads at start-up.
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

namespace {

// Beyond these, the memory is cut short: forgetting is always safe.
constexpr std::size_t kMostHeld = 32;
constexpr std::size_t kMostDamage = 8;

Rect common(const Rect& a, const Rect& b) {
    int left = std::max(a.x, b.x);
    int top = std::max(a.y, b.y);
    int right = std::min(a.x + a.w, b.x + b.w);
    int bottom = std::min(a.y + a.h, b.y + b.h);
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

bool empty(const Rect& r) { return r.w <= 0 || r.h <= 0; }

Rect bound(const std::vector<Rect>& boxes) {
    Rect all = boxes.front();
    for (const Rect& b : boxes) {
        int right = std::max(all.x + all.w, b.x + b.w);
        int bottom = std::max(all.y + all.h, b.y + b.h);
        all.x = std::min(all.x, b.x);
        all.y = std::min(all.y, b.y);
        all.w = right - all.x;
        all.h = bottom - all.y;
    }
    return all;
}

}  // namespace

bool WindowMemory::holds(const WindowDraw& draw, std::vector<Rect>& repairs) {
    repairs.clear();
    bool held = false;
    for (Held& h : held_) {
        if (draw.copy && h.draw == draw) {
            held = true;
            repairs.swap(h.damage);
            continue;
        }
        Rect over = common(h.draw.box, draw.box);
        if (empty(over)) continue;
        if (draw.copy && over == h.draw.box) {
            h.draw.copy = false;  // wholly replaced: forgotten below
            continue;
        }
        h.damage.push_back(over);
        if (h.damage.size() > kMostDamage) h.damage = {bound(h.damage)};
    }
    std::erase_if(held_, [](const Held& h) { return !h.draw.copy; });
    if (!held && draw.copy && !empty(draw.box)) {
        if (held_.size() == kMostHeld) held_.erase(held_.begin());
        held_.push_back({draw, {}});
    }
    return held;
}

}  // namespace media::detail
