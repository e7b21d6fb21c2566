// The HUD strip (time, level, lives) and the countdown digit: what is drawn,
// where, and in which colour. Expected places come from the sizes of the
// same texts rendered here, centred by our own arithmetic: a half pixel is
// rounded down.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/display.hpp"
#include "media/testing.hpp"
#include "players.hpp"
#include "screens/screens.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace {

using media::testing::DrawRecord;
using Frame = std::vector<DrawRecord>;

// Where a part of `part` pixels starts when centred in `whole`.
int centred(int whole, int part) { return static_cast<int>(std::floor((whole - part) / 2.0)); }

bool contains(const Frame& frame, const DrawRecord& draw) {
    return std::find(frame.begin(), frame.end(), draw) != frame.end();
}

class Hud : public ::testing::Test {
protected:
    void SetUp() override {
        harness::start_game();
        molvane::STATE = "main";
        media::display::flip();  // what earlier tests drew is not this test's
        media::testing::on_flip([this] {
            shown_.push_back(media::testing::draws_since_flip());
            if (after_flip_) after_flip_(static_cast<long>(shown_.size()));
        });
    }
    void TearDown() override { media::testing::on_flip(nullptr); }

    // One level on a calm board, left by Escape in play frame `last_play_frame`.
    void play_level(long last_play_frame, std::function<void(long)> each = nullptr) {
        shown_.clear();
        harness::Script script;
        script
            .each([&](long fetch, players::Input&) {
                players::quiet_board();
                if (each) each(fetch);
            })
            .at(players::play_fetch(last_play_frame), {harness::key_down(media::K_ESCAPE)});
        molvane::game_main();
    }
    const Frame& frame(long k) const { return shown_.at(static_cast<std::size_t>(k - 1)); }

    // The five draws of the HUD for this time, level and lives.
    static Frame expected_hud(const std::string& time, const std::string& level, const std::string& lives) {
        media::Surface time_text = molvane::FONT_TIMER.render(time, true, molvane::WHITE);
        media::Surface level_text = molvane::FONT_LEVEL.render(level, true, molvane::WHITE);
        int text_y = centred(80, level_text.get_height());
        return {
            {"surface 600x80", 0, 0},
            {"text:" + time, centred(600, time_text.get_width()), centred(80, time_text.get_height())},
            {"text:" + level, 20, text_y},
            {"text:" + lives, 530, text_y},
            {"image_life.png", 480, centred(80, molvane::LIFE_PIC.get_height())},
        };
    }
    // Every draw of `hud` is in the frame, the board before (under) the rest.
    static void expect_hud(const Frame& frame, const Frame& hud) {
        auto board = std::find(frame.begin(), frame.end(), hud.front());
        ASSERT_NE(board, frame.end()) << "no HUD board";
        for (const DrawRecord& draw : hud)
            EXPECT_TRUE(std::find(board, frame.end(), draw) != frame.end())
                << draw.label << " at " << draw.x << "," << draw.y << " not drawn over the board";
    }

    std::vector<Frame> shown_;
    std::function<void(long)> after_flip_;
};

TEST_F(Hud, AFreshLevelShowsThirtySecondsLevelOneAndThreeLives) {
    molvane::LEVEL = 0;
    molvane::HEART = 3;
    const Frame hud = expected_hud("30:00", "Level: 1", " X 3");
    media::Surface time = molvane::FONT_TIMER.render("30:00", true, molvane::WHITE);
    int white_in_time = 0;
    after_flip_ = [&](long k) {
        if (k != 1) return;
        for (int y = hud[1].y; y < hud[1].y + time.get_height(); ++y)
            for (int x = hud[1].x; x < hud[1].x + time.get_width(); ++x)
                white_in_time += molvane::SCREEN.get_at(x, y) == molvane::WHITE;
    };
    play_level(1);

    expect_hud(frame(1), hud);
    expect_hud(frame(181), hud);
    expect_hud(frame(182), hud);  // the first frame of play
    EXPECT_GT(white_in_time, 50) << "the time is written in white";
}

TEST_F(Hud, ShowsTheLevelCountedFromOneAndTheLivesAsTheyAre) {
    struct Case {
        int level, heart;
        const char *level_text, *lives_text;
    };
    for (const Case& c : {Case{9, 0, "Level: 10", " X 0"}, Case{4, 5, "Level: 5", " X 5"}}) {
        SCOPED_TRACE(c.level_text);
        molvane::LEVEL = c.level;
        molvane::HEART = c.heart;
        play_level(2);
        expect_hud(frame(1), expected_hud("30:00", c.level_text, c.lives_text));
        expect_hud(frame(183), expected_hud("29:59", c.level_text, c.lives_text));
    }
}

