// The frame loop of the title, game over and victory.
#include "media/display.hpp"
#include "screens/screens.hpp"

namespace molvane {

void waiting_screen(const media::Surface& picture, const media::Sound* space_sound) {
    while (FLAG == 1) {
        SCREEN.blit(picture, {0, 0});
        for (const media::Event& event : media::event::get()) {
            quit_or_mute(event);
            if (event.type == media::EventType::KEYDOWN && event.key == media::K_SPACE) {
                FLAG = 0;
                if (space_sound) space_sound->play();
            }
            strike(event);
        }
        bat->update(SCREEN, MOUSE_STATE);
        media::display::flip();
        CLOCK.tick(60);
    }
}

}  // namespace molvane
