// The texts keep inside the window whatever fonts the machine has under the
// family names the game asks for: here Courier and 黑体 are DejaVu Sans Mono
// Bold and DejaVu Sans renamed, through a fontconfig configuration of the
// test's own, as wide as those fonts run on a machine that has them. At their
// own sizes the lives text would run past the right edge and PAUSE from edge
// to edge.
//
// The game starts in a fresh copy of the test program (a death test), since
// fontconfig reads its configuration once; the copy writes what it measured
// to a file, and the test checks it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "harness.hpp"
#include "media/testing.hpp"
#include "players.hpp"
#include "screens/hud.hpp"
#include "shared_dir.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/start_up.hpp"

namespace {

namespace fs = std::filesystem;

// A fontconfig configuration that knows two fonts, renamed as they are
// scanned: the monospaced bold one as Courier, the plain one as 黑体.
void write_font_config(const fs::path& dir) {
    fs::create_directories(dir / "fonts");
    fs::create_directories(dir / "cache");
    for (const char* file : {"DejaVuSansMono-Bold.ttf", "DejaVuSans.ttf"})
        if (!fs::exists(dir / "fonts" / file))
            fs::create_symlink(fs::path("/usr/share/fonts/truetype/dejavu") / file, dir / "fonts" / file);
    std::ofstream(dir / "fonts.conf") << R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>)" << (dir / "fonts").string() << R"(</dir>
  <cachedir>)" << (dir / "cache").string()
                                      << R"(</cachedir>
  <match target="scan">
    <test name="family"><string>DejaVu Sans Mono</string></test>
    <edit name="family" mode="assign" binding="same"><string>Courier</string></edit>
  </match>
  <match target="scan">
    <test name="family"><string>DejaVu Sans</string></test>
    <edit name="family" mode="assign" binding="same"><string>黑体</string></edit>
  </match>
</fontconfig>
)";
}

// The box around the pixels of `pixels` (the window, 600 wide) in
// [x0, x1) x [y0, y1) for which `is_ink` holds; w 0 when there are none.
template <typename Ink>
media::Rect ink_box(const std::vector<std::uint32_t>& pixels, int x0, int x1, int y0, int y1, Ink is_ink) {
    int left = x1, top = y1, right = -1, bottom = -1;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (is_ink(pixels[std::size_t(y) * 600 + std::size_t(x)])) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0) return {0, 0, 0, 0};
    return {left, top, right - left + 1, bottom - top + 1};
}

bool white(std::uint32_t c) { return (c & 0xFF) > 128 && (c >> 8 & 0xFF) > 128 && (c >> 16 & 0xFF) > 128; }
bool red(std::uint32_t c) { return (c >> 16 & 0xFF) > 200 && (c >> 8 & 0xFF) < 60 && (c & 0xFF) < 60; }

// In the copy: the game on those fonts; the HUD with ten levels and five
// lives, and the pause, measured.
[[noreturn]] void measure(const fs::path& dir) {
    setenv("FONTCONFIG_FILE", (dir / "fonts.conf").c_str(), 1);
    harness::start_game();
    using namespace molvane;
    std::ofstream out(dir / "measured.txt");
    out << "families " << FONT_TIMER.family() << ' ' << FONT_LEVEL.family() << ' ' << FONT_READY.family() << '\n';
    out << "own_lives_width " << FONT_LEVEL.render(" X 5", true, WHITE).get_width() << '\n';
    out << "own_pause_width " << FONT_READY.render("PAUSE", true, RED).get_width() << '\n';
    out << "own_level_width " << FONT_LEVEL.render("Level: 10", true, WHITE).get_width() << '\n';

    // Where the game drew the word: a picture wider than the window would
    // start left of it.
    media::testing::on_flip([&] {
        for (const auto& draw : media::testing::draws_since_flip())
            if (draw.label == "text:PAUSE") out << "pause_drawn_at " << draw.x << ' ' << draw.y << '\n';
    });
    harness::Script script;
    script.at(1, {harness::key_down(media::K_SPACE)})
        .at(players::play_fetch(10), {harness::key_down(media::K_SPACE)})
        .at(players::play_fetch(10) + 3, {harness::key_down(media::K_SPACE)})
        .at(players::play_fetch(12), {harness::key_down(media::K_ESCAPE)})
        .pointer_at(1, {300, 640})
        .each([&](long fetch, media::testing::Input&) {
            players::quiet_board();
            if (fetch == players::play_fetch(5)) {
                LEVEL = 9;
                HEART = 5;
                refresh_text({"30", "00"});
                auto hud = media::testing::pixels(SCREEN);
                media::Rect lives = ink_box(hud, 530, 600, 0, 80, white);
                media::Rect level = ink_box(hud, 0, 200, 0, 80, white);
                out << "lives " << lives.x << ' ' << lives.y << ' ' << lives.w << ' ' << lives.h << '\n';
                out << "level " << level.x << ' ' << level.y << ' ' << level.w << ' ' << level.h << '\n';
            }
            if (fetch == players::play_fetch(10) + 1) {  // the pause's first wait
                media::Rect pause = ink_box(media::testing::pixels(SCREEN), 0, 600, 100, 600, red);
                out << "pause " << pause.x << ' ' << pause.y << ' ' << pause.w << ' ' << pause.h << '\n';
            }
        });
    run_screen();
    run_screen();
    out.close();
    std::_Exit(0);
}

