// Scripted players and the small helpers the screen tests share: putting the
// rabbits where a test wants them, reading the HUD's clock, the sound trace
// counted from a test's own first frame, and whole games.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "harness.hpp"
#include "media/geometry.hpp"
#include "media/testing.hpp"
#include "shell/game_state.hpp"
#include "shell/start_up.hpp"

namespace players {

using media::testing::Input;

// A level: 181 countdown frames (3, 2, 1 for sixty frames each, then one
// blank), then 1800 frames of play. Without a pause, play frame n fetches its
// events at fetch 181 + n, after it was shown.
inline constexpr long kCountdownFrames = 181;
inline constexpr long kPlayFrames = 1800;
constexpr long play_fetch(long frame) { return kCountdownFrames + frame; }

// What the HUD's clock reads after `steps` sixtieths of play, counted down
// from 30:00: seconds and sixtieths, two digits each.
inline std::string hud_time(int steps) {
    auto two_digits = [](int n) {
        std::string text = std::to_string(n);
        if (n < 10) text.insert(text.begin(), '0');
        return text;
    };
    int left = 30 * 60 - steps;
    return two_digits(left / 60) + ":" + two_digits(left % 60);
}

// The centre of hole `index`: three columns and three rows of 200 x 200
// holes below the 80-pixel HUD strip.
inline media::Pos centre_of(std::size_t index) {
    return {static_cast<double>(index % 3) * 200 + 100, 80 + static_cast<double>(index / 3) * 200 + 100};
}

// Every rabbit an empty hole with a long phase ahead: nothing pops up,
// nothing gets away. Called at each fetch, it keeps a level calm.
inline void quiet_board() {
    for (molvane::Rabbit* rabbit : molvane::rabbit_list) {
        rabbit->state = "empty";
        rabbit->image = molvane::RABBIT_EMPTY;
        rabbit->lock = 1;
        rabbit->count = 1000;
    }
}

// Rabbit `index` up in its hole ("pose" or "heart") for a long while.
inline void raise(std::size_t index, const std::string& state = "pose") {
    molvane::Rabbit& rabbit = molvane::rabbit_list[index];
    rabbit.state = state;
    rabbit.image = state == "heart" ? molvane::RABBIT_HEART : molvane::RABBIT_POSE;
    rabbit.lock = 1;
    rabbit.count = 1000;
}

// Rabbit `index` up with its phase over: it gets away on its next update.
inline void about_to_get_away(std::size_t index) {
    raise(index);
    molvane::rabbit_list[index].count = 0;
}

// The states of the nine rabbits, in hole order.
inline std::vector<std::string> rabbit_states() {
    std::vector<std::string> states;
    for (const molvane::Rabbit* rabbit : molvane::rabbit_list) states.push_back(rabbit->state);
    return states;
}

// The sound trace since it was cleared, as "FRAME ACTION NAME", with FRAME
// counted from `first_frame` (frames_shown() read at the start of a test).
inline std::vector<std::string> sounds_from(long first_frame) {
    std::vector<std::string> lines;
    for (const auto& record : media::testing::sound_trace())
        lines.push_back(std::to_string(record.frame - first_frame) + " " + record.action + " " + record.sound);
    return lines;
}

// How many times `name` was played once (not looped) since the trace was
// cleared.
inline int times_played(const std::string& name) {
    int times = 0;
    for (const std::string& played : harness::sounds("play")) times += played == name;
    return times;
}

// Strikes every rabbit that shows itself: at a fetch with a rabbit up ("pose"
// or "heart") it moves the pointer onto the first such rabbit and presses the
// left button (reported down); at the next fetch it lets go.
class Striker {
public:
    void play(Input& input) {
        if (holding_) {
            input.buttons = {false, false, false};
            input.events.push_back(harness::button_up());
            holding_ = false;
            return;
        }
        for (std::size_t i = 0; i < molvane::rabbit_list.size(); ++i) {
            const std::string& state = molvane::rabbit_list[i].state;
            if (state != "pose" && state != "heart") continue;
            input.pointer = centre_of(i);
            input.buttons = {true, false, false};
            input.events.push_back(harness::button_down());
            holding_ = true;
            ++strikes_;
            return;
        }
    }
    int strikes() const { return strikes_; }

private:
    bool holding_ = false;
    int strikes_ = 0;
};

// A player for the whole game through the screen loop: on the title, the
// game over and the victory (STATE "start", "end", "win") it presses space;
// on the main screen it hands the fetch to `on_main` (none: never strikes).
inline std::function<void(long, Input&)> whole_game(std::function<void(Input&)> on_main = nullptr) {
    return [on_main = std::move(on_main)](long, Input& input) {
        const std::string& state = molvane::STATE;
        if (state == "start" || state == "end" || state == "win")
            input.events.push_back(harness::key_down(media::K_SPACE));
        else if (state == "main" && on_main)
            on_main(input);
    };
}

// Runs screens from the title until a game is over: the game-over or
// victory screen has run (or `max_screens` screens, so that a game that
// never ends fails rather than hangs). `between` is called before each
// screen. Returns the screens run.
inline std::vector<std::string> play_one_game(
    const std::function<void()>& between = [] {}, int max_screens = 200) {
    std::vector<std::string> screens;
    while (static_cast<int>(screens.size()) < max_screens) {
        between();
        screens.push_back(molvane::STATE);
        molvane::run_screen();
        if (screens.back() == "end" || screens.back() == "win") break;
    }
    return screens;
}

}  // namespace players
