// The media layer's shortcuts change how fast a frame is drawn and shown, not
// what is shown: pictures converted to the window's format draw the same
// colours, a draw cut into pieces draws the same pixels as one whole draw, a
// game drawn with cached texts and only where each frame changed shows the
// same pixels frame by frame as one drawn afresh, and each flip pushes every
// pixel that changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/dirty_rects.hpp"
#include "media/display.hpp"
#include "media/text_cache.hpp"
#include "players.hpp"
#include "random_player.hpp"
#include "screens/screens.hpp"
#include "shell/asset_files.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"

namespace {

using media::testing::pixels;

// One level with a striking player and one pause (space at play frames 300
// and, during the pause, at the pause's second wait), a picture of every
// frame shown: its pixels, or only what a check of them gives.
template <typename OnFlip>
void play_level(OnFlip on_flip) {
    molvane::seed_random(7);
    molvane::STATE = "main";
    players::Striker striker;
    harness::Script script;
    script.at(players::play_fetch(300), {harness::key_down(media::K_SPACE)})
        .at(players::play_fetch(300) + 2, {harness::key_down(media::K_SPACE)})
        .each([&](long, media::testing::Input& input) { striker.play(input); });
    media::testing::on_flip(on_flip);
    molvane::game_main();
    media::testing::on_flip(nullptr);
}

std::uint64_t fingerprint(const std::vector<std::uint32_t>& frame) {
    std::uint64_t hash = 1469598103934665603ULL;
    for (std::uint32_t pixel : frame) hash = (hash ^ pixel) * 1099511628211ULL;
    return hash;
}

TEST(FrameShortcuts, ALevelShowsTheSamePixelsWithAndWithoutThem) {
    harness::start_game();
    std::vector<std::uint64_t> fast;
    play_level([&] { fast.push_back(fingerprint(pixels(molvane::SCREEN))); });
    harness::reset_game_state();
    media::testing::set_shortcuts(false);
    std::vector<std::uint64_t> plain;
    play_level([&] { plain.push_back(fingerprint(pixels(molvane::SCREEN))); });
    media::testing::set_shortcuts(true);

    // 181 countdown frames, the pause's frame and 1800 frames of play.
    ASSERT_EQ(fast.size(), 181u + 1u + 1800u);
    ASSERT_EQ(plain.size(), fast.size());
    for (std::size_t frame = 0; frame < fast.size(); ++frame)
        ASSERT_EQ(fast[frame], plain[frame]) << "frame " << frame + 1 << " differs";
}

// A whole game with a player who moves the pointer at every frame, over the
// holes, the HUD strip, the window's edges and far outside, and presses
// buttons and keys at random: the bat moves, cut at every edge, over every
// part of the window, on the title, in the countdown, in play, in the pause
// and on the game-over screen.
std::vector<std::uint64_t> random_game(bool shortcuts) {
    harness::reset_game_state();
    media::testing::set_shortcuts(shortcuts);
    molvane::seed_random(11);
    molvane::STATE = "start";
    players::RandomPlayer player(5, 3, 3);
    harness::Script script;
    script.each([&](long, media::testing::Input& input) { player.play(input); });
    std::vector<std::uint64_t> frames;
    media::testing::on_flip([&] { frames.push_back(fingerprint(pixels(molvane::SCREEN))); });
    std::vector<std::string> screens = players::play_one_game([] {}, 8);
    media::testing::on_flip(nullptr);
    media::testing::set_shortcuts(true);
    EXPECT_EQ(screens.back(), "end") << "the game did not end";
    return frames;
}

TEST(FrameShortcuts, AGameWithThePointerEverywhereShowsTheSamePixelsWithAndWithoutThem) {
    harness::start_game();
    std::vector<std::uint64_t> fast = random_game(true);
    std::vector<std::uint64_t> plain = random_game(false);
    ASSERT_GT(fast.size(), 1000u);
    ASSERT_EQ(plain.size(), fast.size());
    for (std::size_t frame = 0; frame < fast.size(); ++frame)
        ASSERT_EQ(fast[frame], plain[frame]) << "frame " << frame + 1 << " differs";
}

// The window's pixels read in the middle of a frame, a picture drawn onto the
// window and changed before the flip, and the window drawn onto a picture:
// each shows what drawing every picture at once would show.
TEST(FrameShortcuts, TheWindowReadInTheMiddleOfAFrameHoldsWhatWasDrawnSoFar) {
    harness::start_game();
    auto frames = [](bool shortcuts) {
        media::testing::set_shortcuts(shortcuts);
        std::vector<std::vector<std::uint32_t>> seen;
        media::Surface& window = molvane::SCREEN;
        media::Surface canvas(120, 90);
        media::Surface copy(600, 680);
        for (int frame = 0; frame < 4; ++frame) {
            window.blit(molvane::START_PIC, {0, 0});
            window.blit(canvas, {30.0 + frame, 200});
            window.blit(molvane::MOUSE_READY, {100.0 + 7 * frame, 120});
            if (frame == 1) seen.push_back({window.get_at(140 + 7 * frame, 160).r});
            // The canvas changes after it was drawn: the window shows it as it was.
            canvas.blit(molvane::LIFE_PIC, {5.0 * frame, 3.0 * frame});
            window.blit(molvane::RABBIT_POSE, {400, 80});
            if (frame == 2) {
                copy.blit(window, {0, 0});
                seen.push_back(pixels(copy));
            }
            window.blit(molvane::MOUSE_HIT, {380.0, 60.0 + frame});
            media::display::flip();
            seen.push_back(pixels(window));
        }
        seen.push_back(pixels(canvas));
        media::testing::set_shortcuts(true);
        return seen;
    };
    std::vector<std::vector<std::uint32_t>> fast = frames(true);
    std::vector<std::vector<std::uint32_t>> plain = frames(false);
    ASSERT_EQ(fast.size(), plain.size());
    for (std::size_t i = 0; i < fast.size(); ++i) EXPECT_TRUE(fast[i] == plain[i]) << "look " << i << " differs";
}

// A blend with nothing opaque beneath it, drawn again at the same place,
// blends again over what the window holds: frame after frame the bat's
// shadow darkens where no rabbit lies under it.
TEST(FrameShortcuts, ABlendRepeatedOverNothingOpaqueBlendsAgainEachFrame) {
    harness::start_game();
    auto frames = [](bool shortcuts) {
        media::testing::set_shortcuts(shortcuts);
        std::vector<std::vector<std::uint32_t>> seen;
        media::Surface& window = molvane::SCREEN;
        window.blit(molvane::START_PIC, {0, 0});
        media::display::flip();
        for (int frame = 0; frame < 5; ++frame) {
            window.blit(molvane::RABBIT_EMPTY, {200, 280});
            window.blit(molvane::MOUSE_READY, {150, 230});
            window.blit(molvane::LIFE_PIC, {370, 460});
            media::display::flip();
            seen.push_back(pixels(window));
        }
        media::testing::set_shortcuts(true);
        return seen;
    };
    std::vector<std::vector<std::uint32_t>> fast = frames(true);
    std::vector<std::vector<std::uint32_t>> plain = frames(false);
    ASSERT_EQ(fast.size(), plain.size());
    for (std::size_t i = 0; i < fast.size(); ++i) EXPECT_TRUE(fast[i] == plain[i]) << "frame " << i + 1 << " differs";
    EXPECT_FALSE(plain.front() == plain.back()) << "the blend did not darken: the check proves nothing";
}

// The flip draws a frame inside the changed boxes only, one piece at a time.
// Each pixel must come out as one whole draw makes it, for every kind of
// picture the game draws (JPEGs in the window's format, the PNGs' and the
// texts' alpha, the JPEGs as decoded), wherever the cuts fall and wherever
// the picture lies, cut by the edges or not.
TEST(FrameShortcuts, ADrawCutIntoPiecesDrawsTheSamePixelsAsOneWholeDraw) {
    harness::start_game();
    molvane::UnpackedAssets files(assets::DATA);
    const std::vector<std::pair<std::string, media::Surface>> pictures{
        {"rabbit", molvane::RABBIT_POSE},
        {"bat", molvane::MOUSE_READY},
        {"striking bat", molvane::MOUSE_HIT},
        {"life", molvane::LIFE_PIC},
        {"clock", molvane::FONT_TIMER.render("29:07", true, molvane::WHITE)},
        {"level", molvane::FONT_LEVEL.render("Level: 3", true, molvane::WHITE)},
        {"countdown", molvane::FONT_READY.render("2", true, molvane::RED)},
        {"jagged text", molvane::FONT_LEVEL.render(" X 4", false, molvane::WHITE)},
        {"decoded JPEG", media::testing::load_as_decoded(files.path("image_cry.jpg"))},
        {"decoded PNG", media::testing::load_as_decoded(files.path("image_hit.png"))},
    };
    std::mt19937 rng(2024);
    const int width = 600;
    const int height = 680;
    for (const auto& [name, picture] : pictures) {
        for (int placing = 0; placing < 12; ++placing) {
            int w = picture.get_width();
            int h = picture.get_height();
            media::Pos at{double(std::uniform_int_distribution<int>(-w, width)(rng)),
                          double(std::uniform_int_distribution<int>(-h, height)(rng))};
            // Cuts through the picture and around it, at random: the window
            // as a grid of boxes, each drawn into on its own.
            std::vector<int> xs{0, width};
            std::vector<int> ys{0, height};
            for (int cut = 0; cut < 4; ++cut) {
                xs.push_back(std::uniform_int_distribution<int>(int(at.x), int(at.x) + w)(rng));
                ys.push_back(std::uniform_int_distribution<int>(int(at.y), int(at.y) + h)(rng));
            }
            for (auto* cuts : {&xs, &ys}) {
                for (int& c : *cuts) c = std::clamp(c, 0, cuts == &xs ? width : height);
                std::sort(cuts->begin(), cuts->end());
                cuts->erase(std::unique(cuts->begin(), cuts->end()), cuts->end());
            }
            media::Surface whole(width, height);
            media::Surface pieces(width, height);
            for (media::Surface* canvas : {&whole, &pieces}) canvas->blit(molvane::START_PIC, {0, 0});
            whole.blit(picture, at);
            for (std::size_t i = 0; i + 1 < xs.size(); ++i)
                for (std::size_t j = 0; j + 1 < ys.size(); ++j)
                    media::testing::blit_inside(pieces, picture, at,
                                                {xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]});
            ASSERT_TRUE(pixels(whole) == pixels(pieces)) << name << " at " << at.x << ", " << at.y;
        }
    }
}

