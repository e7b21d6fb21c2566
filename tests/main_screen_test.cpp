// The main screen, one level at a time: the countdown, the four ways a level
// ends, strikes, and the pause. Frames are counted from the test's first one:
// frame k is the k-th flip, and without a pause fetch k follows frame k.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/display.hpp"
#include "media/testing.hpp"
#include "players.hpp"
#include "screens/hud.hpp"
#include "screens/screens.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"

namespace {

using harness::button_down;
using harness::button_up;
using harness::key_down;
using media::K_ESCAPE;
using media::K_SPACE;
using media::testing::DrawRecord;
using players::Input;
using players::play_fetch;
using Frame = std::vector<DrawRecord>;
using Strings = std::vector<std::string>;

const media::Event kEscape = key_down(K_ESCAPE);
const media::Event kSpace = key_down(K_SPACE);

class MainScreen : public ::testing::Test {
protected:
    void SetUp() override {
        harness::start_game();
        molvane::seed_random(5);
        molvane::STATE = "main";
        media::display::flip();  // what earlier tests drew is not this test's
        first_frame_ = media::testing::frames_shown();
        media::testing::on_flip([this] {
            shown_.push_back(media::testing::draws_since_flip());
            if (after_flip_) after_flip_(frames());
        });
    }
    void TearDown() override {
        media::testing::on_flip(nullptr);
        media::testing::set_clock_paced(false);
    }

    long frames() const { return static_cast<long>(shown_.size()); }
    const Frame& frame(long k) const { return shown_.at(static_cast<std::size_t>(k - 1)); }
    Strings sounds() const { return players::sounds_from(first_frame_); }

    static std::optional<DrawRecord> find(const Frame& frame, const std::string& label) {
        for (const DrawRecord& draw : frame)
            if (draw.label == label) return draw;
        return std::nullopt;
    }
    // The HUD's clock in frame k, e.g. "30:00".
    std::string clock(long k) const {
        static const std::regex time(R"(text:(\d\d:\d\d))");
        std::smatch match;
        for (const DrawRecord& draw : frame(k))
            if (std::regex_match(draw.label, match, time)) return match[1];
        return "none";
    }
    // The countdown digit drawn in frame k, or "" for none.
    std::string digit(long k) const {
        std::string found;
        for (const DrawRecord& draw : frame(k))
            if (draw.label.size() == 6 && draw.label.starts_with("text:")) found += draw.label.substr(5);
        return found;
    }
    bool drawn_anywhere(const std::string& label) const {
        for (const Frame& f : shown_)
            if (find(f, label)) return true;
        return false;
    }

