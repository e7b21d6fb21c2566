// The game's fixed numbers: sizes, colours, fonts and where the holes are.
#pragma once

#include <array>

#include "media/geometry.hpp"

namespace molvane {

struct Size {
    int width;
    int height;
};

inline constexpr Size WINDOW_SIZE{600, 680};
// The HUD strip across the top of the window, above the board.
inline constexpr Size COUNT_BOARD_SIZE{600, 80};

inline constexpr media::Color WHITE{255, 255, 255};
inline constexpr media::Color RED{255, 0, 0};

// Top-left corners of the nine holes, row by row from the top, left to right.
// clang-format off
inline constexpr std::array<media::Pos, 9> POS_LIST{{
    {0, 80}, {200, 80}, {400, 80},
    {0, 280}, {200, 280}, {400, 280},
    {0, 480}, {200, 480}, {400, 480},
}};
// clang-format on

struct FontSpec {
    const char* family;
    int size;
    bool bold;
};

inline constexpr FontSpec FONT_LEVEL_SPEC{"黑体", 40, false};
inline constexpr FontSpec FONT_TIMER_SPEC{"Courier", 60, true};
inline constexpr FontSpec FONT_READY_SPEC{"Courier", 200, true};

inline constexpr const char* WINDOW_TITLE = "Molvane";

}  // namespace molvane
