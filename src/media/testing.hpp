// What the tests use to drive the game frame by frame without a player:
// scripted input, an unpaced clock, and traces of what was drawn and played.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/event.hpp"
#include "media/geometry.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"

namespace media::testing {

// The input the game reads during one fetch of events: the events to hand
// out, and the pointer and buttons that get_pos and get_pressed report until
// the next fetch.
struct Input {
    Pos pointer;
    std::array<bool, 3> buttons{};
    std::vector<Event> events;
};

// Called at every event::get(), with what the previous call left in place of
// the pointer and buttons and an empty list of events. While a script is set,
// the game reads nothing from the real mouse, keyboard or window.
using Script = std::function<void(Input&)>;
void set_script(Script script);
void clear_script();

// Puts a key press into the system's own event queue, as the keyboard would:
// K_SPACE or K_ESCAPE, and whether it is one of the repeats of a held key.
// Only read by event::get() when no script is set.
void push_system_key(int key, bool repeat);

// With pacing off, Clock::tick returns at once.
void set_clock_paced(bool paced);

// Something drawn onto the window surface.
struct DrawRecord {
    std::string label;  // file name of the picture, "text:<the text>", "surface WxH"
    int x = 0;
    int y = 0;
    friend bool operator==(const DrawRecord&, const DrawRecord&) = default;
};

// Something done with a sound, and the number of frames shown before it.
struct SoundRecord {
    long frame = 0;
    std::string sound;   // file name, or "mixer" for the mixer's own operations
    std::string action;  // "play", "loop", "stop", "pause", "unpause"
    friend bool operator==(const SoundRecord&, const SoundRecord&) = default;
};

void set_tracing(bool on);
// Everything drawn onto the window since the last flip.
const std::vector<DrawRecord>& draws_since_flip();
// Every sound operation since tracing was switched on or the trace was cleared.
const std::vector<SoundRecord>& sound_trace();
void clear_sound_trace();

// Frames shown (flips) since the window opened.
long frames_shown();

// Called right after each flip; the window surface then holds what was shown
// and draws_since_flip() what was drawn for it.
void on_flip(std::function<void()> hook);

// From now on, the first piece of SDL's memory freed after media::quit()
// has stopped SDL (say, by a destructor at the program's exit) ends the
// program at once with status kFreedAfterQuit, after a line and the stack
// on stderr. Call it before the media layer starts, in a program that ends
// after quit().
inline constexpr int kFreedAfterQuit = 86;
void end_at_sdl_memory_freed_after_quit();

// The pixels of a picture, row by row, each as 0xRRGGBB.
std::vector<std::uint32_t> pixels(const Surface& picture);
// The window as the system sees it.
struct WindowInfo {
    bool open = false;
    std::string title;
    int width = 0;
    int height = 0;
    bool pointer_visible = true;
    bool has_icon = false;
};
WindowInfo window_info();
// Resizes the window as a player dragging its edges would; the next flip
// fits the frame into it.
void resize_window(int width, int height);
// Where the system's pointer at (x, y) in the window is in the frame.
Pos pointer_in_frame(int x, int y);

// Channels of the mixer: how many there are, how many are playing (paused
// ones included), how many of those are paused, and how many play `sound`.
int channel_count();
int channels_playing();
int channels_paused();
int channels_playing(const Sound& sound);

// What the mixer plays: samples per second and channels (2: left, right).
int sample_rate();
int output_channels();
// The sound as the mixer holds it, decoded and converted to the mixer's
// signed 16-bit samples, interleaved by channel.
std::vector<std::int16_t> samples(const Sound& sound);

}  // namespace media::testing

namespace media::testing {

// The mixer in step with the frames, for recording a game played faster than
// real time as a player would hear it. While held, the mixer mixes nothing;
// mix_until() lets it mix up to a point and holds it again, so a test that
// calls it once a frame with that frame's time hears each sound start where
// its frame falls. Needs a sound driver that does not keep time itself
// (SDL's disk driver with SDL_DISKAUDIODELAY=0).
void hold_mixer();
// Lets the mixer mix until it has mixed `frames` sample frames since it
// opened, then holds it again; false when that took more than 10 seconds.
bool mix_until(long frames);
void release_mixer();
long sample_frames_mixed();
// Waits until the mixer has mixed one more buffer.
bool wait_for_mix();

}  // namespace media::testing
