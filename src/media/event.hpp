// Input: the events of the window, and the mouse.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "media/geometry.hpp"

namespace media {

// FOCUS_LOST: the window no longer has the keyboard (the player went to
// another window).
enum class EventType { QUIT, KEYDOWN, KEYUP, MOUSEBUTTONDOWN, MOUSEBUTTONUP, MOUSEMOTION, FOCUS_LOST, OTHER };

enum Key : int { K_OTHER = 0, K_SPACE = ' ', K_ESCAPE = 27, K_M = 'm' };

// Mouse buttons as the events name them.
enum Button : int { BUTTON_LEFT = 1, BUTTON_MIDDLE = 2, BUTTON_RIGHT = 3 };

struct Event {
    Event(EventType type_ = EventType::OTHER, int key_ = K_OTHER, int button_ = 0, std::optional<Pos> pos_ = {})
        : type(type_), key(key_), button(button_), pos(pos_) {}

    EventType type = EventType::OTHER;
    int key = K_OTHER;  // KEYDOWN and KEYUP
    int button = 0;     // MOUSEBUTTONDOWN and MOUSEBUTTONUP
    // MOUSEBUTTONDOWN and MOUSEBUTTONUP: where the pointer was when the
    // button went down or up, which may be long before the game reads it.
    std::optional<Pos> pos;
};

namespace event {
// Removes and returns every pending event, oldest first. A key held down is
// one KEYDOWN: the repeats the system sends while it is held are dropped.
// While the window is hidden or minimised, it first waits up to a quarter
// of a second for an event: a game nobody sees need not draw 60 frames a
// second.
std::vector<Event> get();
}  // namespace event

namespace mouse {
// The pointer position in the frame's pixels (where the window shows the frame
// scaled, mapped back to the frame).
Pos get_pos();
// Left, middle and right button, down or up, as they are now.
std::array<bool, 3> get_pressed();
void set_visible(bool visible);
}  // namespace mouse

}  // namespace media
