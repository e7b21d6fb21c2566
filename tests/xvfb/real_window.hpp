// What every real-window test needs: a display of its own (Xvfb, and weston
// nested in it for Wayland), the built game started in a fresh working
// directory, real X input (xdotool), screenshots (ImageMagick's import) and
// SDL's disk sound driver's recording.
//
// The pictures a frame must show are composed with the game's own media
// layer and pictures (harness::start_game runs the real start-up headless in
// the test process), so a check compares the window with what the game's
// code would draw, pixel for pixel within a small tolerance.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../process.hpp"
#include "media/geometry.hpp"
#include "media/surface.hpp"

namespace real_window {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> run(const std::string& command);

// Polls `done` every 20 ms until it holds or `timeout` passes.
bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Starts argv[0] in `dir` with exactly `env`; its standard error goes to
// `err` (or nowhere).
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& dir,
            const fs::path& err = {});

using process::Xvfb;

// A picture made of the window's own pixels, or of what it should show.
struct Frame {
    media::Surface pixels;
    // The share of pixels in `area` that differ from `other` by more than a
    // little in some colour.
    double mismatch(const media::Surface& other, media::Rect area) const;
};

constexpr media::Rect kWhole{0, 0, 600, 680};

// The countdown's digits and PAUSE are drawn in pure red across the middle
// of the window; the pictures' own reds (the bat's handle, the HUD's heart)
// are darker or lie outside that band.
bool is_red(media::Color c);

// The box around the pure red pixels of `surface` in the band of rows
// [top, bottom), or an empty box.
media::Rect red_box(const media::Surface& surface, int top = 200, int bottom = 480);

// What the window shows on a waiting screen: the picture and the bat
// (`striking` or not) centred on the pointer.
media::Surface waiting_frame(const media::Surface& picture, media::Pos pointer, bool striking);

// The first countdown frame of level 1: the HUD at 30:00, the empty board,
// the bat, and the red `second` (drawn by the game's own HUD code onto the
// headless window, then copied).
media::Surface countdown_frame(media::Pos pointer, int second);

// Where a window position lies in the frame shown in `shown`, and the
// window pixel showing a frame position.
media::Pos in_frame(media::Pos in_window, media::Rect shown);
media::Pos pixel_showing(media::Pos in_frame, media::Rect shown);
// The part of the frame the bat covers, centred on `at`.
media::Rect bat_area(media::Pos at);
// The hole (index into POS_LIST) showing `picture` in a shot of the frame
// shown in `shown`, away from `pointer`; or -1.
int hole_showing(const Frame& frame, const media::Surface& picture, media::Pos pointer = {-1000, -1000},
                 media::Rect shown = kWhole);
// Whether the rabbit at `hole` cries, struck by the bat at `bat`.
bool cries(const Frame& frame, media::Pos hole, media::Pos bat, media::Rect shown = kWhole);

// The game, started in a fresh working directory on its own display.
class RealWindow : public ::testing::Test {
protected:
    explicit RealWindow(const std::string& screen = "1024x768x24") : x_(screen) {}
    void SetUp() override;
    void TearDown() override;

    // Starts the game on X and waits for its window.
    void start();
    // Starts the game with `display_env` (which display to use), on top of
    // what every start gives it: the test's TMPDIR, the disk sound driver,
    // the inherited variables.
    void launch(const std::vector<std::string>& display_env);
    // The game's stderr so far.
    std::string game_stderr() const;
    // Waits up to `limit` for the game to end; its exit status, or -1.
    int wait_for_exit(std::chrono::milliseconds limit);

    static double number_after(const std::string& text, const std::string& label);

    // A command with DISPLAY set to our display.
    std::optional<std::string> x(const std::string& command) const;

    // Moves the pointer to (x, y) in the window.
    void point(media::Pos at);
    void key(const std::string& name);

    // The window as it is now, saved as NAME-N.bmp among the test's shots.
    Frame shoot(const std::string& name);

    // Shoots the window until it shows `expected` (fewer than 0.5% of the
    // pixels of `area` differ) or `timeout` passes; the closest share seen.
    double wait_until_shows(const std::string& name, const media::Surface& expected, media::Rect area,
                            std::chrono::milliseconds timeout = 5s);

    // Shoots the window until it is `window` large and shows the frame (one
    // with no black edge) scaled to fit it, centred, within 2 pixels; where
    // the frame shows, or an empty box.
    media::Rect wait_until_fitted(const std::string& name, media::Pos window);
    // Shoots the window until it is `window` large and shows `expected`
    // scaled into `shown` on black, or `timeout` passes; the closest share
    // of the pixels seen that are off: of the frame's, of its part `detail`
    // looked at on its own (the bat) or of the bars', whichever is most.
    double wait_until_scaled(const std::string& name, const media::Surface& expected, media::Pos window,
                             media::Rect shown, media::Rect detail = kWhole, std::chrono::milliseconds timeout = 5s);
    // Clicks the middle of a rabbit that comes up away from the bat at
    // `bat` (in the frame shown in `shown`) until one cries (up to five: one
    // may hide before the click); whether one did.
    bool strike_a_rabbit(media::Pos bat, media::Rect shown = kWhole);
    // The window's size and place as the X server has them now.
    void measure_window();

    // Sends the close request and waits up to `limit` for the game to end;
    // its exit status, or -1. Under the sanitizers the game's exit includes a
    // leak scan of its whole heap: MOLVANE_SANITIZER_TIME_SCALE stretches the
    // limit there (tools/ci/sanitizers.sh), never in the plain build.
    int close_request(std::chrono::milliseconds limit, std::chrono::milliseconds* took = nullptr);

    // The disk sound driver's recording so far: 16-bit stereo frames, mixed
    // down to mono.
    std::vector<float> recording() const;

    Xvfb x_;
    process::TempDir working_, temporary_, recording_, shots_;
    std::map<std::string, std::string> player_files_;
    fs::path artifacts_;
    int shots_taken_ = 0;
    pid_t game_ = -1;
    std::string window_;  // the X window the shots are taken of
    media::Pos origin_;   // the game's top-left corner on the X screen
    media::Pos size_;
    Frame closest_;  // the shot closest to what wait_until_shows looked for
};

}  // namespace real_window
