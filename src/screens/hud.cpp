#include "screens/hud.hpp"

#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace molvane {

void refresh_text(const std::pair<std::string, std::string>& timer) {
    media::Surface timer_text = FONT_TIMER.render(timer.first + ":" + timer.second, true, WHITE);
    media::Surface level_text = FONT_LEVEL.render("Level: " + std::to_string(LEVEL + 1), true, WHITE);
    media::Surface life_text = FONT_LEVEL.render(" X " + std::to_string(HEART), true, WHITE);

    double board_width = COUNT_BOARD.get_width();
    double board_height = COUNT_BOARD.get_height();
    media::Pos timer_text_pos{board_width / 2 - timer_text.get_width() / 2.0,
                              board_height / 2 - timer_text.get_height() / 2.0};
    media::Pos level_text_pos{20, board_height / 2 - level_text.get_height() / 2.0};
    media::Pos life_pose{480, board_height / 2 - LIFE_PIC.get_height() / 2.0};
    media::Pos life_text_pos{530, level_text_pos.y};

    SCREEN.blit(COUNT_BOARD, {0, 0});
    SCREEN.blit(timer_text, timer_text_pos);
    SCREEN.blit(level_text, level_text_pos);
    SCREEN.blit(life_text, life_text_pos);
    SCREEN.blit(LIFE_PIC, life_pose);
}

void refresh_ready(int second) {
    if (second <= 0) return;
    media::Surface ready = FONT_READY.render(std::to_string(second), true, RED);
    media::Pos pos{SCREEN.get_width() / 2.0 - ready.get_width() / 2.0,
                   SCREEN.get_height() / 2.0 - ready.get_height() / 2.0};
    SCREEN.blit(ready, pos);
}

}  // namespace molvane
