// The main screen: one level, from the ready countdown through 30 seconds of
// play, with pauses, to where the game goes next.
#include "media/display.hpp"
#include "screens/hud.hpp"
#include "screens/screens.hpp"
#include "shell/constants.hpp"
#include "sprites/timer.hpp"

namespace molvane {

namespace {

using media::EventType;

bool is_key(const media::Event& event, int key) { return event.type == EventType::KEYDOWN && event.key == key; }

// A strike in play hits every rabbit whose hole holds the place where the
// button went down (the pointer may have moved on since).
void hit_rabbits(const media::Event& press) {
    media::Pos hit_pos = press.pos.value_or(media::mouse::get_pos());
    for (Rabbit* rabbit : rabbit_list)
        if (rabbit->rect.collidepoint(hit_pos)) rabbit->hit();
}

// Freezes the last frame under "PAUSE", holds every sound, and waits for the
// next space press. No frame of play passes, so no time passes.
void pause_play() {
    media::Surface pause = FONT_READY.render_within("PAUSE", true, RED, centred_room());
    SCREEN.blit(pause, {SCREEN.get_width() / 2.0 - pause.get_width() / 2.0,
                        SCREEN.get_height() / 2.0 - pause.get_height() / 2.0});
    media::mixer::pause();
    PAUSE.play();
    media::display::flip();
    while (FLAG == 1) {
        for (const media::Event& event : media::event::get()) {
            quit_or_mute(event);
            if (is_key(event, media::K_SPACE)) FLAG = 0;
        }
        CLOCK.tick(60);
    }
    media::mixer::unpause();
    UNPAUSE.play();
    FLAG = 1;
}

// 3, 2, 1 for a second each, then one frame without a number; play begins at
// once after it. The bat strikes the air: no rabbit is hit, keys do nothing.
void ready_countdown(Timer& timer_ready, const Timer& timer) {
    for (;;) {
        for (const media::Event& event : media::event::get()) {
            quit_or_mute(event);
            strike(event);
        }
        refresh_text(timer.get_format_time());
        timer_ready.update();
        int second = timer_ready.get_second();
        rabbit_list.draw(SCREEN);
        bat->update(SCREEN, MOUSE_STATE);
        refresh_ready(second);
        media::display::flip();
        if (second == 0) return;
        CLOCK.tick(60);
    }
}

// Thirty seconds of play: each frame is drawn, then its events handled; a
// frame that ends the level is finished in full, its strikes still count.
// Escape ends the level at once; space, or the window losing the keyboard,
// pauses, unless the level already ended in this frame.
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
            quit_or_mute(event);
            if (strike(event)) hit_rabbits(event);
            if (is_key(event, media::K_ESCAPE)) {
                media::mixer::stop();
                STATE = "esc";
                FLAG = 0;
            }
            if ((is_key(event, media::K_SPACE) || event.type == EventType::FOCUS_LOST) && FLAG == 1) pause_play();
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
