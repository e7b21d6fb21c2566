// The media layer's shortcuts change how fast a frame is drawn and shown, not
// what is shown: pictures converted to the window's format draw the same
// colours, a level drawn with cached texts and left-out copies shows the same
// pixels frame by frame as one drawn afresh, and each flip pushes every pixel
// that changed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/dirty_rects.hpp"
#include "media/text_cache.hpp"
#include "players.hpp"
#include "screens/screens.hpp"
#include "shell/asset_files.hpp"
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
    DrawnRect bat_moved = bat_draw;
    bat_moved.box.x = 400;
    const std::vector<Case> cases{
        {"the same opaque frame", {board_draw, rabbit_draw}, {board_draw, rabbit_draw}, {}},
        {"a translucent draw always counts", {board_draw, bat_draw}, {board_draw, bat_draw}, {bat_draw.box}},
        {"a changed picture, both places", {rabbit_draw}, {rabbit_cries}, {rabbit_draw.box}},
        {"a moved bat: both places, apart", {bat_draw}, {bat_moved}, {bat_draw.box, bat_moved.box}},
        {"a draw more or less", {board_draw}, {board_draw, rabbit_draw}, {rabbit_draw.box}},
        {"an overlapping pair is one box", {}, {rabbit_draw, bat_draw}, {{0, 80, 200, 200}}},
    };
    for (const Case& c : cases) EXPECT_EQ(media::detail::changed_boxes(c.previous, c.current), c.changed) << c.what;

    // A copy is left out only where the window still holds it.
    EXPECT_TRUE(media::detail::still_shown(rabbit_draw, {rabbit_draw}, {}));
    EXPECT_FALSE(media::detail::still_shown(rabbit_draw, {rabbit_draw, bat_draw}, {}));          // the bat covered it
    EXPECT_FALSE(media::detail::still_shown(rabbit_draw, {board_draw}, {}));                     // another draw there
    EXPECT_FALSE(media::detail::still_shown(bat_draw, {bat_draw}, {}));                          // blends, not copies
    EXPECT_FALSE(media::detail::still_shown(rabbit_draw, {bat_draw, rabbit_draw}, {bat_draw}));  // drawn over already
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
