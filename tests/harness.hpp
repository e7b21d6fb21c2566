// Drives the real game frame by frame without a player: the real start-up
// with the shipped assets, scripted input, an unpaced clock, and what was
// drawn and played, frame by frame.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "media/event.hpp"
#include "media/geometry.hpp"
#include "media/testing.hpp"

// Draw records read as {label at x, y} in failure messages.
namespace media::testing {
inline void PrintTo(const DrawRecord& d, std::ostream* out) {
    *out << "{" << d.label << " at " << d.x << ", " << d.y << "}";
}
}  // namespace media::testing

namespace harness {

using media::Event;
using media::EventType;

// A few events, by name.
Event key_down(int key);
Event key_up(int key);
Event button_down(int button = media::BUTTON_LEFT);
Event button_up(int button = media::BUTTON_LEFT);
Event quit();

// Scripted input for the frames to come. Frame n is the n-th fetch of events
// from now on, counted from 1: the screens fetch once a frame (and once per
// wait of a pause).
class Script {
public:
    Script();
    ~Script();

    // Events handed out at fetch n, and what the pointer and the buttons read
    // from fetch n on.
    Script& at(long fetch, std::vector<Event> events);
    Script& pointer_at(long fetch, media::Pos pointer);
    Script& buttons_at(long fetch, bool left, bool middle = false, bool right = false);
    // Called at every fetch after the above, to act on what the game shows.
    Script& each(std::function<void(long fetch, media::testing::Input&)> player);

    long fetches() const { return fetches_; }

private:
    std::map<long, std::vector<Event>> events_;
    std::map<long, media::Pos> pointers_;
    std::map<long, std::array<bool, 3>> buttons_;
    std::function<void(long, media::testing::Input&)> player_;
    long fetches_ = 0;
};

// Starts the game once per test process (the real start-up, the shipped
// table) and puts the game state back to what start-up leaves.
void start_game();
void reset_game_state();
// The rabbits' states as start-up left them, before any test moved them.
std::vector<std::string>& start_up_states();

// Sounds played since the last clear, as "frame action name", e.g.
// "12 play sound_hit.wav", "0 loop sound_start.wav", "30 pause mixer".
std::vector<std::string> sounds();
// The same, only the names of sounds started with `action`.
std::vector<std::string> sounds(const std::string& action);

}  // namespace harness
