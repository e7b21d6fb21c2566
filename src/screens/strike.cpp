#include "screens/strike.hpp"

#include "media/sound.hpp"
#include "shell/game_state.hpp"

namespace molvane {

bool is_strike(const media::Event& event) {
    if (event.type != media::EventType::MOUSEBUTTONDOWN) return false;
    return event.button == media::BUTTON_LEFT || media::mouse::get_pressed()[0];
}

void swing() {
    HIT.play();
    MOUSE_STATE = 1;
    bat->strike();
}

void strike(const media::Event& press) {
    swing();
    // Where the button went down: the pointer may have moved on before the
    // frame read the press, and the player struck where it was.
    media::Pos hit_pos = press.pos.value_or(media::mouse::get_pos());
    for (Rabbit* rabbit : rabbit_list)
        if (rabbit->rect.collidepoint(hit_pos)) rabbit->hit();
}

}  // namespace molvane
