// The frames of a level: the countdown's and play's, one at a time. The main
// screen runs them, and so does the benchmark.
#include "screens/level_frames.hpp"

#include "media/display.hpp"
#include "media/event.hpp"
#include "media/sound.hpp"
#include "screens/hud.hpp"
#include "screens/mute.hpp"
#include "screens/strike.hpp"
#include "shell/close_game.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace molvane {

using media::EventType;

namespace {

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

}  // namespace

bool countdown_frame(Timer& timer_ready, const Timer& timer) {
    for (const media::Event& event : media::event::get()) {
        if (event.type == EventType::QUIT) close_game();
        mute_on_m(event);
        if (is_strike(event)) swing();
        if (event.type == EventType::MOUSEBUTTONUP) MOUSE_STATE = 0;
    }
    refresh_text(timer.get_format_time());
    timer_ready.update();
    int second = timer_ready.get_second();
    rabbit_list.draw(SCREEN);
    bat->update(SCREEN, MOUSE_STATE);
    refresh_ready(second);
    media::display::flip();
    return second != 0;
}

void play_frame(Timer& timer) {
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
        if (is_strike(event)) strike(event);
        if (event.type == EventType::MOUSEBUTTONUP) MOUSE_STATE = 0;
        if (event.type == EventType::KEYDOWN && event.key == media::K_ESCAPE) {
            media::mixer::stop();
            STATE = "esc";
            FLAG = 0;
        }
        // Space pauses, and so does the player going to another window: the
        // rabbits would go on costing lives nobody could save. A level that
        // has already ended in this frame is not paused: the pause would
        // start it running again.
        bool space = event.type == EventType::KEYDOWN && event.key == media::K_SPACE;
        if ((space || event.type == EventType::FOCUS_LOST) && FLAG == 1) pause_play();
    }
}

}  // namespace molvane
