// The media layer's shortcuts change how fast a frame is drawn, not what is
// shown: pictures converted to the window's format draw the same colours, and
// a level drawn with cached texts shows the same pixels frame by frame as one
// whose texts are rendered afresh.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/text_cache.hpp"
#include "players.hpp"
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
    media::testing::set_text_cache(false);
    std::vector<std::uint64_t> plain;
    play_level([&] { plain.push_back(fingerprint(pixels(molvane::SCREEN))); });
    media::testing::set_text_cache(true);

    // 181 countdown frames, the pause's frame and 1800 frames of play.
    ASSERT_EQ(fast.size(), 181u + 1u + 1800u);
    ASSERT_EQ(plain.size(), fast.size());
    for (std::size_t frame = 0; frame < fast.size(); ++frame)
        ASSERT_EQ(fast[frame], plain[frame]) << "frame " << frame + 1 << " differs";
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
