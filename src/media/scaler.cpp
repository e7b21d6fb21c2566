#include "media/scaler.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace media::detail {

Fit fit_frame(int frame_w, int frame_h, int window_w, int window_h) {
    double factor = std::min(double(window_w) / frame_w, double(window_h) / frame_h);
    double whole = std::floor(factor);
    Fit fit;
    fit.whole = whole >= 1 && factor < whole * 1.02;
    if (fit.whole) factor = whole;
    int w = fit.whole ? frame_w * int(whole) : std::max(1, int(std::lround(frame_w * factor)));
    int h = fit.whole ? frame_h * int(whole) : std::max(1, int(std::lround(frame_h * factor)));
    w = std::min(w, window_w);
    h = std::min(h, window_h);
    fit.shown = {(window_w - w) / 2, (window_h - h) / 2, w, h};
    return fit;
}

Scaler::Scaler(int frame_w, int frame_h, const Fit& fit)
    : fit_(fit), columns_(taps(frame_w, fit.shown.w, fit.whole)), rows_(taps(frame_h, fit.shown.h, fit.whole)) {}

std::vector<Scaler::Tap> Scaler::taps(int frame_size, int shown_size, bool whole) {
    std::vector<Tap> out(std::size_t(std::max(shown_size, 0)));
    for (int i = 0; i < shown_size; ++i) {
        Tap& tap = out[std::size_t(i)];
        if (whole) {
            tap.from = tap.to = i * frame_size / shown_size;
            continue;
        }
        // The centre of window pixel i, in frame pixels, measured from the
        // centre of frame pixel 0.
        double at = (i + 0.5) * frame_size / shown_size - 0.5;
        at = std::clamp(at, 0.0, double(frame_size - 1));
        tap.from = int(at);
        tap.to = std::min(tap.from + 1, frame_size - 1);
        tap.weight = std::uint32_t(std::lround((at - tap.from) * 256));
        if (tap.weight == 256) tap.from = tap.to, tap.weight = 0;
    }
    return out;
}

void Scaler::reach(const std::vector<Tap>& taps, int first, int last, int& begin, int& end) {
    begin = 0;
    while (begin < int(taps.size()) && taps[std::size_t(begin)].to < first) ++begin;
    end = begin;
    while (end < int(taps.size()) && taps[std::size_t(end)].from <= last) ++end;
}

namespace {

// `weight` 256ths of the way from a to b, in each 8-bit channel at once:
// two channels a word, each with 8 bits of room above it.
inline std::uint32_t blend(std::uint32_t a, std::uint32_t b, std::uint32_t weight) {
    std::uint32_t keep = 256 - weight;
    std::uint32_t odd = ((a & 0x00FF00FFu) * keep + (b & 0x00FF00FFu) * weight) >> 8 & 0x00FF00FFu;
    std::uint32_t even = ((a >> 8 & 0x00FF00FFu) * keep + (b >> 8 & 0x00FF00FFu) * weight) & 0xFF00FF00u;
    return odd | even;
}

}  // namespace

Rect Scaler::draw(const Pixels& frame, const Pixels& window, const Rect& changed) const {
    if (changed.w <= 0 || changed.h <= 0) return {};
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    reach(columns_, changed.x, changed.x + changed.w - 1, x0, x1);
    reach(rows_, changed.y, changed.y + changed.h - 1, y0, y1);
    for (int y = y0; y < y1; ++y) {
        const Tap& row = rows_[std::size_t(y)];
        const std::uint32_t* upper = frame.data + std::ptrdiff_t(row.from) * frame.stride;
        const std::uint32_t* lower = frame.data + std::ptrdiff_t(row.to) * frame.stride;
        std::uint32_t* out = window.data + std::ptrdiff_t(fit_.shown.y + y) * window.stride + fit_.shown.x;
        if (fit_.whole) {
            for (int x = x0; x < x1; ++x) out[x] = upper[columns_[std::size_t(x)].from];
            continue;
        }
        for (int x = x0; x < x1; ++x) {
            const Tap& column = columns_[std::size_t(x)];
            std::uint32_t top = blend(upper[column.from], upper[column.to], column.weight);
            std::uint32_t bottom = blend(lower[column.from], lower[column.to], column.weight);
            out[x] = blend(top, bottom, row.weight);
        }
    }
    if (x0 >= x1 || y0 >= y1) return {};
    return {fit_.shown.x + x0, fit_.shown.y + y0, x1 - x0, y1 - y0};
}

Rect changed_box(const Pixels& frame, const Pixels& before) {
    int left = frame.width, right = -1, top = -1, bottom = -1;
    auto bytes = std::size_t(frame.width) * sizeof(std::uint32_t);
    for (int y = 0; y < frame.height; ++y) {
        const std::uint32_t* now = frame.data + std::ptrdiff_t(y) * frame.stride;
        const std::uint32_t* was = before.data + std::ptrdiff_t(y) * before.stride;
        if (std::memcmp(now, was, bytes) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        int l = 0;
        while (now[l] == was[l]) ++l;
        int r = frame.width - 1;
        while (now[r] == was[r]) --r;
        left = std::min(left, l);
        right = std::max(right, r);
    }
    if (top < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

}  // namespace media::detail
