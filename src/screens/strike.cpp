#include "screens/strike.hpp"

#include "media/sound.hpp"
#include "shell/game_state.hpp"

namespace molvane {

bool is_strike(const media::Event& event) {
    if (event.type != media::EventType::MOUSEBUTTONDOWN) return false;
    return event.button == media::BUTTON_LEFT || media::mouse::get_pressed()[0];
}

void strike() {
    HIT.play();
    MOUSE_STATE = 1;
    media::Pos hit_pos = media::mouse::get_pos();
    for (Rabbit* rabbit : rabbit_list)
        if (rabbit->rect.collidepoint(hit_pos)) rabbit->hit();
}

}  // namespace molvane
