// Whole games through the real screen loop, played by scripted players: one
// who strikes every rabbit and one who never strikes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.hpp"
#include "players.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"
#include "shell/start_up.hpp"

namespace {

using players::times_played;

// Runs screens from the title until `last` has run (or a bound, so that a
// game that never ends fails instead of hanging) and lists them in order.
std::vector<std::string> play_until(const std::string& last) {
    std::vector<std::string> screens;
    while (screens.size() < 40) {
        screens.push_back(molvane::STATE);
        molvane::run_screen();
        if (screens.back() == last) break;
    }
    return screens;
}

// The index of the first trace line that ends with `what`, or -1.
long find_sound(const std::string& what, long from = 0) {
    std::vector<std::string> lines = harness::sounds();
    for (long i = from; i < static_cast<long>(lines.size()); ++i)
        if (lines[static_cast<std::size_t>(i)].ends_with(" " + what)) return i;
    return -1;
}

class WholeGame : public ::testing::Test {
protected:
    void SetUp() override { harness::start_game(); }
};

TEST_F(WholeGame, StrikingEveryRabbitWinsAllTenLevelsThenANewGameBegins) {
    molvane::seed_random(2024);
    players::Striker striker;
    harness::Script script;
    script.each(players::whole_game([&](players::Input& input) { striker.play(input); }));

    std::vector<std::string> expected{"start"};
    expected.insert(expected.end(), 10, "main");
    expected.push_back("win");
    ASSERT_EQ(play_until("win"), expected);
    EXPECT_EQ(molvane::STATE, "start");
    EXPECT_EQ(molvane::LEVEL, 9);
    // No rabbit got away: the lives only grew, by the hearts struck.
    EXPECT_EQ(times_played("sound_cool.wav"), 0);
    EXPECT_GE(molvane::HEART, 3);
    EXPECT_EQ(molvane::HEART, std::min(5, 3 + times_played("sound_addlife.mp3")));
    EXPECT_GT(striker.strikes(), 100);

    EXPECT_EQ(times_played("sound_ding.wav"), 9);
    EXPECT_EQ(times_played("sound_victory.wav"), 1);
    EXPECT_EQ(times_played("sound_end.wav"), 0);
    EXPECT_EQ(times_played("sound_retry.wav"), 1);
    // Entering the victory screen silences the play music first; leaving it
    // plays the retry sound last.
    long victory = find_sound("play sound_victory.wav");
    ASSERT_GT(victory, 0);
    EXPECT_TRUE(harness::sounds()[static_cast<std::size_t>(victory - 1)].ends_with(" stop mixer"));
    EXPECT_TRUE(harness::sounds().back().ends_with(" play sound_retry.wav"));
    // The ninth ding comes before the tenth level, none after it.
    EXPECT_LT(find_sound("play sound_ding.wav", find_sound("play sound_ding.wav") + 1), victory);

    molvane::run_screen();  // the title again: a fresh game
    EXPECT_EQ(molvane::STATE, "main");
    EXPECT_EQ(molvane::HEART, 3);
    EXPECT_EQ(molvane::LEVEL, 0);
}

TEST_F(WholeGame, NeverStrikingLosesEarlyAndSpaceOnTheGameOverReturnsToTheTitle) {
    molvane::seed_random(7);
    harness::Script script;
    script.each(players::whole_game());

    std::vector<std::string> screens = play_until("end");
    ASSERT_EQ(screens.back(), "end");
    ASSERT_GE(screens.size(), 3u);
    EXPECT_EQ(screens.front(), "start");
    EXPECT_TRUE(std::all_of(screens.begin() + 1, screens.end() - 1, [](auto& s) { return s == "main"; }));
    EXPECT_EQ(molvane::STATE, "start");
    EXPECT_LT(molvane::LEVEL, 9);
    EXPECT_EQ(static_cast<int>(screens.size()) - 2, molvane::LEVEL + 1);  // levels played

    // No heart was ever struck, so exactly four rabbits got away: 3, 2, 1, 0,
    // then -1; the last life left was announced once.
    EXPECT_EQ(molvane::HEART, -1);
    EXPECT_EQ(times_played("sound_cool.wav"), 4);
    EXPECT_EQ(times_played("sound_danger.wav"), 1);
    EXPECT_EQ(times_played("sound_hurt.wav"), 0);
    EXPECT_EQ(times_played("sound_ding.wav"), molvane::LEVEL);
    EXPECT_EQ(times_played("sound_end.wav"), 1);
    EXPECT_EQ(times_played("sound_victory.wav"), 0);
    EXPECT_EQ(times_played("sound_retry.wav"), 1);
    long over = find_sound("play sound_end.wav");
    ASSERT_GT(over, 0);
    EXPECT_TRUE(harness::sounds()[static_cast<std::size_t>(over - 1)].ends_with(" stop mixer"));
    EXPECT_TRUE(harness::sounds().back().ends_with(" play sound_retry.wav"));

    molvane::run_screen();
    EXPECT_EQ(molvane::STATE, "main");
    EXPECT_EQ(molvane::HEART, 3);
    EXPECT_EQ(molvane::LEVEL, 0);
}

TEST_F(WholeGame, TheSameSeedPlaysTheSameGame) {
    auto lost_game = [](std::uint32_t seed) {
        harness::reset_game_state();
        molvane::seed_random(seed);
        harness::Script script;
        script.each(players::whole_game());
        long first = media::testing::frames_shown();
        play_until("end");
        return players::sounds_from(first);
    };
    std::vector<std::string> first = lost_game(11);
    EXPECT_EQ(lost_game(11), first);
    EXPECT_NE(lost_game(12), first);
}

}  // namespace
