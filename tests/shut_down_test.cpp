// The ways out of the game let go of everything SDL made while SDL still
// runs. Whatever is left to the destructors at the program's exit is freed,
// closed or halted by libraries that have already stopped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "assets.hpp"
#include "harness.hpp"
#include "media/testing.hpp"
#include "players.hpp"
#include "shell/game_state.hpp"
#include "shell/start_up.hpp"

namespace {

// A close request in the middle of a level, after the title, the countdown
// and play with strikes: the HUD's texts rendered, rabbits up and hit.
TEST(ShutDown, TheWindowsCloseLeavesNothingOfSdlsToTheExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            media::testing::end_at_sdl_memory_freed_after_quit();
            harness::start_game();
            harness::Script script;
            script.at(2, {harness::key_down(media::K_SPACE)});
            players::Striker striker;
            const long close = 2 + players::play_fetch(200);
            script.each([&](long fetch, media::testing::Input& input) {
                if (fetch < close) striker.play(input);
                if (fetch == close) input.events = {harness::quit()};
                if (fetch > close) std::exit(3);  // the close did not end the game
            });
            for (int screens = 0; screens < 3; ++screens) molvane::run_screen();
            std::exit(4);
        },
        ::testing::ExitedWithCode(0), "");
}

// Start-up failing on the last sound: the pictures and fonts are loaded, and
// the error's way out must let go of them as the close does.
TEST(ShutDown, AStartUpThatFailsLateLeavesNothingOfSdlsToTheExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            media::testing::end_at_sdl_memory_freed_after_quit();
            setenv("SDL_VIDEODRIVER", "dummy", 0);
            setenv("SDL_AUDIODRIVER", "dummy", 0);
            std::vector<assets::Entry> table(std::begin(assets::DATA), std::end(assets::DATA));
            for (auto& entry : table)
                if (entry.name == "sound_danger.wav") entry.text = "@AAAAAAAAAAAAAAAA";
            std::exit(molvane::run(table));
        },
        ::testing::ExitedWithCode(1), "molvane: cannot load the sound sound_danger.wav");
}

}  // namespace
