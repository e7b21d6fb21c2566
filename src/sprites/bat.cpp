#include "sprites/bat.hpp"

#include "media/event.hpp"
#include "shell/game_state.hpp"

namespace molvane {

Bat::Bat() {
    image = MOUSE_READY;
    width = image.get_width();
    height = image.get_height();
    follow_pointer();
}

void Bat::follow_pointer() {
    media::Pos pointer = media::mouse::get_pos();
    x = pointer.x - width / 2.0;
    y = pointer.y - height / 2.0;
    corner = {x, y};
}

void Bat::update(media::Surface& surface, int state) {
    follow_pointer();
    image = state != 0 || struck_ ? MOUSE_HIT : MOUSE_READY;
    struck_ = false;
    surface.blit(image, corner);
}

}  // namespace molvane
