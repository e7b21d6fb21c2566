// The window at sizes other than the frame's: resized from outside, on
// screens too low for it, fullscreen (F11, Alt+Enter) under a window manager,
// and on a screen of 10 bits a channel.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <cmath>
#include <string>
#include <thread>

#include "../process.hpp"
#include "real_window.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

using namespace std::chrono_literals;
using namespace real_window;

namespace {

// Ends the game by a close request: status 0, nothing said, nothing left.
#define EXPECT_ENDS_CLEANLY()                                      \
    do {                                                           \
        EXPECT_EQ(close_request(2s), 0);                           \
        EXPECT_EQ(game_stderr(), "");                              \
        EXPECT_TRUE(process::snapshot(temporary_.path()).empty()); \
    } while (false)

TEST_F(RealWindow, ResizedFromOutsideShowsTheFrameScaledToFitOnBlackWithTheBatUnderThePointer) {
    using namespace molvane;
    ASSERT_NO_FATAL_FAILURE(start());
    point({300, 400});
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, {300, 400}, false), kWhole), 0.005);
    // Resized and back again before the game looks (it is stopped
    // meanwhile): SDL lets go of the window's pixels, though the size ends
    // as it was.
    ::kill(game_, SIGSTOP);
    bool resized = x("xdotool windowsize " + window_ + " 700 700 windowsize " + window_ + " 600 680").has_value();
    ::kill(game_, SIGCONT);
    ASSERT_TRUE(resized);
    ASSERT_EQ(wait_for_exit(300ms), -1) << "the game ended: " << game_stderr();
    EXPECT_LT(wait_until_shows("back", waiting_frame(START_PIC, {300, 400}, false), kWhole), 0.005);
    // Taller, wider, larger and smaller than the frame, on a 1024 x 768 screen.
    media::Pos window{}, at{};
    media::Rect shown{};
    for (media::Pos size : {media::Pos{600, 700}, media::Pos{800, 680}, media::Pos{800, 720}, media::Pos{420, 400}}) {
        window = size;
        ASSERT_TRUE(
            x("xdotool windowsize " + window_ + " " + std::to_string(int(size.x)) + " " + std::to_string(int(size.y))));
        media::Pos pointer{std::floor(size.x * 0.4), std::floor(size.y * 0.6)};
        point(pointer);
        shown = wait_until_fitted("fit", size);
        at = in_frame(pointer, shown);
        EXPECT_LT(wait_until_scaled("title", waiting_frame(START_PIC, at, false), size, shown, bat_area(at)), 0.005)
            << "in a window of " << size.x << " x " << size.y;
    }
    key("space");
    EXPECT_LT(wait_until_scaled("countdown", countdown_frame(at, 3), window, shown, bat_area(at), 1500ms), 0.005);
    EXPECT_ENDS_CLEANLY();
}

class DeepScreen : public RealWindow {
protected:
    DeepScreen() : RealWindow("1024x768x30") {}
};

TEST_F(DeepScreen, ShowsTheTitleInItsColoursAndPlays) {
    using namespace molvane;
    ASSERT_NO_FATAL_FAILURE(start());
    media::Pos at{300, 400};
    point(at);
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole), 0.005);
    key("space");
    EXPECT_LT(wait_until_shows("countdown", countdown_frame(at, 3), kWhole, 1500ms), 0.005);
    EXPECT_ENDS_CLEANLY();
}

// A screen lower than the window: the window fits it, top on the screen.
class LowScreen : public RealWindow, public ::testing::WithParamInterface<media::Pos> {
protected:
    LowScreen() : RealWindow(screen_spec(GetParam())) {}
    static std::string screen_spec(media::Pos size) {
        return std::to_string(int(size.x)) + "x" + std::to_string(int(size.y)) + "x24";
    }
};

TEST_P(LowScreen, PlacesTheWindowWhollyOnTheScreenWithTheFrameScaledToFit) {
    using namespace molvane;
    media::Pos screen = GetParam();
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_GE(origin_.x, 0);
    EXPECT_GE(origin_.y, 0);
    EXPECT_LE(origin_.x + size_.x, screen.x);
    EXPECT_LE(origin_.y + size_.y, screen.y);
    EXPECT_EQ(size_.y, screen.y) << "the window is not as tall as the screen";
    EXPECT_NEAR(size_.x / size_.y, 600.0 / 680.0, 0.01);
    // The bat where the pointer is.
    media::Pos pointer{std::floor(size_.x / 2), std::floor(size_.y * 0.6)};
    point(pointer);
    media::Rect shown = wait_until_fitted("fit", size_);
    media::Pos at = in_frame(pointer, shown);
    EXPECT_LT(wait_until_scaled("title", waiting_frame(START_PIC, at, false), size_, shown, bat_area(at)), 0.005);
    EXPECT_ENDS_CLEANLY();
}