    std::vector<Frame> shown_;
    std::function<void(long)> after_flip_;  // called after frame k was recorded
    long first_frame_ = 0;
};

// ---- The level's timeline ----------------------------------------------------

TEST_F(MainScreen, CountdownShowsThreeTwoOneASecondEachThenABlankFrameWithTheClockAtThirty) {
    harness::Script script;
    script.at(play_fetch(2), {kEscape});
    molvane::game_main();

    ASSERT_EQ(frames(), 183);
    for (long k = 1; k <= 181; ++k) {
        std::string expected = k <= 60 ? "3" : k <= 120 ? "2" : k <= 180 ? "1" : "";
        ASSERT_EQ(digit(k), expected) << "countdown frame " << k;
        ASSERT_EQ(clock(k), "30:00") << "countdown frame " << k;
    }
    // Play: the first frame still reads 30:00, the second one step less.
    EXPECT_EQ(digit(182), "");
    EXPECT_EQ(clock(182), "30:00");
    EXPECT_EQ(clock(183), "29:59");
}

TEST_F(MainScreen, PlayBeginsRightAfterTheBlankFrameWithoutWaitingForTheClock) {
    // Pace the clock for a few frames around the start of play and time the
    // flips: every frame but the first of play waits for its sixtieth.
    using Clock = std::chrono::steady_clock;
    std::array<Clock::time_point, 190> shown_at{};
    std::array<long, 190> ticks_at{};
    after_flip_ = [&](long k) {
        if (k == 172) media::testing::set_clock_paced(true);
        if (k < 190) {
            shown_at[static_cast<std::size_t>(k)] = Clock::now();
            ticks_at[static_cast<std::size_t>(k)] = media::testing::clock_ticks();
        }
        if (k == 185) media::testing::set_clock_paced(false);
    };
    harness::Script script;
    script.each([](long, Input&) { players::quiet_board(); }).at(play_fetch(4), {kEscape});
    molvane::game_main();

    ASSERT_EQ(frames(), 185);
    auto ms = [&](long from, long to) {
        return std::chrono::duration<double, std::milli>(shown_at[std::size_t(to)] - shown_at[std::size_t(from)])
            .count();
    };
    const double sixtieth = 1000.0 / 60;
    // A frame drawn late is made up by the next, so six frames may show in a
    // little less than five sixtieths when the first of them was late.
    EXPECT_GE(ms(175, 181), 4 * sixtieth) << "the countdown was not paced";
    EXPECT_EQ(ticks_at[181] - ticks_at[180], 1);
    EXPECT_EQ(ticks_at[182], ticks_at[181]) << "a clock tick between the blank frame and play";
    EXPECT_GE(ms(182, 185), 2 * sixtieth) << "play was not paced";
}

TEST_F(MainScreen, SetUpClearsTheRabbitsAndTheCountdownLeavesThemAlone) {
    for (std::size_t i = 0; i < 9; ++i) {
        players::raise(i);
        molvane::rabbit_list[i].count = 2;  // would get away at once if updated
    }
    std::vector<int> counts;
    bool left_alone = true;
    bool all_picked = false;
    harness::Script script;
    script
        .each([&](long fetch, Input&) {
            if (fetch == 1)
                for (const molvane::Rabbit* r : molvane::rabbit_list) counts.push_back(r->count);
            if (fetch <= 181)
                for (std::size_t i = 0; i < 9; ++i) {
                    const molvane::Rabbit& r = molvane::rabbit_list[i];
                    left_alone = left_alone && r.state == "empty" && r.lock == 0 && r.count == counts[i] &&
                                 r.image == molvane::RABBIT_EMPTY;
                }
            if (fetch == play_fetch(1)) {
                all_picked = true;  // the first frame of play updated each rabbit once
                for (const molvane::Rabbit* r : molvane::rabbit_list) all_picked = all_picked && r->lock == 1;
            }
        })
        .at(play_fetch(1), {kEscape});
    molvane::game_main();

    EXPECT_TRUE(left_alone);
    EXPECT_TRUE(all_picked);
    for (long k = 1; k <= 181; ++k)
        for (const media::Pos& hole : molvane::POS_LIST)
            ASSERT_TRUE(std::find(frame(k).begin(), frame(k).end(),
                                  DrawRecord{"image_empty.jpg", int(hole.x), int(hole.y)}) != frame(k).end())
                << "frame " << k << " hole " << hole.x << "," << hole.y;
    for (const std::string& line : sounds()) EXPECT_GE(std::stol(line), 181) << "during the countdown: " << line;
}

TEST_F(MainScreen, KeysDoNothingDuringTheCountdown) {
    harness::Script script;
    script.each([](long, Input&) { players::quiet_board(); })
        .at(30, {kSpace})
        .at(90, {kEscape})
        .at(150, {kSpace, kEscape, kSpace})
        .at(181, {kEscape, kSpace})
        .at(play_fetch(3), {kEscape});
    molvane::game_main();

    EXPECT_EQ(frames(), 184);
    EXPECT_FALSE(drawn_anywhere("text:PAUSE"));
    EXPECT_EQ(sounds(), Strings{"184 stop mixer"});
    EXPECT_EQ(molvane::STATE, "start");
}

TEST_F(MainScreen, AStrikeDuringTheCountdownShowsTheBatStrikingButHitsNoRabbit) {
    harness::Script script;
    script
        .each([](long fetch, Input&) {
            if (fetch < 50) players::quiet_board();
            if (fetch == 50) players::raise(4);
        })
        .pointer_at(50, players::centre_of(4))
        .buttons_at(50, true)
        .at(50, {button_down()})
        .buttons_at(52, false)
        .at(52, {button_up()})
        .at(play_fetch(1), {kEscape});
    molvane::game_main();

    // The bat is centred on the pointer (300, 380): the 96-pixel picture at
    // (252, 332). The press is fetched before frame 50 is drawn, the release
    // before frame 52.
    EXPECT_TRUE(find(frame(49), "image_ready.png"));
    EXPECT_TRUE(find(frame(50), "image_hit.png"));
    EXPECT_EQ(find(frame(51), "image_hit.png"), (DrawRecord{"image_hit.png", 252, 332}));
    EXPECT_TRUE(find(frame(52), "image_ready.png"));
    EXPECT_EQ(sounds(), (Strings{"49 play sound_hit.wav", "182 stop mixer"}));
    EXPECT_EQ(molvane::rabbit_list[4].state, "pose");
}

// ---- How a level ends ------------------------------------------------------

// A whole level on a calm board; `extra` adds to each fetch.
void calm_level(std::function<void(long, Input&)> extra = nullptr) {
    harness::Script script;
    script.each([&](long fetch, Input& input) {
        players::quiet_board();
        if (extra) extra(fetch, input);
    });
    molvane::game_main();
}

TEST_F(MainScreen, TimeUpAfter1800FramesOfPlayClearsTheLevelAndTheClockNeverShowsZero) {
    molvane::LEVEL = 3;
    calm_level();

    ASSERT_EQ(frames(), 181 + 1800);
    for (long n = 1; n <= 1800; ++n) ASSERT_EQ(clock(181 + n), players::hud_time(int(n) - 1)) << "play frame " << n;
    EXPECT_EQ(clock(181 + 1800), "00:01");
    EXPECT_FALSE(drawn_anywhere("text:00:00"));
    EXPECT_EQ(sounds(), Strings{"1981 play sound_ding.wav"});
    EXPECT_EQ(molvane::STATE, "main");
    EXPECT_EQ(molvane::LEVEL, 4);
    EXPECT_EQ(molvane::HEART, 3);
}

TEST_F(MainScreen, TimeUpWithNoLifeLeftButNoneOwedStillClearsTheLevel) {
    molvane::LEVEL = 8;
    molvane::HEART = 0;
    calm_level();
    EXPECT_EQ(frames(), 1981);
    EXPECT_EQ(sounds(), Strings{"1981 play sound_ding.wav"});
    EXPECT_EQ(molvane::STATE, "main");
    EXPECT_EQ(molvane::LEVEL, 9);
    EXPECT_EQ(molvane::HEART, 0);
}

TEST_F(MainScreen, TimeUpOnTheTenthLevelWinsWithoutADing) {
    molvane::LEVEL = 9;
    molvane::HEART = 2;
    calm_level();
    EXPECT_EQ(frames(), 1981);
    EXPECT_TRUE(sounds().empty());
    EXPECT_EQ(molvane::STATE, "win");
    EXPECT_EQ(molvane::LEVEL, 9);
    EXPECT_EQ(molvane::HEART, 2);
}

TEST_F(MainScreen, LivesBelowZeroInTheFrameTheTimeRunsOutLoseTheGame) {
    molvane::LEVEL = 9;
    molvane::HEART = 0;
    calm_level([](long fetch, Input&) {
        if (fetch == play_fetch(1799)) players::about_to_get_away(0);
    });
    EXPECT_EQ(frames(), 1981);
    EXPECT_EQ(sounds(), Strings{"1980 play sound_cool.wav"});
    EXPECT_EQ(molvane::STATE, "end");
    EXPECT_EQ(molvane::LEVEL, 9);
    EXPECT_EQ(molvane::HEART, -1);
}

TEST_F(MainScreen, LivesBelowZeroEndTheLevelInThatFrame) {
    molvane::LEVEL = 4;
    molvane::HEART = 0;
    harness::Script script;
    script.each([](long fetch, Input&) {
        if (fetch < play_fetch(99)) players::quiet_board();
        if (fetch == play_fetch(99)) players::about_to_get_away(2);
    });
    molvane::game_main();

    EXPECT_EQ(frames(), 181 + 100);
    EXPECT_EQ(script.fetches(), 181 + 100);
    EXPECT_EQ(sounds(), Strings{"280 play sound_cool.wav"});
    EXPECT_EQ(molvane::STATE, "end");
    EXPECT_EQ(molvane::LEVEL, 4);
    EXPECT_EQ(molvane::HEART, -1);
}

TEST_F(MainScreen, AHeartStruckInTheFrameTheLivesFellBelowZeroDoesNotClearTheLevel) {
    // Play frame 100 loses the last life; the player strikes a heart rabbit
    // in the events of that same frame. The strike counts, but the level is
    // lost, not cleared 20 seconds early.
    molvane::LEVEL = 4;
    molvane::HEART = 0;
    harness::Script script;
    script
        .each([](long fetch, Input&) {
            if (fetch < play_fetch(99)) players::quiet_board();
            if (fetch == play_fetch(99)) {
                players::about_to_get_away(2);
                players::raise(4, "heart");
            }
        })
        .pointer_at(play_fetch(100), players::centre_of(4))
        .buttons_at(play_fetch(100), true)
        .at(play_fetch(100), {button_down()});
    molvane::game_main();

    EXPECT_EQ(frames(), 281);
    EXPECT_EQ(molvane::rabbit_list[4].state, "cry");
    EXPECT_EQ(harness::sounds("play"),
              (Strings{"sound_cool.wav", "sound_hit.wav", "sound_hurt.wav", "sound_addlife.mp3"}));
    EXPECT_EQ(molvane::STATE, "end");
    EXPECT_EQ(molvane::LEVEL, 4);
}

TEST_F(MainScreen, EscapeStopsEverySoundAtOnceAndGoesBackToTheTitle) {
    molvane::LEVEL = 4;
    molvane::HEART = 2;
    harness::Script script;
    script.each([](long, Input&) { players::quiet_board(); }).at(play_fetch(119), {kEscape});
    molvane::game_main();

    EXPECT_EQ(frames(), 300);
    EXPECT_EQ(sounds(), Strings{"300 stop mixer"});
    EXPECT_EQ(molvane::STATE, "start");
    EXPECT_EQ(molvane::LEVEL, 4);
    EXPECT_EQ(molvane::HEART, 2);
}

TEST_F(MainScreen, EscapeInTheFrameTheLivesFellBelowZeroStillGoesBackToTheTitle) {
    molvane::LEVEL = 2;
    molvane::HEART = 0;
    harness::Script script;
    script
        .each([](long fetch, Input&) {
            if (fetch < play_fetch(99)) players::quiet_board();
            if (fetch == play_fetch(99)) players::about_to_get_away(2);
        })
        .at(play_fetch(100), {kEscape});
    molvane::game_main();

    EXPECT_EQ(frames(), 281);
    EXPECT_EQ(sounds(), (Strings{"280 play sound_cool.wav", "281 stop mixer"}));
    EXPECT_EQ(molvane::STATE, "start");
    EXPECT_EQ(molvane::LEVEL, 2);
}

// ---- Strikes -----------------------------------------------------------------

TEST_F(MainScreen, AStrikeHitsTheRabbitWhoseHoleHoldsThePointerLeftAndTopEdgesIncluded) {
    // Holes are 200 x 200 from (0, 80); a point belongs to the hole whose
    // left and top edges it lies on, not to the one it ends.
    const std::vector<media::Pos> points{{200, 280}, {199, 279}, {200, 279}, {199, 280}, {0, 80},
                                         {599, 679}, {400, 480}, {399, 479}, {599, 80},  {0, 679}};
    auto hole_of = [](media::Pos p) { return int(p.y - 80) / 200 * 3 + int(p.x) / 200; };
    const long first = play_fetch(10);
    std::vector<Strings> crying(points.size());
    harness::Script script;
    script.each([&](long fetch, Input& input) {
        long since = fetch - first;
        if (since < 0 || since >= long(points.size()) * 2) {
            players::quiet_board();
            if (since == long(points.size()) * 2) input.events.push_back(kEscape);
            return;
        }
        auto i = static_cast<std::size_t>(since / 2);
        if (since % 2 == 0) {  // every hole up, then a strike at the point
            for (std::size_t hole = 0; hole < 9; ++hole) players::raise(hole);
            input.pointer = points[i];
            input.buttons = {true, false, false};
            input.events.push_back(button_down());
        } else {
            crying[i] = players::rabbit_states();
            input.buttons = {false, false, false};
            input.events.push_back(button_up());
        }
    });
    molvane::game_main();

    for (std::size_t i = 0; i < points.size(); ++i) {
        Strings expected(9, "pose");
        expected[std::size_t(hole_of(points[i]))] = "cry";
        EXPECT_EQ(crying[i], expected) << "strike at " << points[i].x << "," << points[i].y;
    }
    EXPECT_EQ(players::times_played("sound_hit.wav"), int(points.size()));
    EXPECT_EQ(players::times_played("sound_hurt.wav"), int(points.size()));
}

TEST_F(MainScreen, AStrikeOnTheHudStripOnlyPlaysTheBat) {
    harness::Script script;
    script
        .each([](long fetch, Input&) {
            if (fetch < play_fetch(10)) players::quiet_board();
            if (fetch == play_fetch(10))
                for (std::size_t hole = 0; hole < 9; ++hole) players::raise(hole);
        })
        .pointer_at(play_fetch(10), {300, 40})
        .buttons_at(play_fetch(10), true)
        .at(play_fetch(10), {button_down()})
        .pointer_at(play_fetch(11), {599, 79})
        .at(play_fetch(11), {button_down()})
        .at(play_fetch(12), {kEscape});
    molvane::game_main();

    EXPECT_EQ(sounds(), (Strings{"191 play sound_hit.wav", "192 play sound_hit.wav", "193 stop mixer"}));
    EXPECT_EQ(players::rabbit_states(), Strings(9, "pose"));
    EXPECT_TRUE(find(frame(192), "image_hit.png"));
}

TEST_F(MainScreen, WhichPressesStrikeAndWhichReleasesRestTheBat) {
    using B = media::Button;
    struct Case {
        const char* what;
        std::vector<media::Event> events;
        std::array<bool, 3> buttons;
        bool strikes;
        int mouse_state;  // afterwards
    };
    const std::vector<Case> cases{
        {"a left press, held", {button_down(B::BUTTON_LEFT)}, {true, false, false}, true, 1},
        {"a quick tap: press and release together, the button already up",
         {button_down(B::BUTTON_LEFT), button_up(B::BUTTON_LEFT)},
         {false, false, false},
         true,
         0},
        {"a right press while the left is held", {button_down(B::BUTTON_RIGHT)}, {true, false, true}, true, 1},
        {"a middle press while the left is held", {button_down(B::BUTTON_MIDDLE)}, {true, true, false}, true, 1},
        {"a right press alone", {button_down(B::BUTTON_RIGHT)}, {false, false, true}, false, 0},
        {"a left press, then a right release",
         {button_down(B::BUTTON_LEFT), button_up(B::BUTTON_RIGHT)},
         {true, false, false},
         true,
         0},
        {"a left press, then a middle release",
         {button_down(B::BUTTON_LEFT), button_up(B::BUTTON_MIDDLE)},
         {true, false, false},
         true,
         0},
    };
    const long first = play_fetch(5);
    struct Seen {
        std::string rabbit;
        int mouse_state = -1;
    };
    std::vector<Seen> seen(cases.size());
    harness::Script script;
    script.each([&](long fetch, Input& input) {
        long since = fetch - first;
        if (since < 0) players::quiet_board();
        if (since < 0) return;
        if (since >= long(cases.size()) * 2) {
            input.events.push_back(kEscape);
            return;
        }
        auto i = static_cast<std::size_t>(since / 2);
        if (since % 2 == 0) {
            players::quiet_board();
            players::raise(4);
            molvane::MOUSE_STATE = 0;
            input.pointer = players::centre_of(4);
            input.buttons = cases[i].buttons;
            input.events = cases[i].events;
        } else {
            seen[i] = {molvane::rabbit_list[4].state, molvane::MOUSE_STATE};
            input.buttons = {false, false, false};
        }
    });
    molvane::game_main();

    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        long fetch = first + long(i) * 2;  // == frames shown when it was handled
        EXPECT_EQ(seen[i].rabbit, cases[i].strikes ? "cry" : "pose");
        EXPECT_EQ(seen[i].mouse_state, cases[i].mouse_state);
        bool hit_sound = false;
        for (const std::string& line : sounds()) hit_sound |= line == std::to_string(fetch) + " play sound_hit.wav";
        EXPECT_EQ(hit_sound, cases[i].strikes);
        // A strike, the tap's included, shows the striking bat in the next
        // frame, and only while held in the one after.
        EXPECT_EQ(find(frame(fetch + 1), "image_hit.png").has_value(), cases[i].strikes);
        EXPECT_EQ(find(frame(fetch + 2), "image_hit.png").has_value(), cases[i].mouse_state == 1);
    }
}

