// The four screens. Each runs its own frame loop and returns after setting
// STATE to the screen to run next; the window's close request ends the
// program from any of them.
#pragma once

namespace molvane {

void game_start();  // "start": the title, waiting for space
void game_main();   // "main": one level: countdown, play, pause
void game_over();   // "end": the lost game, waiting for space
void you_win();     // "win": the won game, waiting for space

}  // namespace molvane
