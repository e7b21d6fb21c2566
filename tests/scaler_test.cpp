// The frame drawn into a window of another size: where it lands, and that a
// change drawn alone gives the pixels the whole frame drawn again would.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "media/scaler.hpp"

namespace {

using media::Rect;
using media::detail::changed_box;
using media::detail::Fit;
using media::detail::fit_frame;
using media::detail::Pixels;
using media::detail::Scaler;

struct Image {
    Image(int w, int h, std::uint32_t fill = 0) : data(std::size_t(w) * std::size_t(h), fill), width(w), height(h) {}
    Pixels pixels() { return {data.data(), width, height, width}; }
    std::uint32_t& at(int x, int y) { return data[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    std::vector<std::uint32_t> data;
    int width;
    int height;
};

Image noise(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    Image image(w, h);
    for (auto& pixel : image.data) pixel = random() & 0x00FFFFFFu;
    return image;
}

TEST(FitFrame, KeepsTheProportionsCentredAndGrowsByWholeFactorsWhenTheyFit) {
    // The window as tall as the frame and 20 pixels more: the frame at its
    // own size, a 10-pixel bar above and below.
    EXPECT_EQ(fit_frame(600, 680, 600, 700), (Fit{{0, 10, 600, 680}, true}));
    EXPECT_EQ(fit_frame(600, 680, 600, 680), (Fit{{0, 0, 600, 680}, true}));
    // Twice the size exactly, and a little more: twice, centred.
    EXPECT_EQ(fit_frame(600, 680, 1200, 1360), (Fit{{0, 0, 1200, 1360}, true}));
    EXPECT_EQ(fit_frame(600, 680, 1210, 1380), (Fit{{5, 10, 1200, 1360}, true}));
    // Fullscreen on 1920 x 1080: 1.59 times, as tall as the screen.
    EXPECT_EQ(fit_frame(600, 680, 1920, 1080), (Fit{{483, 0, 953, 1080}, false}));
    // Smaller than the frame: shrunk to the screen's height.
    EXPECT_EQ(fit_frame(600, 680, 800, 600), (Fit{{135, 0, 529, 600}, false}));
    // Wide and low, or narrow and tall: the narrow side decides.
    EXPECT_EQ(fit_frame(600, 680, 300, 1000), (Fit{{0, 330, 300, 340}, false}));
}

TEST(Scaler, AWholeFactorMakesEachPixelASquareOfItsOwnColour) {
    Image frame = noise(6, 4, 1);
    Fit fit{{1, 1, 18, 12}, true};  // three times, a bar of 1 around
    Image window(20, 14, 0xDEADBEEF);
    Rect drawn = Scaler(6, 4, fit).draw(frame.pixels(), window.pixels(), {0, 0, 6, 4});
    EXPECT_EQ(drawn, (Rect{1, 1, 18, 12}));
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 20; ++x) {
            bool inside = x >= 1 && x < 19 && y >= 1 && y < 13;
            std::uint32_t want = inside ? frame.at((x - 1) / 3, (y - 1) / 3) : 0xDEADBEEF;
            ASSERT_EQ(window.at(x, y), want) << x << ", " << y;
        }
}

TEST(Scaler, SmoothScalingBlendsNeighboursChannelByChannel) {
    // One colour stays that colour, at any factor.
    Image plain(7, 5, 0x00C08040);
    Fit odd = fit_frame(7, 5, 17, 12);
    ASSERT_FALSE(odd.whole);
    Image window(17, 12);
    Scaler(7, 5, odd).draw(plain.pixels(), window.pixels(), {0, 0, 7, 5});
    for (int y = odd.shown.y; y < odd.shown.y + odd.shown.h; ++y)
        for (int x = odd.shown.x; x < odd.shown.x + odd.shown.w; ++x) ASSERT_EQ(window.at(x, y), 0x00C08040u);

    // Black beside white, 1.5 times: each channel rises from one to the
    // other, never beyond, and the channels never bleed into each other.
    Image edge(2, 1);
    edge.at(0, 0) = 0x00000000;
    edge.at(1, 0) = 0x00FFFFFF;
    Fit wider{{0, 0, 3, 1}, false};
    Image row(3, 1);
    Scaler(2, 1, wider).draw(edge.pixels(), row.pixels(), {0, 0, 2, 1});
    EXPECT_EQ(row.at(0, 0), 0x00000000u);
    EXPECT_EQ(row.at(2, 0), 0x00FFFFFFu);
    std::uint32_t middle = row.at(1, 0);
    std::uint32_t blue = middle & 0xFF, green = middle >> 8 & 0xFF, red = middle >> 16 & 0xFF;
    EXPECT_EQ(blue, green);
    EXPECT_EQ(green, red);
    EXPECT_NEAR(double(blue), 127.5, 1);
    EXPECT_EQ(middle >> 24, 0u);
}

TEST(Scaler, DrawingOnlyWhatChangedGivesThePixelsOfDrawingTheWhole) {
    for (Fit fit : {fit_frame(60, 68, 192, 108), fit_frame(60, 68, 120, 140), fit_frame(60, 68, 50, 47)}) {
        Scaler scaler(60, 68, fit);
        Image frame = noise(60, 68, 2);
        Image shown(192, 140), again(192, 140);
        scaler.draw(frame.pixels(), shown.pixels(), {0, 0, 60, 68});
        for (Rect change : {Rect{0, 0, 1, 1}, Rect{59, 67, 1, 1}, Rect{20, 30, 7, 3}, Rect{0, 40, 60, 2}}) {
            Image before = frame;
            for (int y = change.y; y < change.y + change.h; ++y)
                for (int x = change.x; x < change.x + change.w; ++x) frame.at(x, y) ^= 0x00A5A5A5;
            Rect changed = changed_box(frame.pixels(), before.pixels());
            EXPECT_EQ(changed, change);
            scaler.draw(frame.pixels(), shown.pixels(), changed);
            scaler.draw(frame.pixels(), again.pixels(), {0, 0, 60, 68});
            ASSERT_EQ(shown.data, again.data) << "after a change at " << change.x << ", " << change.y << " in a "
                                              << fit.shown.w << " x " << fit.shown.h << " frame";
        }
    }
}

TEST(ChangedBox, BoundsEveryPixelThatDiffers) {
    Image before = noise(40, 30, 3), now = before;
    EXPECT_EQ(changed_box(now.pixels(), before.pixels()), (Rect{}));
    now.at(39, 0) ^= 1;
    EXPECT_EQ(changed_box(now.pixels(), before.pixels()), (Rect{39, 0, 1, 1}));
    now.at(3, 20) ^= 0x100;
    EXPECT_EQ(changed_box(now.pixels(), before.pixels()), (Rect{3, 0, 37, 21}));
    // Rows apart from each other in memory: only the pixels count.
    Image padded(50, 30, 7);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) padded.at(x, y) = before.at(x, y);
    Pixels strided{padded.data.data(), 40, 30, 50};
    EXPECT_EQ(changed_box(strided, before.pixels()), (Rect{}));
}

}  // namespace
