// The title screen: a fresh game begins here.
#include "screens/screens.hpp"

namespace molvane {

void game_start() {
    START.play(-1);
    STATE = "start";
    HEART = 3;
    LEVEL = 0;
    FLAG = 1;
    waiting_screen(START_PIC, &SPACE);
    START.stop();
    MAIN.play(-1);
    STATE = "main";
}

}  // namespace molvane
