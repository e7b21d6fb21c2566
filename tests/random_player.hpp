// A player that is nothing but noise, from a seeded generator: keys, buttons
// 1 to 8, pointer positions far outside the window and floods of motion.
// The storm and replay tests play whole games with it.
#pragma once

#include <cstdint>
#include <random>

#include "harness.hpp"
#include "media/testing.hpp"
#include "players.hpp"

namespace players {

class RandomPlayer {
public:
    // Up to `events` events a fetch. Escape is rare (about one fetch in
    // `escape_every`), so that a game, sent back to the title by it, still
    // reaches its end.
    RandomPlayer(std::uint32_t seed, int events, int board_every = 20, int escape_every = 50000)
        : rng_(seed), events_(events), board_every_(board_every), escape_every_(escape_every) {}

    void play(media::testing::Input& input) {
        std::uniform_int_distribution<int> count(0, events_);
        std::uniform_int_distribution<int> kind(0, 9);
        std::uniform_int_distribution<int> button(1, 8);
        std::uniform_int_distribution<int> coin(0, 1);
        int n = count(rng_);
        // Space (a pause, or leaving a waiting screen) in one fetch of 60 or so:
        // a level paused at every other frame would take all day.
        bool spaces = std::uniform_int_distribution<int>(0, 59)(rng_) == 0;
        auto key = [&] { return spaces && coin(rng_) ? media::K_SPACE : media::K_OTHER; };
        for (int i = 0; i < n; ++i) {
            switch (kind(rng_)) {
                case 0: input.events.push_back(harness::key_down(key())); break;
                case 1: input.events.push_back(harness::key_up(key())); break;
                case 2:
                case 3: input.events.push_back(harness::button_down(button(rng_))); break;
                case 4:
                case 5: input.events.push_back(harness::button_up(button(rng_))); break;
                default: input.events.push_back({media::EventType::MOUSEMOTION, media::K_OTHER, 0}); break;
            }
        }
        if (std::uniform_int_distribution<int>(1, escape_every_)(rng_) == 1)
            input.events.push_back(harness::key_down(media::K_ESCAPE));
        // Over the holes one fetch in `board_every`, else over the HUD strip
        // or far outside the window: rabbits get away and games end.
        std::uniform_real_distribution<double> x(-10, 610), board_y(80, 690), strip_y(-10, 80), outside(-1e9, 1e9);
        int where = std::uniform_int_distribution<int>(0, board_every_ - 1)(rng_);
        input.pointer = where == 0   ? media::Pos{x(rng_), board_y(rng_)}
                        : where == 1 ? media::Pos{outside(rng_), outside(rng_)}
                                     : media::Pos{x(rng_), strip_y(rng_)};
        input.buttons = {coin(rng_) == 1, coin(rng_) == 1, coin(rng_) == 1};
    }

private:
    std::mt19937 rng_;
    int events_;
    int board_every_;
    int escape_every_;
};

}  // namespace players
