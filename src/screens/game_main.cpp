// The main screen: one level, from the ready countdown through 30 seconds of
// play, with pauses, to where the game goes next.
#include "media/display.hpp"
#include "media/event.hpp"
#include "media/sound.hpp"
#include "screens/hud.hpp"
#include "screens/mute.hpp"
#include "screens/screens.hpp"
#include "screens/strike.hpp"
#include "shell/close_game.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "sprites/timer.hpp"

namespace molvane {

namespace {

using media::EventType;

// 3, 2, 1 for a second each, then one frame without a number. The bat
// strikes the air: no rabbit is hit, and keys do nothing.
void ready_countdown(Timer& timer_ready, const Timer& timer) {
    for (;;) {
        for (const media::Event& event : media::event::get()) {
            if (event.type == EventType::QUIT) close_game();
            mute_on_m(event);
            if (is_strike(event)) {
                HIT.play();
                MOUSE_STATE = 1;
            }
            if (event.type == EventType::MOUSEBUTTONUP) MOUSE_STATE = 0;
        }
        refresh_text(timer.get_format_time());
        timer_ready.update();
        int second = timer_ready.get_second();
        rabbit_list.draw(SCREEN);
        bat->update(SCREEN, MOUSE_STATE);
        refresh_ready(second);
        media::display::flip();
        if (second == 0) return;  // play begins at once, without a wait
        CLOCK.tick(60);
    }
}

// Freezes the last frame under "PAUSE", holds every sound, and waits for the
// next space press. No frame of play passes, so no time passes.
void pause_play() {
    media::Surface pause = FONT_READY.render_within("PAUSE", true, RED, centred_room());
    media::Pos pause_pos{SCREEN.get_width() / 2.0 - pause.get_width() / 2.0,
                         SCREEN.get_height() / 2.0 - pause.get_height() / 2.0};
    SCREEN.blit(pause, pause_pos);
    media::mixer::pause();
    PAUSE.play();
    media::display::flip();
    while (FLAG == 1) {
        for (const media::Event& e : media::event::get()) {
            if (e.type == EventType::QUIT) close_game();
            mute_on_m(e);
            if (e.type == EventType::KEYDOWN && e.key == media::K_SPACE) FLAG = 0;
        }
        CLOCK.tick(60);
    }
    media::mixer::unpause();
    UNPAUSE.play();
    FLAG = 1;
}

// Thirty seconds of play. A frame that ends the level is finished in full:
// its strikes still count.
void play_time(Timer& timer) {
    FLAG = 1;
    while (FLAG == 1) {
        refresh_text(timer.get_format_time());
        FLAG = timer.update();
        rabbit_list.update();
        rabbit_list.draw(SCREEN);
        bat->update(SCREEN, MOUSE_STATE);
        media::display::flip();
        if (HEART < 0) {
            FLAG = 0;
            STATE = "end";
        }
        for (const media::Event& event : media::event::get()) {
            if (event.type == EventType::QUIT) close_game();
            mute_on_m(event);
            if (is_strike(event)) strike();
            if (event.type == EventType::MOUSEBUTTONUP) MOUSE_STATE = 0;
            if (event.type == EventType::KEYDOWN && event.key == media::K_ESCAPE) {
                media::mixer::stop();
                STATE = "esc";
                FLAG = 0;
            }
            // A level that has already ended in this frame is not paused:
            // the pause would start it running again.
            if (event.type == EventType::KEYDOWN && event.key == media::K_SPACE && FLAG == 1) pause_play();
        }
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