TEST(TextsFit, WithWideFontsTheLivesAndPauseAreDrawnSmallerInsideTheWindow) {
    harness::SharedDir dir;
    write_font_config(dir.path());
    EXPECT_EXIT(measure(dir.path()), ::testing::ExitedWithCode(0), "");

    std::ifstream in(dir.path() / "measured.txt");
    std::map<std::string, std::vector<std::string>> seen;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string key, word;
        words >> key;
        while (words >> word) seen[key].push_back(word);
    }
    auto number = [&](const std::string& key, std::size_t i) { return std::atoi(seen[key].at(i).c_str()); };
    ASSERT_EQ(seen["families"], (std::vector<std::string>{"Courier", "黑体", "Courier"}))
        << "the fonts were not found under the game's family names: nothing here is tested";
    // As wide as on a machine with such fonts: at their own sizes they would
    // not fit.
    EXPECT_GT(530 + number("own_lives_width", 0), 600);
    EXPECT_GE(number("own_pause_width", 0), 600);

    std::printf("at their own sizes: lives %d wide from x 530, PAUSE %d wide\n", number("own_lives_width", 0),
                number("own_pause_width", 0));
    ASSERT_EQ(seen["lives"].size(), 4u);
    media::Rect lives{number("lives", 0), number("lives", 1), number("lives", 2), number("lives", 3)};
    EXPECT_GE(lives.x, 530);
    EXPECT_LE(lives.x + lives.w, 598) << "the lives text reaches the window's edge";
    EXPECT_GT(lives.w, 25) << "the lives text is drawn too small to read";
    EXPECT_NEAR(lives.y + lives.h / 2.0, 40, 6) << "the lives text is no longer centred on the strip";
    // The level text fitted at its own size and stays so, 20 pixels in.
    ASSERT_EQ(seen["level"].size(), 4u);
    EXPECT_NEAR(number("level", 0), 20, 4);
    EXPECT_GT(number("level", 2), number("own_level_width", 0) - 8);

    ASSERT_EQ(seen["pause"].size(), 4u);
    media::Rect pause{number("pause", 0), number("pause", 1), number("pause", 2), number("pause", 3)};
    ASSERT_EQ(seen["pause_drawn_at"].size(), 2u) << "PAUSE was not drawn once";
    // Clear of the edges by 20 pixels, as the level text keeps from the left.
    EXPECT_GE(number("pause_drawn_at", 0), 20) << "PAUSE runs to the window's edges";
    EXPECT_GE(pause.x, 20);
    EXPECT_LE(pause.x + pause.w, 580);
    EXPECT_GT(pause.w, 500) << "PAUSE is drawn smaller than the largest size that fits";
    EXPECT_NEAR(pause.x + pause.w / 2.0, 300, 3);
    EXPECT_NEAR(pause.y + pause.h / 2.0, 340, 40);
}

}  // namespace
