#include "sprites/bat.hpp"

#include "media/event.hpp"
#include "shell/game_state.hpp"

namespace molvane {

Bat::Bat() {
    media::Pos pointer = media::mouse::get_pos();
    image = MOUSE_READY;
    width = image.get_width();
    height = image.get_height();
    x = pointer.x - width / 2.0;
    y = pointer.y - height / 2.0;
    corner = {x, y};
}

void Bat::update(media::Surface& surface, int state) {
    media::Pos pointer = media::mouse::get_pos();
    x = pointer.x - width / 2.0;
    y = pointer.y - height / 2.0;
    corner = {x, y};
    bool striking = state != 0 || strike_frames_left_ > 0;
    if (strike_frames_left_ > 0) --strike_frames_left_;
    image = striking ? MOUSE_HIT : MOUSE_READY;
    surface.blit(image, corner);
}

void Bat::strike() { strike_frames_left_ = kStrikeFrames; }

}  // namespace molvane
