// The player's bat, drawn centred on the pointer in place of the hidden
// system pointer.
#pragma once

#include "media/geometry.hpp"
#include "media/sprite.hpp"
#include "media/surface.hpp"

namespace molvane {

class Bat : public media::Sprite {
public:
    Bat();

    // Follows the pointer and draws the bat: striking while `state` is not
    // 0 and for the frames after a strike (see strike()), resting otherwise.
    void update(media::Surface& surface, int state);
    // A strike: the striking bat shows for the next kStrikeFrames updates at
    // least, however soon the button is let go. A tap, pressed and let go
    // between two frames, would show no strike at all.
    void strike();
    static constexpr int kStrikeFrames = 6;

    int width = 0;  // of the resting picture, used for both
    int height = 0;
    double x = 0;  // top-left corner; may carry half a pixel
    double y = 0;
    media::Pos corner;  // (x, y), where the picture is drawn

private:
    int strike_frames_left_ = 0;
};

}  // namespace molvane
