// Input: the events of the window, and the mouse.
#pragma once

#include <array>
#include <vector>

#include "media/geometry.hpp"

namespace media {

enum class EventType { QUIT, KEYDOWN, KEYUP, MOUSEBUTTONDOWN, MOUSEBUTTONUP, MOUSEMOTION, OTHER };

enum Key : int { K_OTHER = 0, K_SPACE = ' ', K_ESCAPE = 27, K_M = 'm' };

// Mouse buttons as the events name them.
enum Button : int { BUTTON_LEFT = 1, BUTTON_MIDDLE = 2, BUTTON_RIGHT = 3 };

struct Event {
    EventType type = EventType::OTHER;
    int key = K_OTHER;  // KEYDOWN and KEYUP
    int button = 0;     // MOUSEBUTTONDOWN and MOUSEBUTTONUP
};

namespace event {
// Removes and returns every pending event, oldest first. A key held down is
// one KEYDOWN: the repeats the system sends while it is held are dropped.
std::vector<Event> get();
}  // namespace event

namespace mouse {
// The pointer position in window pixels.
Pos get_pos();
// Left, middle and right button, down or up, as they are now.
std::array<bool, 3> get_pressed();
void set_visible(bool visible);
}  // namespace mouse

}  // namespace media
