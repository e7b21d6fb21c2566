// Input storms: whole games played by noise, thousands of events a frame, on
// every screen. Nothing may crash and the game's invariants hold every frame.
// MOLVANE_STORM_GAMES and MOLVANE_STORM_EVENTS raise or lower the load (the
// sanitizer build plays 200 games).
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "harness.hpp"
#include "random_player.hpp"
#include "shell/game_state.hpp"
#include "shell/random.hpp"

namespace {

long from_environment(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

enum class Moment { flip, fetch, between_screens };

// What must hold at every frame, whatever the player does; empty when it does.
std::string broken_invariant(const std::vector<const molvane::Rabbit*>& rabbits, Moment moment) {
    using namespace molvane;
    static const std::set<std::string> screens{"start", "main", "end", "win"};
    static const std::set<std::string> states{"empty", "pose", "cry", "cool", "heart"};
    if (LEVEL < 0 || LEVEL > 9) return "LEVEL is " + std::to_string(LEVEL);
    if (HEART > 5) return "HEART is " + std::to_string(HEART);
    // Each of the nine rabbits can cost a life in the same frame, and the
    // frame the lives fall below zero ends the level once it is shown.
    if (HEART < -9) return "HEART fell to " + std::to_string(HEART);
    if (HEART < 0 && moment != Moment::flip && (STATE == "main" || STATE == "win"))
        return "the game went on at HEART " + std::to_string(HEART);
    if (MOUSE_STATE != 0 && MOUSE_STATE != 1) return "MOUSE_STATE is " + std::to_string(MOUSE_STATE);
    // Inside the main screen an Escape is "esc" until the screen returns.
    if (!screens.contains(STATE) && (moment == Moment::between_screens || STATE != "esc"))
        return "STATE is \"" + STATE + "\"";
    if (rabbit_list.size() != rabbits.size()) return "the board has " + std::to_string(rabbit_list.size()) + " rabbits";
    for (std::size_t i = 0; i < rabbits.size(); ++i) {
        if (&rabbit_list[i] != rabbits[i]) return "rabbit " + std::to_string(i) + " is another object";
        if (!states.contains(rabbit_list[i].state))
            return "rabbit " + std::to_string(i) + " is " + rabbit_list[i].state;
    }
    return {};
}

TEST(InputStorm, WholeGamesOfNoiseKeepEveryInvariantOnEveryFrame) {
    harness::start_game();
    const long games = from_environment("MOLVANE_STORM_GAMES", 3);
    const int events = static_cast<int>(from_environment("MOLVANE_STORM_EVENTS", 2000));
    std::vector<const molvane::Rabbit*> rabbits;
    for (std::size_t i = 0; i < molvane::rabbit_list.size(); ++i) rabbits.push_back(&molvane::rabbit_list[i]);
    ASSERT_EQ(rabbits.size(), 9u);

    std::string broken;
    long frames = 0;
    std::set<std::string> screens_seen;
    media::testing::on_flip([&] {
        ++frames;
        if (broken.empty()) broken = broken_invariant(rabbits, Moment::flip);
    });
    for (long game = 0; game < games && broken.empty(); ++game) {
        harness::reset_game_state();
        molvane::seed_random(static_cast<unsigned>(game));
        players::RandomPlayer player(static_cast<std::uint32_t>(game) + 1000, events);
        harness::Script script;
        script.each([&](long, media::testing::Input& input) {
            if (broken.empty()) broken = broken_invariant(rabbits, Moment::fetch);
            player.play(input);
        });
        auto screens = players::play_one_game([&] {
            if (broken.empty()) broken = broken_invariant(rabbits, Moment::between_screens);
        });
        screens_seen.insert(screens.begin(), screens.end());
        EXPECT_TRUE(screens.back() == "end" || screens.back() == "win")
            << "game " << game << " did not end in " << screens.size() << " screens";
        EXPECT_EQ(broken, "") << "game " << game << ", after " << frames << " frames";
    }
    media::testing::on_flip(nullptr);
    // The noise reached every screen but the rare victory.
    for (const char* screen : {"start", "main", "end"}) EXPECT_TRUE(screens_seen.contains(screen)) << screen;
    std::printf("input storm: %ld games, %ld frames, up to %d events a fetch\n", games, frames, events);
}

}  // namespace
