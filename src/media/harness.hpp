// The one seam between the media layer and the tests that drive the game
// without a player. The game has none; the test library (media/testing.hpp)
// puts one in place.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "media/event.hpp"
#include "media/geometry.hpp"
#include "media/surface.hpp"

namespace media::detail {

class Harness {
public:
    // While scripted, these three answer for the mouse, keyboard and window.
    virtual bool scripted() const = 0;
    virtual std::vector<Event> events() = 0;
    virtual Pos pointer() const = 0;
    virtual std::array<bool, 3> buttons() const = 0;
    // Whether the clock sleeps to keep the frame rate.
    virtual bool paced() const = 0;

    // Told of each picture drawn onto the frame, each sound operation, each
    // flip, the window's opening, and the end of quit(); and, on the sound
    // thread with the mixer locked, of each buffer mixed, in sample frames.
    virtual void drawn(const Surface& picture, int x, int y) = 0;
    virtual void sounded(const std::string& sound, const char* action) = 0;
    virtual void flipped() = 0;
    virtual void window_opened() = 0;
    virtual void stopped() = 0;
    virtual void mixed(long frames) = 0;

protected:
    ~Harness() = default;
};

}  // namespace media::detail