INSTANTIATE_TEST_SUITE_P(RealWindow, LowScreen,
                         ::testing::Values(media::Pos{640, 480}, media::Pos{800, 600}, media::Pos{1024, 600}),
                         [](const auto& info) {
                             return std::to_string(int(info.param.x)) + "x" + std::to_string(int(info.param.y));
                         });

// A full-HD screen with a window manager (openbox), which makes a window
// fullscreen when the window asks.
class FullHd : public RealWindow {
protected:
    FullHd() : RealWindow("1920x1080x24") {}
    void start_window_manager() {
        std::string openbox = run("command -v openbox").value_or("");
        ASSERT_FALSE(openbox.empty()) << "openbox is not installed";
        openbox.pop_back();
        manager_ = spawn({openbox}, {"DISPLAY=" + x_.name(), "HOME=" + working_.path().string()}, {});
        ASSERT_TRUE(
            wait_for([&] { return x("xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'").has_value(); }, 10s))
            << "openbox did not start";
    }
    void TearDown() override {
        RealWindow::TearDown();
        if (manager_ > 0) {
            ::kill(manager_, SIGTERM);
            ::waitpid(manager_, nullptr, 0);
        }
    }
    // Waits until the window has the size `size`.
    bool wait_for_size(media::Pos size) {
        return wait_for(
            [&] {
                measure_window();
                return size_ == size;
            },
            5s);
    }
    pid_t manager_ = -1;
};

TEST_F(FullHd, F11AndAltEnterToggleFullscreenWithTheFrameScaledToFitAndTheBatUnderThePointer) {
    using namespace molvane;
    ASSERT_NO_FATAL_FAILURE(start_window_manager());
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(wait_for([&] { return x("xprop -id " + window_ + " _NET_FRAME_EXTENTS | grep -q =").has_value(); }, 5s))
        << "openbox did not frame the window";
    measure_window();
    media::Pos at{300, 400};
    point(at);
    ASSERT_LT(wait_until_shows("window", waiting_frame(START_PIC, at, false), kWhole), 0.005);
    // The pointer stays where the player left it, and the bat under it.
    media::Pos pointer{origin_.x + at.x, origin_.y + at.y}, windowed = origin_;
    key("F11");
    ASSERT_TRUE(wait_for_size({1920, 1080})) << "not fullscreen: " << size_.x << " x " << size_.y;
    media::Rect shown = wait_until_fitted("fullscreen", {1920, 1080});
    media::Pos under = in_frame({pointer.x - origin_.x, pointer.y - origin_.y}, shown);
    EXPECT_LT(wait_until_scaled("still", waiting_frame(START_PIC, under, false), {1920, 1080}, shown, bat_area(under)),
              0.005)
        << "the bat is not at " << under.x << ", " << under.y << " in the frame, under the pointer left there";

    // Play in fullscreen: a click on a rabbit, where it is drawn, strikes it.
    media::Pos corner{560, 640};
    point(pixel_showing(corner, shown));
    key("space");
    // The countdown's red digits, in the middle of the screen.
    EXPECT_TRUE(wait_for([&] { return red_box(shoot("countdown").pixels, 320, 760).w > 0; }, 1500ms));
    std::this_thread::sleep_for(3000ms);
    EXPECT_TRUE(strike_a_rabbit(corner, shown)) << "no click made a rabbit cry";

    // Alt+Enter on the title: the window where it was, the frame at its own
    // size, and the bat under the pointer, which has not moved since.
    key("Escape");
    ASSERT_TRUE(x("xdotool mousemove " + std::to_string(int(pointer.x)) + " " + std::to_string(int(pointer.y))));
    key("alt+Return");
    ASSERT_TRUE(wait_for_size({600, 680})) << "still " << size_.x << " x " << size_.y;
    EXPECT_EQ(origin_, windowed);
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole), 0.005);
    EXPECT_ENDS_CLEANLY();
}

}  // namespace
