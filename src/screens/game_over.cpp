// The game-over screen, after the lives ran out.
#include "media/sound.hpp"
#include "screens/screens.hpp"
#include "screens/waiting_screen.hpp"
#include "shell/game_state.hpp"

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
