// The frames of a level, one at a time.
#pragma once

#include "sprites/timer.hpp"

namespace molvane {

// A frame of the 3-2-1 countdown: the events (the bat strikes the air: no
// rabbit is hit, and keys do nothing), the HUD, the rabbits as they are, the
// bat, the number, the flip. False after the frame without a number that
// ends it.
bool countdown_frame(Timer& timer_ready, const Timer& timer);

// A frame of play: the HUD, the rabbits stepped and drawn, the bat, the flip,
// then the events: strikes, Escape, and space or the window losing the
// keyboard, either of which pauses until the next space press. Sets FLAG to 0 when the level ends in this frame, and
// STATE to "end" when the lives ran out or "esc" on Escape. A frame that ends the level is finished in full: its
// strikes still count.
void play_frame(Timer& timer);

}  // namespace molvane