// ---- The pause ---------------------------------------------------------------

TEST_F(MainScreen, SpacePausesOverTheFrozenFrameAndTimeStandsStillUntilTheNextSpace) {
    std::vector<media::Color> before;  // frame 300, the last one before the pause
    Frame pause_draws;
    int red_in_text = 0;
    int changed_outside = 0;
    media::Surface pause_text = molvane::FONT_READY.render_within("PAUSE", true, molvane::RED, molvane::centred_room());
    const int w = pause_text.get_width();
    const int h = pause_text.get_height();
    const int left = static_cast<int>(std::floor((600 - w) / 2.0));
    const int top = static_cast<int>(std::floor((680 - h) / 2.0));
    after_flip_ = [&](long k) {
        if (k != 300 && k != 301) return;
        for (int y = 0; y < 680; ++y)
            for (int x = 0; x < 600; ++x) {
                media::Color c = molvane::SCREEN.get_at(x, y);
                if (k == 300) {
                    before.push_back(c);
                    continue;
                }
                bool in_text = x >= left && x < left + w && y >= top && y < top + h;
                if (in_text) red_in_text += c == molvane::RED;
                if (!in_text) changed_outside += !(c == before[std::size_t(y * 600 + x)]);
            }
        if (k == 301) pause_draws = frame(301);
    };
    std::vector<long> frames_while_paused;
    bool drawn_while_paused = false;
    harness::Script script;
    script
        .each([&](long fetch, Input&) {
            players::quiet_board();
            if (fetch > 300 && fetch <= 400) {
                frames_while_paused.push_back(media::testing::frames_shown() - first_frame_);
                drawn_while_paused |= !media::testing::draws_since_flip().empty();
            }
        })
        .at(play_fetch(119), {kSpace})  // fetch 300
        .at(400, {kSpace})              // a hundred waits later
        .at(401, {kEscape});            // play frame 120's fetch
    molvane::game_main();

    EXPECT_EQ(pause_draws, (Frame{{"text:PAUSE", left, top}}));
    EXPECT_GT(red_in_text, 100);
    EXPECT_EQ(changed_outside, 0);
    EXPECT_EQ(frames_while_paused, std::vector<long>(100, 301)) << "frames shown while paused";
    EXPECT_FALSE(drawn_while_paused);
    ASSERT_EQ(frames(), 302);
    EXPECT_EQ(clock(300), players::hud_time(118));
    EXPECT_EQ(clock(302), players::hud_time(119));
    EXPECT_EQ(sounds(), (Strings{"300 pause mixer", "300 play sound_wait.wav", "301 unpause mixer",
                                 "301 play sound_biu.wav", "302 stop mixer"}));
    EXPECT_EQ(molvane::STATE, "start");
}