TEST_F(Hud, ALostLifeShowsOnTheNextFrame) {
    molvane::HEART = 3;
    play_level(12, [](long fetch) {
        if (fetch == players::play_fetch(9)) players::about_to_get_away(0);
    });
    // Play frame 10 loses the life after drawing the HUD; frame 11 shows it.
    expect_hud(frame(181 + 10), expected_hud(players::hud_time(9), "Level: 1", " X 3"));
    expect_hud(frame(181 + 11), expected_hud(players::hud_time(10), "Level: 1", " X 2"));
}

TEST_F(Hud, TheCountdownDigitIsRedAndCentredInTheWholeWindow) {
    struct Digit {
        DrawRecord draw;  // where it must be drawn
        int width = 0, height = 0;
        long frame = 0;       // the first frame it shows in
        int red = 0;          // pure red pixels inside its box
        int red_outside = 0;  // and below the HUD outside it
    };
    std::vector<Digit> digits;
    for (auto [text, first] : {std::pair{"3", 1}, {"2", 61}, {"1", 121}}) {
        media::Surface digit = molvane::FONT_READY.render(text, true, molvane::RED);
        int w = digit.get_width();
        int h = digit.get_height();
        digits.push_back({{std::string("text:") + text, centred(600, w), centred(680, h)}, w, h, first});
    }
    after_flip_ = [&](long k) {
        for (Digit& d : digits) {
            if (k != d.frame) continue;
            for (int y = 80; y < 680; ++y)
                for (int x = 0; x < 600; ++x) {
                    if (!(molvane::SCREEN.get_at(x, y) == molvane::RED)) continue;
                    bool inside = x >= d.draw.x && x < d.draw.x + d.width && y >= d.draw.y && y < d.draw.y + d.height;
                    (inside ? d.red : d.red_outside) += 1;
                }
        }
    };
    play_level(1);

    for (const Digit& d : digits) {
        SCOPED_TRACE(d.draw.label);
        EXPECT_TRUE(contains(frame(d.frame), d.draw)) << "at " << d.draw.x << "," << d.draw.y;
        EXPECT_GT(d.red, 200);
        EXPECT_EQ(d.red_outside, 0);
    }
}

// Each text of the HUD at the game's own sizes happens to be of even width
// and height. At sizes where they are odd, the half pixel of centring is
// rounded down.
TEST_F(Hud, TextsOfOddWidthAndHeightAreCentredWithTheHalfPixelRoundedDown) {
    // The first size from `from` up at which every text is odd both ways.
    auto odd_font = [](const molvane::FontSpec& face, int from, std::vector<std::string> texts) {
        for (int size = from; size < from + 40; ++size) {
            media::Font font = media::font::SysFont(face.family, size, face.bold);
            bool odd = std::all_of(texts.begin(), texts.end(), [&](const std::string& text) {
                media::Surface s = font.render(text, true, molvane::WHITE);
                return s.get_width() % 2 == 1 && s.get_height() % 2 == 1;
            });
            if (odd) return font;
        }
        ADD_FAILURE() << "no size of " << face.family << " makes every text odd";
        return media::Font{};
    };
    const media::Font timer = molvane::FONT_TIMER;
    const media::Font level = molvane::FONT_LEVEL;
    const media::Font ready = molvane::FONT_READY;
    molvane::FONT_TIMER = odd_font(molvane::FONT_TIMER_SPEC, 30, {"30:00"});
    molvane::FONT_LEVEL = odd_font(molvane::FONT_LEVEL_SPEC, 20, {"Level: 1"});
    molvane::FONT_READY = odd_font(molvane::FONT_READY_SPEC, 100, {"3"});
    molvane::LEVEL = 0;
    molvane::HEART = 3;
    const Frame hud = expected_hud("30:00", "Level: 1", " X 3");
    media::Surface three = molvane::FONT_READY.render("3", true, molvane::RED);
    const DrawRecord digit{"text:3", centred(600, three.get_width()), centred(680, three.get_height())};
    play_level(1);
    molvane::FONT_TIMER = timer;
    molvane::FONT_LEVEL = level;
    molvane::FONT_READY = ready;

    expect_hud(frame(1), hud);
    EXPECT_TRUE(contains(frame(1), digit)) << "at " << digit.x << "," << digit.y;
}

}  // namespace
