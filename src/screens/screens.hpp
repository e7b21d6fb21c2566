// The four screens, and what they share. Each screen runs its own frame loop
// and returns after setting STATE to the screen to run next; the window's
// close request ends the program from any of them.
#pragma once

#include "media/event.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"
#include "shell/close_game.hpp"
#include "shell/game_state.hpp"

namespace molvane {

void game_start();  // "start": the title, waiting for space
void game_main();   // "main": one level: countdown, play, pause
void game_over();   // "end": the lost game, waiting for space
void you_win();     // "win": the won game, waiting for space

// The title, game over and victory: `picture` with the bat over it until
// space is pressed; each space press plays `space_sound` when one is given.
void waiting_screen(const media::Surface& picture, const media::Sound* space_sound);

// On every screen and in the pause: the close request ends the game, and M
// mutes every sound or brings it back (the sounds play on unheard).
inline void quit_or_mute(const media::Event& event) {
    if (event.type == media::EventType::QUIT) close_game();
    if (event.type == media::EventType::KEYDOWN && event.key == media::K_M)
        media::mixer::set_muted(!media::mixer::muted());
}

// The bat on every screen but the pause. A press of the left button strikes
// (the hit sound and the striking bat), even a tap already let go; a press of
// another button strikes while the left one is held. True for a strike. Any
// button's release rests the bat.
inline bool strike(const media::Event& event) {
    if (event.type == media::EventType::MOUSEBUTTONUP) MOUSE_STATE = 0;
    if (event.type != media::EventType::MOUSEBUTTONDOWN) return false;
    if (event.button != media::BUTTON_LEFT && !media::mouse::get_pressed()[0]) return false;
    HIT.play();
    MOUSE_STATE = 1;
    bat->strike();
    return true;
}

}  // namespace molvane
