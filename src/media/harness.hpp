// The one seam between the media layer and the tests that drive the game
// without a player: something that can stand in for the player and watches
// what is drawn, played and shown. The game itself has none; the test
// library (media/testing.hpp) puts one in place, and keeps its own state.
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
    // Whether a script stands in for the player: then the three below
    // answer in place of the mouse, the keyboard and the window.
    virtual bool scripted() const = 0;
    virtual std::vector<Event> events() = 0;
    virtual Pos pointer() const = 0;
    virtual std::array<bool, 3> buttons() const = 0;

    // Whether the clock sleeps to keep the frame rate.
    virtual bool paced() const = 0;
    // Whether fonts keep the texts they rendered, and draws onto the window
    // leave out what it already holds.
    virtual bool shortcuts() const = 0;

    // Told of each picture drawn onto the window, each thing done with a
    // sound, each flip, the window's opening, and the end of quit(), once
    // SDL has stopped.
    virtual void drawn(const Surface& picture, int x, int y) = 0;
    virtual void sounded(const std::string& sound, const char* action) = 0;
    virtual void flipped() = 0;
    virtual void window_opened() = 0;
    virtual void stopped() = 0;

protected:
    ~Harness() = default;
};

}  // namespace media::detail
