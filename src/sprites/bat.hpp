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

    // Follows the pointer and draws the bat: resting when `state` is 0,
    // striking otherwise.
    void update(media::Surface& surface, int state);

    int width = 0;  // of the resting picture, used for both
    int height = 0;
    double x = 0;  // top-left corner; may carry half a pixel
    double y = 0;
    media::Pos corner;  // (x, y), where the picture is drawn
};

}  // namespace molvane
