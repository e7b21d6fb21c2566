// The media layer's shortcuts change how fast a frame is drawn, not what is
// shown: pictures converted to the window's format draw the same colours, and
// a game drawn with cached texts and without the copies the window already
// holds shows the same pixels frame by frame as one drawn afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/display.hpp"
#include "media/text_cache.hpp"
#include "media/window_memory.hpp"
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

// Which copies the window holds, and what of them must be drawn again.
TEST(FrameShortcuts, TheWindowHoldsACopyUntilItIsDrawnOver) {
    using media::Rect;
    using media::detail::WindowDraw;
    const WindowDraw board{1, 0, 0, {0, 0, 600, 80}, true};
    const WindowDraw rabbit{2, 0, 80, {0, 80, 200, 200}, true};
    const WindowDraw text{3, 250, 20, {250, 20, 100, 40}, false};
    const WindowDraw bat{4, 150, 250, {150, 250, 96, 96}, false};
    std::vector<Rect> repairs;
    media::detail::WindowMemory window;
    EXPECT_FALSE(window.holds(board, repairs));
    EXPECT_FALSE(window.holds(rabbit, repairs));
    EXPECT_FALSE(window.holds(text, repairs));  // a blend is never held
    EXPECT_FALSE(window.holds(text, repairs));
    EXPECT_FALSE(window.holds(bat, repairs));
    // Held, but for what the text and the bat drew over.
    EXPECT_TRUE(window.holds(board, repairs));
    EXPECT_EQ(repairs, (std::vector<Rect>{{250, 20, 100, 40}, {250, 20, 100, 40}}));
    EXPECT_TRUE(window.holds(rabbit, repairs));
    EXPECT_EQ(repairs, (std::vector<Rect>{{150, 250, 50, 30}}));
    EXPECT_TRUE(window.holds(rabbit, repairs));
    EXPECT_TRUE(repairs.empty());

    WindowDraw crying = rabbit;
    crying.stamp = 5;  // the same place, other pixels
    EXPECT_FALSE(window.holds(crying, repairs));
    EXPECT_FALSE(window.holds(rabbit, repairs));  // replaced by the crying rabbit
    WindowDraw cut = rabbit;
    cut.x = -10;  // the same part of the window, another part of the picture
    cut.box = {0, 80, 190, 200};
    EXPECT_FALSE(window.holds(cut, repairs));
    EXPECT_TRUE(window.holds(board, repairs));  // nothing drew over it since
    EXPECT_TRUE(repairs.empty());

    window.forget();
    EXPECT_FALSE(window.holds(board, repairs));
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
