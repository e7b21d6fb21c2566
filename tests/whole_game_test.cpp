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

namespace {

using players::times_played;

class WholeGame : public ::testing::Test {
protected:
    void SetUp() override { harness::start_game(); }
};

TEST_F(WholeGame, StrikingEveryRabbitWinsAllTenLevels) {
    molvane::seed_random(2024);
    players::Striker striker;
    harness::Script script;
    script.each(players::whole_game([&](players::Input& input) { striker.play(input); }));

    std::vector<std::string> expected{"start"};
    expected.insert(expected.end(), 10, "main");
    expected.push_back("win");
    ASSERT_EQ(players::play_one_game(), expected);
    EXPECT_EQ(molvane::LEVEL, 9);
    // No rabbit got away: the lives only grew, by the hearts struck.
    EXPECT_EQ(times_played("sound_cool.wav"), 0);
    EXPECT_EQ(molvane::HEART, std::min(5, 3 + times_played("sound_addlife.mp3")));
    EXPECT_GT(striker.strikes(), 100);
    // A ding for each level cleared but the last, which wins instead.
    EXPECT_EQ(times_played("sound_ding.wav"), 9);
    EXPECT_EQ(times_played("sound_victory.wav"), 1);
    EXPECT_EQ(times_played("sound_end.wav"), 0);
}

TEST_F(WholeGame, NeverStrikingLosesEarly) {
    molvane::seed_random(7);
    harness::Script script;
    script.each(players::whole_game());

    std::vector<std::string> screens = players::play_one_game();
    ASSERT_EQ(screens.back(), "end");
    ASSERT_GE(screens.size(), 3u);
    EXPECT_EQ(screens.front(), "start");
    EXPECT_TRUE(std::all_of(screens.begin() + 1, screens.end() - 1, [](auto& s) { return s == "main"; }));
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
}

TEST_F(WholeGame, TheSameSeedPlaysTheSameGame) {
    auto lost_game = [](std::uint32_t seed) {
        harness::reset_game_state();
        molvane::seed_random(seed);
        harness::Script script;
        script.each(players::whole_game());
        long first = media::testing::frames_shown();
        players::play_one_game();
        return players::sounds_from(first);
    };
    std::vector<std::string> first = lost_game(11);
    EXPECT_EQ(lost_game(11), first);
    EXPECT_NE(lost_game(12), first);
}

}  // namespace