TEST(FrameShortcuts, EveryFlipPushesEveryPixelThatChanged) {
    harness::start_game();
    std::vector<std::uint32_t> shown = pixels(molvane::SCREEN);
    const int width = molvane::SCREEN.get_width();
    long frames = 0;
    long pushed_pixels = 0;
    play_level([&] {
        std::vector<std::uint32_t> now = pixels(molvane::SCREEN);
        std::vector<media::Rect> pushed = media::testing::pushed_by_last_flip();
        for (const media::Rect& r : pushed) pushed_pixels += static_cast<long>(r.w) * r.h;
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i] == shown[i]) continue;
            media::Pos at{static_cast<double>(static_cast<int>(i) % width),
                          static_cast<double>(static_cast<int>(i) / width)};
            bool inside = false;
            for (const media::Rect& r : pushed) inside = inside || r.collidepoint(at);
            ASSERT_TRUE(inside) << "pixel (" << at.x << ", " << at.y << ") changed at frame " << frames + 1
                                << " but was not pushed";
        }
        shown = std::move(now);
        ++frames;
    });
    // The point of it: far less than the whole window a frame on average.
    long window = static_cast<long>(shown.size());
    EXPECT_LT(pushed_pixels / frames, window / 4);
}

// Pictures converted to the window's format draw exactly the colours the
// pictures as decoded draw, the PNGs' alpha blended the same over a busy
// background (the title picture).
TEST(FrameShortcuts, ConvertedPicturesDrawTheColoursOfTheDecodedOnes) {
    harness::start_game();
    molvane::UnpackedAssets files(assets::DATA);
    const std::vector<std::pair<std::string, media::Surface>> pictures{
        {"image_empty.jpg", molvane::RABBIT_EMPTY}, {"image_pose.jpg", molvane::RABBIT_POSE},
        {"image_cry.jpg", molvane::RABBIT_CRY},     {"image_cool.jpg", molvane::RABBIT_COOL},
        {"image_heart.jpg", molvane::RABBIT_HEART}, {"image_ready.png", molvane::MOUSE_READY},
        {"image_hit.png", molvane::MOUSE_HIT},      {"image_life.png", molvane::LIFE_PIC},
        {"image_start.jpg", molvane::START_PIC},    {"image_end.jpg", molvane::END_PIC},
        {"image_win.jpg", molvane::WIN_PIC}};
    for (const auto& [name, converted] : pictures) {
        media::Surface decoded = media::testing::load_as_decoded(files.path(name));
        media::Surface a(600, 680);
        media::Surface b(600, 680);
        for (media::Surface* canvas : {&a, &b}) canvas->blit(molvane::START_PIC, {0, 0});
        a.blit(converted, {37, 51});
        b.blit(decoded, {37, 51});
        EXPECT_EQ(pixels(a), pixels(b)) << name;
    }
}

