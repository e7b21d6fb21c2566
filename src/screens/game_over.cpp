// The game-over screen, after the lives ran out.
#include "screens/screens.hpp"

namespace molvane {

void game_over() {
    media::mixer::stop();
    GAME_OVER.play();
    FLAG = 1;
    waiting_screen(END_PIC, nullptr);
    RETRY.play();
    STATE = "start";
}

}  // namespace molvane
