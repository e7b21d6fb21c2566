// The victory screen, after the tenth level.
#include "media/sound.hpp"
#include "screens/screens.hpp"
#include "screens/waiting_screen.hpp"
#include "shell/game_state.hpp"

namespace molvane {

void you_win() {
    media::mixer::stop();
    VICTORY.play();
    FLAG = 1;
    waiting_screen(WIN_PIC, nullptr);
    RETRY.play();
    STATE = "start";
}

}  // namespace molvane