// changed_boxes on small hand-made frames: which draws count as changed.
TEST(FrameShortcuts, ChangedBoxesKeepOutOnlyTheSameOpaqueDraws) {
    using media::detail::Box;
    using media::detail::DrawnRect;
    int board = 0;
    int rabbit = 0;
    int bat = 0;
    const DrawnRect board_draw{&board, 1, {0, 0, 600, 80}, true};
    const DrawnRect rabbit_draw{&rabbit, 1, {0, 80, 200, 200}, true};
    const DrawnRect bat_draw{&bat, 1, {50, 100, 96, 96}, false};
    struct Case {
        const char* what;
        std::vector<DrawnRect> previous;
        std::vector<DrawnRect> current;
        std::vector<Box> changed;
    };
    DrawnRect rabbit_cries = rabbit_draw;
    rabbit_cries.version = 2;  // the same picture, drawn onto since
    DrawnRect bat_on_strip = bat_draw;
    bat_on_strip.box.y = 40;
    DrawnRect bat_moved = bat_draw;
    bat_moved.box.x = 400;
    const std::vector<Case> cases{
        {"the same opaque frame", {board_draw, rabbit_draw}, {board_draw, rabbit_draw}, {}},
        {"a translucent draw always counts", {board_draw, bat_draw}, {board_draw, bat_draw}, {bat_draw.box}},
        {"a changed picture, both places", {rabbit_draw}, {rabbit_cries}, {rabbit_draw.box}},
        {"a moved bat: both places, apart", {bat_draw}, {bat_moved}, {bat_draw.box, bat_moved.box}},
        {"a draw more or less", {board_draw}, {board_draw, rabbit_draw}, {rabbit_draw.box}},
        {"an overlapping pair is one box", {}, {rabbit_draw, bat_draw}, {{0, 80, 200, 200}}},
        {"the same blend over the same opaque draw", {rabbit_draw, bat_draw}, {rabbit_draw, bat_draw}, {}},
        {"the same blend over a changed opaque draw",
         {rabbit_draw, bat_draw},
         {rabbit_cries, bat_draw},
         {rabbit_draw.box}},
        {"the same blend, partly over the same opaque draw",
         {board_draw, bat_on_strip},
         {board_draw, bat_on_strip},
         {{50, 80, 96, 56}}},
        {"the same blend beneath the same opaque draw", {bat_draw, rabbit_draw}, {bat_draw, rabbit_draw}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(media::detail::changed_boxes(c.previous, c.current), c.changed) << c.what;

    // A copy is left out only where the window still holds it.
    EXPECT_TRUE(media::detail::still_shown(rabbit_draw, {rabbit_draw}, {}));
    EXPECT_FALSE(media::detail::still_shown(rabbit_draw, {rabbit_draw, bat_draw}, {}));          // the bat covered it
    EXPECT_FALSE(media::detail::still_shown(rabbit_draw, {board_draw}, {}));                     // another draw there
    EXPECT_FALSE(media::detail::still_shown(bat_draw, {bat_draw}, {}));                          // blends, not copies
    EXPECT_FALSE(media::detail::still_shown(rabbit_draw, {bat_draw, rabbit_draw}, {bat_draw}));  // drawn over already
}

// The part of a box the holes leave, and boxes made apart: every pixel of
// the box that no hole covers once, and no other.
TEST(FrameShortcuts, BoxesCutByHolesAndMadeApartKeepEachPixelOnce) {
    using media::detail::Box;
    auto count = [](const std::vector<Box>& boxes, int width, int height) {
        std::vector<int> times(static_cast<std::size_t>(width * height));
        for (const Box& b : boxes)
            for (int y = b.y; y < b.y + b.h; ++y)
                for (int x = b.x; x < b.x + b.w; ++x) ++times[static_cast<std::size_t>(y * width + x)];
        return times;
    };
    auto inside = [](const Box& b, int x, int y) { return x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h; };
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> place(0, 50);
    std::uniform_int_distribution<int> size(0, 25);
    for (int round = 0; round < 200; ++round) {
        std::vector<Box> boxes;
        for (int i = 0; i < 5; ++i) boxes.push_back({place(rng), place(rng), size(rng), size(rng)});
        Box box = boxes.back();
        boxes.pop_back();

        std::vector<int> left = count(media::detail::uncovered(box, boxes), 80, 80);
        std::vector<int> together = count(media::detail::apart(boxes), 80, 80);
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 80; ++x) {
                bool in_a_hole = false;
                for (const Box& hole : boxes) in_a_hole = in_a_hole || inside(hole, x, y);
                int want_left = inside(box, x, y) && !in_a_hole ? 1 : 0;
                ASSERT_EQ(left[static_cast<std::size_t>(y * 80 + x)], want_left) << "round " << round;
                ASSERT_EQ(together[static_cast<std::size_t>(y * 80 + x)], in_a_hole ? 1 : 0) << "round " << round;
            }
    }
}

TEST(FrameShortcuts, TheTextCacheKeepsTheMostRecentTexts) {
    harness::start_game();
    media::detail::TextCache cache(2);
    const media::Color white{255, 255, 255};
    const media::Color red{255, 0, 0};
    media::Surface level = molvane::FONT_LEVEL.render("Level: 1", true, white);
    cache.keep("Level: 1", true, white, level);
    cache.keep("30:00", true, white, molvane::FONT_TIMER.render("30:00", true, white));
    EXPECT_EQ(cache.find("Level: 1", true, white), level);  // now the most recent
    EXPECT_FALSE(cache.find("Level: 1", true, red));
    EXPECT_FALSE(cache.find("Level: 1", false, white));
    cache.keep("29:59", true, white, molvane::FONT_TIMER.render("29:59", true, white));
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_TRUE(cache.find("Level: 1", true, white));
    EXPECT_FALSE(cache.find("30:00", true, white));  // the least recent went
}

}  // namespace
