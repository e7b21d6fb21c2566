#include "screens/waiting_screen.hpp"

#include "media/display.hpp"
#include "media/event.hpp"
#include "screens/mute.hpp"
#include "screens/strike.hpp"
#include "shell/close_game.hpp"
#include "shell/game_state.hpp"

namespace molvane {

void waiting_screen(const media::Surface& picture, const media::Sound* space_sound) {
    using media::EventType;
    while (FLAG == 1) {
        SCREEN.blit(picture, {0, 0});
        for (const media::Event& event : media::event::get()) {
            if (event.type == EventType::QUIT) close_game();
            mute_on_m(event);
            if (event.type == EventType::KEYDOWN && event.key == media::K_SPACE) {
                FLAG = 0;
                if (space_sound) space_sound->play();
            }
            if (is_strike(event)) swing();
            if (event.type == EventType::MOUSEBUTTONUP) MOUSE_STATE = 0;
        }
        bat->update(SCREEN, MOUSE_STATE);
        media::display::flip();
        CLOCK.tick(60);
    }
}

}  // namespace molvane
