// The built program as a native Wayland client: weston runs nested in the
// test's own Xvfb (its x11 backend: its output is an X window) and the game
// connects to it alone, with no DISPLAY and SDL_VIDEODRIVER=wayland. Real X
// input on weston's window reaches the client weston focuses; screenshots of
// that window are weston's output.
//
// Weston's headless backend would need no X server, but SDL 2.26 crashes
// inside SDL_Init on it (it offers no seat), so the nested x11 backend it is.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../process.hpp"
#include "real_window.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

using namespace std::chrono_literals;
using namespace real_window;

namespace {

// Weston's background: a colour no frame of the game shows.
constexpr media::Color kBackground{255, 0, 255};

// Weston on an X display, with an output of exactly the game's size: its
// desktop shell, with no panel, then places the game's window at the
// output's top-left corner. It keeps its socket in a runtime directory of
// its own.
class Weston {
public:
    Weston(const std::string& display, const fs::path& log) {
        fs::path config = runtime_.path() / "weston.ini";
        std::ofstream(config) << "[core]\nidle-time=0\n"
                              << "[shell]\nbackground-color=0xffff00ff\npanel-position=none\nlocking=false\n"
                              << "[input-method]\npath=\n";
        std::string weston = run("command -v weston").value_or("/usr/bin/weston\n");
        weston.pop_back();
        pid_ = spawn({weston, "--config=" + config.string(), "--backend=x11-backend.so", "--use-pixman", "--width=600",
                      "--height=680", "--socket=" + socket(), "--idle-time=0"},
                     {"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + runtime_dir().string()}, runtime_.path(), log);
    }
    ~Weston() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    Weston(const Weston&) = delete;
    Weston& operator=(const Weston&) = delete;

    std::string socket() const { return "molvane-test"; }
    const fs::path& runtime_dir() const { return runtime_.path(); }
    bool running() const { return ::waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    process::TempDir runtime_;
    pid_t pid_ = -1;
};

class OnWayland : public RealWindow {
protected:
    // Starts weston, waits for its desktop, and starts the game on it.
    void start() {
        weston_.emplace(x_.name(), shots_.path() / "weston.log");
        bool up = wait_for(
            [&] {
                auto id = x("xdotool search --onlyvisible --class '^Weston Compositor$'");
                if (!id || id->empty()) return false;
                window_ = id->substr(0, id->find('\n'));
                Frame desktop = shoot("desktop");
                return desktop.pixels.valid() && desktop.pixels.get_at(300, 340) == kBackground;
            },
            20s);
        ASSERT_TRUE(up) << "weston showed no desktop; weston running: " << weston_->running();
        // Weston learns where the X pointer is when it enters weston's window
        // (until then it counts motions from where it thinks the pointer
        // is): the pointer starts outside, and each point() moves it in.
        ASSERT_TRUE(x("xdotool mousemove 1000 750"));
        launch({"WAYLAND_DISPLAY=" + weston_->socket(), "XDG_RUNTIME_DIR=" + weston_->runtime_dir().string(),
                "SDL_VIDEODRIVER=wayland"});
    }

    std::optional<Weston> weston_;
};

TEST_F(OnWayland, ShowsTheGamePlaysByRealInputAndEndsOnSigterm) {
    using namespace molvane;
    ASSERT_NO_FATAL_FAILURE(start());

    // The title at once, with the bat in place of the pointer: weston draws
    // its own pointer into its output, so a pointer left showing would cover
    // the bat.
    // (X sends keys to the window under the pointer: weston's.)
    media::Pos at{300, 400};
    point(at);
    // Once the window shows (the bat aside), the pointer leaves weston's
    // window and comes back, so that weston and the game both know where it
    // is whatever moved first.
    double shown = wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole, 20s);
    ASSERT_TRUE(x("xdotool mousemove 1000 750"));
    point(at);
    double title = wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole);
    ASSERT_LT(title, 0.005) << "the title is not shown (" << shown << " off); the game's stderr: " << game_stderr();
    EXPECT_LT(closest_.mismatch(waiting_frame(START_PIC, at, false), {int(at.x) - 25, int(at.y) - 25, 50, 50}), 0.01)
        << "something other than the bat shows at the pointer";

    // Space: level 1's countdown.
    media::Pos corner{560, 640};
    point(corner);
    key("space");
    EXPECT_LT(wait_until_shows("countdown", countdown_frame(corner, 3), kWhole, 1500ms), 0.005);

    // Play: a click on a rabbit makes it cry.
    std::this_thread::sleep_for(3000ms);
    EXPECT_TRUE(strike_a_rabbit(corner)) << "no strike made a rabbit cry";

    // Space pauses (red PAUSE), space again resumes.
    key("space");
    EXPECT_TRUE(wait_for([&] { return red_box(shoot("pause").pixels).w > 0; }, 3s)) << "no red PAUSE";
    key("space");
    EXPECT_TRUE(wait_for([&] { return red_box(shoot("resumed").pixels).w == 0; }, 3s));

    // Escape: back to the title.
    point(at);
    key("Escape");
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole), 0.005);

    // SIGTERM ends it as a close request does; nothing was said on stderr.
    ::kill(game_, SIGTERM);
    EXPECT_EQ(wait_for_exit(1s), 0);
    EXPECT_EQ(game_stderr(), "");
    EXPECT_TRUE(process::snapshot(temporary_.path()).empty());
}

}  // namespace
