#include "screens/hud.hpp"

#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace molvane {

namespace {

// Each text of the strip keeps to the strip, and the lives to the room right
// of x 530; one that would not is drawn smaller (see Font::render_within).
constexpr media::Room kStrip{COUNT_BOARD_SIZE.width, COUNT_BOARD_SIZE.height};
constexpr media::Room kLevelRoom{COUNT_BOARD_SIZE.width - 20, COUNT_BOARD_SIZE.height};
constexpr media::Room kLivesRoom{COUNT_BOARD_SIZE.width - 530, COUNT_BOARD_SIZE.height};

}  // namespace

void refresh_text(const std::pair<std::string, std::string>& timer) {
    media::Surface timer_text = FONT_TIMER.render_within(timer.first + ":" + timer.second, true, WHITE, kStrip);
    media::Surface level_text =
        FONT_LEVEL.render_within("Level: " + std::to_string(LEVEL + 1), true, WHITE, kLevelRoom);
    media::Surface life_text = FONT_LEVEL.render_within(" X " + std::to_string(HEART), true, WHITE, kLivesRoom);

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

media::Room centred_room() { return {SCREEN.get_width() - 2 * 20, SCREEN.get_height()}; }

void refresh_ready(int second) {
    if (second <= 0) return;
    media::Surface ready = FONT_READY.render_within(std::to_string(second), true, RED, centred_room());
    media::Pos pos{SCREEN.get_width() / 2.0 - ready.get_width() / 2.0,
                   SCREEN.get_height() / 2.0 - ready.get_height() / 2.0};
    SCREEN.blit(ready, pos);
}

}  // namespace molvane