TEST_F(MainScreen, TwoSpacesInOneFramePauseTwiceInARow) {
    harness::Script script;
    script.each([](long, Input&) { players::quiet_board(); })
        .at(300, {kSpace, kSpace})
        .at(305, {kSpace})
        .at(310, {kSpace})
        .at(311, {kEscape});
    molvane::game_main();

    ASSERT_EQ(frames(), 303);
    EXPECT_TRUE(find(frame(301), "text:PAUSE"));
    EXPECT_TRUE(find(frame(302), "text:PAUSE"));
    EXPECT_EQ(clock(303), players::hud_time(119));
    EXPECT_EQ(sounds(), (Strings{"300 pause mixer", "300 play sound_wait.wav", "301 unpause mixer",
                                 "301 play sound_biu.wav", "301 pause mixer", "301 play sound_wait.wav",
                                 "302 unpause mixer", "302 play sound_biu.wav", "303 stop mixer"}));
}

TEST_F(MainScreen, EscapeAndClicksDuringThePauseAreDropped) {
    // After the pause the level is lost to a rabbit that gets away: an Escape
    // kept for later would have sent the game to the title instead.
    molvane::HEART = 0;
    harness::Script script;
    script
        .each([](long fetch, Input&) {
            if (fetch <= 300) {
                players::quiet_board();
                players::raise(4);
            }
            if (fetch == 329) players::about_to_get_away(0);
        })
        .at(300, {kSpace})
        .pointer_at(310, players::centre_of(4))
        .buttons_at(310, true)
        .at(310, {kEscape, button_down()})
        .buttons_at(311, false)
        .at(311, {button_up()})
        .at(320, {kSpace});
    molvane::game_main();

    // Play went on for ten frames after the pause (fetches 321 to 330).
    EXPECT_EQ(frames(), 311);
    EXPECT_EQ(molvane::rabbit_list[4].state, "pose");
    EXPECT_EQ(sounds(), (Strings{"300 pause mixer", "300 play sound_wait.wav", "301 unpause mixer",
                                 "301 play sound_biu.wav", "310 play sound_cool.wav"}));
    EXPECT_FALSE(find(frame(302), "image_hit.png"));
    EXPECT_EQ(molvane::STATE, "end");
}

