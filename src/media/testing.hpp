// What the tests use to drive the game frame by frame without a player:
// scripted input, an unpaced clock, and traces of what was drawn and played.
// A library of its own; the game never links it.
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

// The input of one fetch of events: the events, and what get_pos and
// get_pressed report until the next fetch.
struct Input {
    Pos pointer;
    std::array<bool, 3> buttons{};
    std::vector<Event> events;
};

// Called at every event::get() with the previous Input and no events. While a
// script is set the game reads nothing from the real mouse, keyboard or
// window; a close request from the system still reaches it.
using Script = std::function<void(Input&)>;
void set_script(Script script);
void clear_script();
// Puts K_SPACE or K_ESCAPE (a repeat of a held key or not) into the
// system's event queue, read by event::get() when no script is set.
void push_system_key(int key, bool repeat);
// Puts a press of the key where `us_key` is on a US keyboard ('m', ';'),
// typing the character `typed` (a Unicode code point) in the layout in use.
void push_system_key_at(char us_key, std::uint32_t typed);
// With pacing off, Clock::tick returns at once.
void set_clock_paced(bool paced);
// Clock::tick calls so far, paced or not.
long clock_ticks();

// A picture drawn onto the frame: "image_pose.jpg", "text:PAUSE", "surface WxH".
struct DrawRecord {
    std::string label;
    int x = 0;
    int y = 0;
    friend bool operator==(const DrawRecord&, const DrawRecord&) = default;
};
// A sound operation ("play", "loop", "stop", "pause", "unpause") on a sound,
// or on the "mixer", after `frame` frames were shown.
struct SoundRecord {
    long frame = 0;
    std::string sound;
    std::string action;
    friend bool operator==(const SoundRecord&, const SoundRecord&) = default;
};
// Tracing on or off; either way the draws so far are forgotten.
void set_tracing(bool on);
const std::vector<DrawRecord>& draws_since_flip();
const std::vector<SoundRecord>& sound_trace();
void clear_sound_trace();
// Frames shown since the window opened.
long frames_shown();
// Called right after each flip, with draws_since_flip() still what was drawn for it.
void on_flip(std::function<void()> hook);

// From now on the first piece of SDL's memory freed after media::quit()
// stopped SDL ends the program with kFreedAfterQuit, after a line and the
// stack on stderr.
inline constexpr int kFreedAfterQuit = 86;
void end_at_sdl_memory_freed_after_quit();

// The pixels of a picture, row by row, each as 0xRRGGBB.
std::vector<std::uint32_t> pixels(const Surface& picture);

struct WindowInfo {
    bool open = false;
    std::string title;
    int width = 0;
    int height = 0;
    bool pointer_visible = true;
    bool has_icon = false;
};
WindowInfo window_info();
// Resizes the window as a player dragging its edges would.
void resize_window(int width, int height);
// Where the system's pointer at (x, y) in the window is in the frame.
Pos pointer_in_frame(int x, int y);

// The mixer's channels: all, playing (paused ones included), paused, and playing `sound`.
int channel_count();
int channels_playing();
int channels_paused();
int channels_playing(const Sound& sound);
// What the mixer plays: samples per second and channels.
int sample_rate();
int output_channels();
// The sound as the mixer holds it: signed 16-bit samples, interleaved.
std::vector<std::int16_t> samples(const Sound& sound);

// The mixer in step with the frames, to hear a game played faster than real
// time as a player would (SDL's disk driver with SDL_DISKAUDIODELAY=0): held,
// it mixes nothing; mix_until() lets it mix until `frames` sample frames in
// all (false after 10 s without) and holds it again.
void hold_mixer();
bool mix_until(long frames);
void release_mixer();
long sample_frames_mixed();
// Waits until the mixer has mixed one more buffer.
bool wait_for_mix();

}  // namespace media::testing
