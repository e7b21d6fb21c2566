// The screens that wait for space: the title, game over and victory. What
// they play and draw, how the bat strikes on them, and how they end.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "harness.hpp"
#include "media/display.hpp"
#include "screens/screens.hpp"
#include "shell/game_state.hpp"

namespace {

using harness::key_down;
using harness::key_up;
using media::K_ESCAPE;
using media::K_OTHER;
using media::K_SPACE;
using media::testing::DrawRecord;
using Lines = std::vector<std::string>;

// What one frame showed.
struct Shown {
    std::vector<DrawRecord> draws;
    int mouse_state = 0;
    bool picture_shows = false;  // the screen's picture, away from the bat
};

class WaitingScreen : public ::testing::Test {
protected:
    void SetUp() override {
        harness::start_game();
        media::display::flip();  // forget what earlier tests drew
        first_frame_ = media::testing::frames_shown();
        media::testing::on_flip([this] {
            Shown frame{media::testing::draws_since_flip(), molvane::MOUSE_STATE, true};
            for (auto [x, y] : {std::pair{10, 10}, std::pair{590, 670}, std::pair{100, 600}})
                if (picture_ && molvane::SCREEN.get_at(x, y) != picture_->get_at(x, y)) frame.picture_shows = false;
            shown_.push_back(frame);
        });
    }
    void TearDown() override { media::testing::on_flip(nullptr); }

    // A line of the sound trace, `frame` counted from the screen's first.
    std::string sound(long frame, const std::string& action, const std::string& name) const {
        return std::to_string(first_frame_ + frame) + " " + action + " " + name;
    }
    std::vector<std::string> sounds_of(const std::string& name) const {
        Lines lines;
        for (const std::string& line : harness::sounds())
            if (line.ends_with(" " + name)) lines.push_back(line);
        return lines;
    }

    // The bat as it is drawn with the pointer at `pointer`.
    static DrawRecord bat_at(media::Pos pointer, bool striking) {
        return {striking ? "image_hit.png" : "image_ready.png",
                int(std::floor(pointer.x - molvane::MOUSE_READY.get_width() / 2.0)),
                int(std::floor(pointer.y - molvane::MOUSE_READY.get_height() / 2.0))};
    }

