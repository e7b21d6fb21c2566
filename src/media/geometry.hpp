// Positions, colours and rectangles: the small value types every drawing uses.
#pragma once

#include <cmath>
#include <cstdint>

namespace media {

// A drawing position in window pixels. Centring halves sizes exactly, so a
// position can carry half a pixel; see `to_pixel` for how it is drawn.
struct Pos {
    double x = 0;
    double y = 0;
    friend bool operator==(const Pos&, const Pos&) = default;
};

// The one rule that turns a position carrying a half pixel into a whole
// pixel: round down (towards minus infinity). A bat centred on x = 100 with a
// 41-pixel picture lands at 79.5 and is drawn at 79; -0.5 is drawn at -1.
inline int to_pixel(double coordinate) { return static_cast<int>(std::floor(coordinate)); }

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

// A rectangle in window pixels, placed by its top-left corner.
struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    // True when the point lies inside: the left and top edges belong to the
    // rectangle, the right and bottom edges do not.
    bool collidepoint(Pos point) const { return point.x >= x && point.x < x + w && point.y >= y && point.y < y + h; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace media