TEST_F(MainScreen, SpaceInAFrameThatAlreadyEndedTheLevelDoesNotPause) {
    struct Case {
        const char* what;
        std::function<void(long, Input&)> each;
        long frames;
        const char* state;
    };
    const std::vector<Case> cases{
        {"Escape earlier among the same events",
         [](long fetch, Input& in) {
             players::quiet_board();
             if (fetch == 250) in.events = {kEscape, kSpace};
         },
         250, "start"},
        {"the lives fell below zero",
         [](long fetch, Input& in) {
             if (fetch < 250) players::quiet_board();
             if (fetch == 249) players::about_to_get_away(0);
             if (fetch == 250) in.events = {kSpace};
         },
         250, "end"},
        {"the time ran out",
         [](long fetch, Input& in) {
             players::quiet_board();
             if (fetch == play_fetch(1800)) in.events = {kSpace};
         },
         1981, "main"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        harness::reset_game_state();
        molvane::STATE = "main";
        molvane::HEART = 0;
        shown_.clear();
        first_frame_ = media::testing::frames_shown();
        harness::Script script;
        script.each([&](long fetch, Input& input) {
            c.each(fetch, input);
            // Should the game go on, a way out instead of a hang: space and
            // Escape by turns leave a pause and then the level.
            if (fetch > c.frames) input.events.push_back((fetch - c.frames) % 2 ? kSpace : kEscape);
        });
        molvane::game_main();

        EXPECT_EQ(frames(), c.frames);
        EXPECT_EQ(script.fetches(), c.frames) << "the game waited after the level ended";
        EXPECT_FALSE(drawn_anywhere("text:PAUSE"));
        for (const std::string& line : sounds()) {
            EXPECT_EQ(line.find("sound_wait.wav"), std::string::npos) << line;
            EXPECT_EQ(line.find("pause mixer"), std::string::npos) << line;
        }
        EXPECT_EQ(molvane::STATE, c.state);
    }
}

// ---- Closing the window ------------------------------------------------------

using MainScreenDeathTest = MainScreen;

TEST_F(MainScreenDeathTest, ACloseRequestEndsTheProgramDuringTheCountdownPlayAndThePause) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Each script has a way out after the close request: a game that ignored
    // it would return from the level instead of exiting.
    auto level = [](std::vector<std::pair<long, std::vector<media::Event>>> events) {
        harness::Script script;
        script.each([](long, Input&) { players::quiet_board(); });
        for (auto& [fetch, list] : events) script.at(fetch, list);
        molvane::game_main();
    };
    EXPECT_EXIT(level({{90, {harness::quit()}}, {play_fetch(1), {kEscape}}}), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(level({{play_fetch(10), {harness::quit()}}, {play_fetch(11), {kEscape}}}), ::testing::ExitedWithCode(0),
                "");
    EXPECT_EXIT(level({{300, {kSpace}}, {320, {harness::quit()}}, {330, {kSpace}}, {331, {kEscape}}}),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
