// What counts as a strike of the bat.
#pragma once

#include "media/event.hpp"

namespace molvane {

// A press of the left button strikes, even a tap whose release has already
// arrived by the time it is handled; a press of another button strikes only
// while the left button is held.
bool is_strike(const media::Event& event);

// The bat swings: the hit sound and the striking bat. On every screen, for
// every press that is a strike.
void swing();

// A strike in play: the swing, and every rabbit whose hole holds the place
// where the button went down is hit; without a press (the benchmark's
// player), where the pointer is now.
void strike(const media::Event& press = {});

}  // namespace molvane
