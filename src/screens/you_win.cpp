// The victory screen, after the tenth level.
#include "screens/screens.hpp"

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
