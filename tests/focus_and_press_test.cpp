// The player leaving the window in play, and where a press strikes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.hpp"
#include "media/display.hpp"
#include "media/testing.hpp"
#include "players.hpp"
#include "screens/screens.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"
#include "shell/start_up.hpp"

namespace {

using harness::key_down;
using media::Event;
using media::EventType;
using players::play_fetch;
using Strings = std::vector<std::string>;

const Event kFocusLost{EventType::FOCUS_LOST};
const Event kSpace = key_down(media::K_SPACE);
const Event kEscape = key_down(media::K_ESCAPE);

// A press of the left button that went down at `at`.
Event press_at(media::Pos at) { return {EventType::MOUSEBUTTONDOWN, media::K_OTHER, media::BUTTON_LEFT, at}; }

// What a level showed and played, frame by frame, from the test's start.
struct Level {
    std::vector<std::vector<media::testing::DrawRecord>> frames;
    Strings sounds;
    long fetches = 0;
};

// One level on a calm board with `script` adding to it, up to Escape.
Level play_level(const std::function<void(harness::Script&)>& script_more) {
    harness::reset_game_state();
    molvane::seed_random(3);
    molvane::STATE = "main";
    Level level;
    media::display::flip();  // what earlier tests drew is not this level's
    long first = media::testing::frames_shown();
    media::testing::on_flip([&] { level.frames.push_back(media::testing::draws_since_flip()); });
    {
        harness::Script script;
        script.each([](long, media::testing::Input&) { players::quiet_board(); });
        script_more(script);
        molvane::game_main();
        level.fetches = script.fetches();
    }
    media::testing::on_flip(nullptr);
    level.sounds = players::sounds_from(first);
    return level;
}

class Focus : public ::testing::Test {
protected:
    void SetUp() override { harness::start_game(); }
};

TEST_F(Focus, LostInPlayPausesExactlyAsSpaceDoesAndSpaceResumes) {
    auto with = [](const Event& pausing) {
        return play_level([&](harness::Script& script) {
            script.at(play_fetch(20), {pausing}).at(play_fetch(20) + 30, {kSpace}).at(play_fetch(20) + 60, {kEscape});
        });
    };
    Level by_focus = with(kFocusLost);
    Level by_space = with(kSpace);
    // The pause: held sounds, the pause sound, one flip of the frozen frame
    // under PAUSE, 29 waits without a frame, then the release.
    EXPECT_EQ(by_focus.sounds, by_space.sounds);
    EXPECT_EQ(by_focus.frames, by_space.frames);
    EXPECT_EQ(by_focus.fetches, by_space.fetches);
    const long pause_frame = 181 + 20 + 1;
    ASSERT_GT(long(by_focus.frames.size()), pause_frame);
    EXPECT_EQ(by_focus.frames[pause_frame - 1].back().label, "text:PAUSE");
    Strings expected{
        std::to_string(pause_frame - 1) + " pause mixer", std::to_string(pause_frame - 1) + " play sound_wait.wav",
        std::to_string(pause_frame) + " unpause mixer", std::to_string(pause_frame) + " play sound_biu.wav"};
    Strings pausing(by_focus.sounds.begin(), by_focus.sounds.begin() + 4);
    EXPECT_EQ(pausing, expected);
    // 60 fetches after the pause began, less the 30 of the pause: 30 frames
    // of play were shown after it.
    EXPECT_EQ(long(by_focus.frames.size()), pause_frame + 30);
}

TEST_F(Focus, LostInTheCountdownOrInThePauseChangesNothing) {
    Level plain = play_level([](harness::Script& script) {
        script.at(play_fetch(20), {kSpace}).at(play_fetch(20) + 10, {kSpace}).at(play_fetch(40), {kEscape});
    });
    Level lost = play_level([](harness::Script& script) {
        script.at(60, {kFocusLost})
            .at(180, {kFocusLost})
            .at(play_fetch(20), {kSpace})
            .at(play_fetch(20) + 3, {kFocusLost, kFocusLost})
            .at(play_fetch(20) + 10, {kSpace})
            .at(play_fetch(40), {kEscape});
    });
    EXPECT_EQ(lost.sounds, plain.sounds);
    EXPECT_EQ(lost.frames, plain.frames);
    EXPECT_EQ(lost.fetches, plain.fetches);
}

TEST_F(Focus, LostOnTheWaitingScreensChangesNothing) {
    for (const char* screen : {"start", "end", "win"}) {
        SCOPED_TRACE(screen);
        harness::reset_game_state();
        molvane::STATE = screen;
        harness::Script script;
        script.at(2, {kFocusLost}).at(5, {kFocusLost, kSpace});
        long first = media::testing::frames_shown();
        molvane::run_screen();
        EXPECT_EQ(media::testing::frames_shown() - first, 5);
        for (const std::string& line : players::sounds_from(first)) EXPECT_EQ(line.find("pause"), std::string::npos);
    }
    media::mixer::stop();
}

TEST(Press, StrikesWhereTheButtonWentDownThoughThePointerMovedOn) {
    harness::start_game();
    Strings after_click, after_pause;  // rabbits 0, 2 and 4
    auto states = [] {
        return Strings{molvane::rabbit_list[0].state, molvane::rabbit_list[2].state, molvane::rabbit_list[4].state};
    };
    play_level([&](harness::Script& script) {
        script.each([&](long fetch, media::testing::Input& input) {
            if (fetch < play_fetch(10)) players::quiet_board();
            if (fetch == play_fetch(10)) {
                players::quiet_board();
                for (std::size_t hole : {0u, 2u, 4u}) players::raise(hole);
            }
            // A quick click at rabbit 4, read when the pointer is already
            // over rabbit 0 and the button up.
            if (fetch == play_fetch(11)) {
                input.events = {press_at(players::centre_of(4)),
                                {EventType::MOUSEBUTTONUP, media::K_OTHER, media::BUTTON_LEFT}};
                input.pointer = players::centre_of(0);
                input.buttons = {false, false, false};
            }
            if (fetch == play_fetch(12)) after_click = states();
            // A press at rabbit 2 read late: a pause came first in the same
            // batch, and the pointer moved over rabbit 0 during it.
            if (fetch == play_fetch(21)) {
                input.events = {kSpace, press_at(players::centre_of(2))};
                input.pointer = players::centre_of(2);
            }
            if (fetch == play_fetch(21) + 2) input.pointer = players::centre_of(0);
            if (fetch == play_fetch(21) + 4) input.events = {kSpace};
            if (fetch == play_fetch(22) + 4) after_pause = states();
            if (fetch == play_fetch(30)) input.events = {kEscape};
        });
    });
    EXPECT_EQ(after_click, (Strings{"pose", "pose", "cry"}));
    EXPECT_EQ(after_pause, (Strings{"pose", "cry", "cry"}));
}

}  // namespace
