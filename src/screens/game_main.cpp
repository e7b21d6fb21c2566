// The main screen: one level, from the ready countdown through 30 seconds of
// play, with pauses, to where the game goes next.
#include "media/sound.hpp"
#include "screens/level_frames.hpp"
#include "screens/screens.hpp"
#include "shell/game_state.hpp"
#include "sprites/timer.hpp"

namespace molvane {

namespace {

// 3, 2, 1 for a second each, then one frame without a number; play begins
// at once after it, without a wait.
void ready_countdown(Timer& timer_ready, const Timer& timer) {
    while (countdown_frame(timer_ready, timer)) CLOCK.tick(60);
}

// Thirty seconds of play.
void play_time(Timer& timer) {
    FLAG = 1;
    while (FLAG == 1) {
        play_frame(timer);
        CLOCK.tick(60);
    }
}

// Where the game goes next. A level whose lives fell below zero is lost, even
// when a heart struck later in that frame gave one back.
void end_of_level() {
    if (STATE == "esc") {
        STATE = "start";
    } else if (STATE != "end") {
        if (LEVEL < 9) {
            LEVEL = LEVEL + 1;
            NEXT.play();
            STATE = "main";
        } else {
            STATE = "win";
        }
    }
}

}  // namespace

void game_main() {
    Timer timer_ready(4);
    Timer timer(30);
    for (Rabbit* rabbit : rabbit_list) rabbit->clear();
    ready_countdown(timer_ready, timer);
    play_time(timer);
    end_of_level();
}

}  // namespace molvane
