#include "shell/close_game.hpp"

#include <cstdlib>

#include "media/display.hpp"
#include "shell/game_state.hpp"

namespace molvane {

namespace {

void release_game_objects() {
    rabbit_list.clear();
    bat.reset();
    for (media::Surface* picture :
         {&SCREEN, &COUNT_BOARD, &WINDOW_ICON, &RABBIT_EMPTY, &RABBIT_POSE, &RABBIT_CRY, &RABBIT_COOL, &RABBIT_HEART,
          &MOUSE_READY, &MOUSE_HIT, &LIFE_PIC, &START_PIC, &END_PIC, &WIN_PIC})
        *picture = {};
    for (media::Sound* sound : {&START, &MAIN, &POP, &COOL, &HIT, &HURT, &ADD_LIFE, &GAME_OVER, &NEXT, &PAUSE, &UNPAUSE,
                                &VICTORY, &SPACE, &RETRY, &DANGER})
        *sound = {};
    for (media::Font* font : {&FONT_LEVEL, &FONT_TIMER, &FONT_READY}) *font = {};
}

}  // namespace

void shut_down() {
    release_game_objects();
    media::quit();
}

void close_game() {
    shut_down();
    std::exit(0);
}

}  // namespace molvane