    long first_frame_ = 0;
    std::vector<Shown> shown_;
    const media::Surface* picture_ = nullptr;
};

// ---- The title -------------------------------------------------------------

TEST_F(WaitingScreen, TitleStartsAFreshGameAndLeavesAfterTheSpaceFrame) {
    using namespace molvane;
    HEART = -1;
    LEVEL = 9;
    STATE = "end";
    picture_ = &START_PIC;
    std::vector<std::string> seen;
    harness::Script script;
    script.pointer_at(1, {300, 340}).pointer_at(3, {500, 100}).at(4, {key_down(K_SPACE)});
    script.each([&](long, media::testing::Input&) {
        seen.push_back(STATE + " " + std::to_string(HEART) + " " + std::to_string(LEVEL));
    });
    game_start();

    EXPECT_EQ(seen, Lines(4, "start 3 0"));
    EXPECT_EQ(script.fetches(), 4);
    ASSERT_EQ(shown_.size(), 4U);
    for (std::size_t i = 0; i < 4; ++i) {
        media::Pos pointer = i < 2 ? media::Pos{300, 340} : media::Pos{500, 100};
        EXPECT_EQ(shown_[i].draws, (std::vector<DrawRecord>{{"image_start.jpg", 0, 0}, bat_at(pointer, false)}))
            << "frame " << i + 1;
        EXPECT_TRUE(shown_[i].picture_shows) << "frame " << i + 1;
    }
    EXPECT_EQ(harness::sounds(), (Lines{sound(0, "loop", "sound_start.wav"), sound(3, "play", "sound_space.wav"),
                                        sound(4, "stop", "sound_start.wav"), sound(4, "loop", "sound_main.mp3")}));
    EXPECT_EQ(STATE, "main");
    EXPECT_EQ(HEART, 3);
    EXPECT_EQ(LEVEL, 0);
}

TEST_F(WaitingScreen, TitleIgnoresOtherKeysAndReleasesAndTwoSpacesLeaveOnce) {
    using namespace molvane;
    std::vector<std::string> states;
    harness::Script script;
    script.at(1, {key_down(K_ESCAPE), key_down(K_OTHER), key_up(K_SPACE), key_up(K_ESCAPE), key_up(K_OTHER)})
        .at(3, {key_down(K_SPACE), key_down(K_SPACE)})
        .each([&](long, media::testing::Input&) { states.push_back(STATE); });
    game_start();

    EXPECT_EQ(script.fetches(), 3);
    EXPECT_EQ(states, Lines(3, "start"));
    EXPECT_EQ(harness::sounds(), (Lines{sound(0, "loop", "sound_start.wav"), sound(2, "play", "sound_space.wav"),
                                        sound(2, "play", "sound_space.wav"), sound(3, "stop", "sound_start.wav"),
                                        sound(3, "loop", "sound_main.mp3")}));
    EXPECT_EQ(STATE, "main");
}

TEST_F(WaitingScreen, HeldSpaceIsOnePress) {
    using namespace molvane;
    // Straight from the system's queue, without a script: a held key sends
    // repeats, and the game sees only the first press.
    media::testing::clear_script();
    media::event::get();
    media::testing::push_system_key(K_ESCAPE, false);
    media::testing::push_system_key(K_ESCAPE, true);
    media::testing::push_system_key(K_SPACE, true);
    int escapes = 0;
    int other_presses = 0;
    for (const media::Event& event : media::event::get()) {
        if (event.type != media::EventType::KEYDOWN) continue;
        if (event.key == K_ESCAPE)
            ++escapes;
        else
            ++other_presses;
    }
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(other_presses, 0);

    media::testing::push_system_key(K_SPACE, false);
    for (int repeat = 0; repeat < 3; ++repeat) media::testing::push_system_key(K_SPACE, true);
    game_start();
    EXPECT_EQ(shown_.size(), 1U);
    EXPECT_EQ(harness::sounds("play"), Lines{"sound_space.wav"});
    EXPECT_EQ(STATE, "main");
}

TEST_F(WaitingScreen, TheKeyLabelledMIsTheMuteKeyOnEveryLayout) {
    // Where the key is on a US keyboard, what the layout types there, and
    // whether it mutes: us, fr's M and comma, ru, gr, and ru's т.
    const std::tuple<char, std::uint32_t, bool> presses[] = {{'m', 'm', true},   {';', 'm', true},
                                                             {'m', ',', false},  {'m', 0x44C, true},
                                                             {'m', 0x3BC, true}, {'n', 0x442, false}};
    media::testing::clear_script();
    media::event::get();
    for (auto [us_key, typed, mutes] : presses) {
        media::testing::push_system_key_at(us_key, typed);
        std::vector<media::Event> events = media::event::get();
        ASSERT_EQ(events.size(), 1U);
        EXPECT_EQ(events[0].key == media::K_M, mutes) << us_key << " typing " << typed;
    }
}

TEST_F(WaitingScreen, TitleKeepsABatThatWasStrikingUntilARelease) {
    using namespace molvane;
    MOUSE_STATE = 1;
    harness::Script script;
    script.pointer_at(1, {200, 200}).at(3, {harness::button_up()}).at(4, {key_down(K_SPACE)});
    game_start();
    ASSERT_EQ(shown_.size(), 4U);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(shown_[i].draws.back(), bat_at({200, 200}, i < 2)) << "frame " << i + 1;
    EXPECT_EQ(harness::sounds("play"), Lines{"sound_space.wav"});
}

// ---- Every waiting screen --------------------------------------------------

struct Screen {
    const char* name;
    void (*run)();
    const media::Surface* picture;
};

const Screen kScreens[] = {
    {"Title", molvane::game_start, &molvane::START_PIC},
    {"GameOver", molvane::game_over, &molvane::END_PIC},
    {"Victory", molvane::you_win, &molvane::WIN_PIC},
};

[[maybe_unused]] void PrintTo(const Screen& screen, std::ostream* out) { *out << screen.name; }

class EveryWaitingScreen : public WaitingScreen, public ::testing::WithParamInterface<Screen> {};

// The bat strikes exactly while a press is held and rests at any button's
// release; a tap whose press and release come in one batch shows in one frame.
TEST_P(EveryWaitingScreen, TheBatStrikesWhileAPressIsHeld) {
    using harness::button_down;
    using harness::button_up;
    using B = std::array<bool, 3>;
    const auto kRight = media::BUTTON_RIGHT;
    struct Case {
        const char* what;
        std::map<long, std::vector<media::Event>> events;
        std::map<long, B> buttons;
        std::string shown;  // frame by frame: S striking, r resting
        std::size_t strikes;
    };
    const Case cases[] = {
        {"a press held for three frames",
         {{2, {button_down()}}, {5, {button_up()}}},
         {{2, {1, 0, 0}}, {5, {}}},
         "rSSSrr",
         1},
        {"a tap in one batch", {{2, {button_down(), button_up()}}}, {}, "rSrrrr", 1},
        {"a right press and release while the left is held",
         {{2, {button_down()}}, {3, {button_down(kRight)}}, {4, {button_up(kRight)}}},
         {{2, {1, 0, 0}}, {3, {1, 0, 1}}, {4, {1, 0, 0}}},
         "rSSrrr",
         2},
        {"a right press alone", {{2, {button_down(kRight)}}}, {{2, {0, 0, 1}}}, "rrrrrr", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        harness::reset_game_state();
        shown_.clear();
        harness::Script script;
        script.pointer_at(1, {300, 300}).at(6, {key_down(K_SPACE)});
        for (const auto& [fetch, events] : c.events) script.at(fetch, events);
        for (const auto& [fetch, b] : c.buttons) script.buttons_at(fetch, b[0], b[1], b[2]);
        GetParam().run();
        std::string shown;
        for (const Shown& frame : shown_) shown += frame.draws.back() == bat_at({300, 300}, true) ? 'S' : 'r';
        EXPECT_EQ(shown, c.shown);
        Lines played = harness::sounds("play");
        EXPECT_EQ(std::count(played.begin(), played.end(), "sound_hit.wav"), long(c.strikes));
    }
}

TEST_P(EveryWaitingScreen, CloseRequestEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    void (*run)() = GetParam().run;
    EXPECT_EXIT(
        {
            harness::Script script;
            script.at(2, {harness::quit()});
            run();
        },
        ::testing::ExitedWithCode(0), "^$");
    // Space was handled first in the frame: the close request still ends it.
    EXPECT_EXIT(
        {
            harness::Script script;
            script.at(1, {key_down(K_SPACE), harness::quit()});
            run();
        },
        ::testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(
        {
            harness::Script script;
            script.at(1, {harness::quit(), key_down(K_SPACE)});
            run();
        },
        ::testing::ExitedWithCode(0), "^$");
}

INSTANTIATE_TEST_SUITE_P(Screens, EveryWaitingScreen, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<Screen>& info) { return info.param.name; });

// ---- Game over and victory ---------------------------------------------------

struct EndScreen {
    const char* name;
    void (*run)();
    const media::Surface* picture;
    const char* picture_file;
    const char* tune;
};

const EndScreen kEndScreens[] = {
    {"GameOver", molvane::game_over, &molvane::END_PIC, "image_end.jpg", "sound_end.wav"},
    {"Victory", molvane::you_win, &molvane::WIN_PIC, "image_win.jpg", "sound_victory.wav"},
};

[[maybe_unused]] void PrintTo(const EndScreen& screen, std::ostream* out) { *out << screen.name; }

class EndOfGame : public WaitingScreen, public ::testing::WithParamInterface<EndScreen> {};

TEST_P(EndOfGame, StopsAllPlaysItsTuneAndRetriesOnceAfterTheSpaceFrame) {
    using namespace molvane;
    const EndScreen& screen = GetParam();
    HEART = -1;
    LEVEL = 6;
    STATE = "end";
    picture_ = screen.picture;
    harness::Script script;
    script.pointer_at(1, {450, 200}).at(3, {key_down(K_SPACE), key_down(K_SPACE)});
    screen.run();

    EXPECT_EQ(script.fetches(), 3);
    ASSERT_EQ(shown_.size(), 3U);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(shown_[i].draws, (std::vector<DrawRecord>{{screen.picture_file, 0, 0}, bat_at({450, 200}, false)}))
            << "frame " << i + 1;
        EXPECT_TRUE(shown_[i].picture_shows) << "frame " << i + 1;
    }
    EXPECT_EQ(harness::sounds(),
              (Lines{sound(0, "stop", "mixer"), sound(0, "play", screen.tune), sound(3, "play", "sound_retry.wav")}));
    EXPECT_EQ(STATE, "start");
    EXPECT_EQ(HEART, -1);
    EXPECT_EQ(LEVEL, 6);
}

INSTANTIATE_TEST_SUITE_P(Screens, EndOfGame, ::testing::ValuesIn(kEndScreens),
                         [](const ::testing::TestParamInfo<EndScreen>& info) { return info.param.name; });

}  // namespace
