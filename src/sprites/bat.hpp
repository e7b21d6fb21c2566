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
    // 0 and in the first update after a strike, resting otherwise.
    void update(media::Surface& surface, int state);
    // A strike: the next update shows it even when the button was let go
    // meanwhile, as for a tap whose press and release came in one batch.
    void strike() { struck_ = true; }

    int width = 0;  // of the resting picture, used for both
    int height = 0;
    double x = 0;  // top-left corner; may carry half a pixel
    double y = 0;
    media::Pos corner;  // (x, y), where the picture is drawn

private:
    void follow_pointer();
    bool struck_ = false;
};

}  // namespace molvane
