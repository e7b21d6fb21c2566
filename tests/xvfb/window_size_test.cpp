// The window at sizes other than the frame's: resized from outside, on
// screens too low for it, fullscreen (F11, Alt+Enter) under a window manager,
// and on a screen of 10 bits a channel.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <cmath>
#include <optional>
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

TEST_F(RealWindow, SurvivesAResizeFromOutsideShowingTheFrameCentredOnBlack) {
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
    ASSERT_TRUE(x("xdotool windowsize " + window_ + " 600 700"));
    // 20 pixels taller: the frame in the middle, 10 black rows above and
    // below, the pointer's place mapped into it.
    media::Rect shown{0, 10, 600, 680};
    media::Pos at{300, 400};
    ASSERT_TRUE(x("xdotool mousemove " + std::to_string(int(origin_.x + at.x)) + " " +
                  std::to_string(int(origin_.y + at.y + 10))));
    EXPECT_LT(wait_until_scaled("title", waiting_frame(START_PIC, at, false), {600, 700}, shown), 0.005);
    key("space");
    EXPECT_LT(wait_until_scaled("countdown", countdown_frame(at, 3), {600, 700}, shown, 1500ms), 0.005);
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
    // The bat where the pointer is, in frame pixels.
    media::Pos in_window{size_.x / 2, size_.y * 0.6};
    ASSERT_TRUE(x("xdotool mousemove " + std::to_string(int(origin_.x + in_window.x)) + " " +
                  std::to_string(int(origin_.y + in_window.y))));
    media::Pos at{int(in_window.x) * 600 / size_.x, int(in_window.y) * 680 / size_.y};
    media::Rect shown{0, 0, int(size_.x), int(size_.y)};
    EXPECT_LT(wait_until_scaled("title", waiting_frame(START_PIC, at, false), size_, shown), 0.005);
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

TEST_F(FullHd, F11AndAltEnterScaleTheFrameToTheScreenAndBack) {
    using namespace molvane;
    ASSERT_NO_FATAL_FAILURE(start_window_manager());
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(wait_for([&] { return x("xprop -id " + window_ + " _NET_FRAME_EXTENTS | grep -q =").has_value(); }, 5s))
        << "openbox did not frame the window";
    measure_window();
    media::Pos at{300, 400};
    point(at);
    ASSERT_LT(wait_until_shows("window", waiting_frame(START_PIC, at, false), kWhole), 0.005);
    key("F11");
    ASSERT_TRUE(wait_for_size({1920, 1080})) << "not fullscreen: " << size_.x << " x " << size_.y;
    // 1080 / 680 times, centred: 953 x 1080 from x = 483, smoothly scaled.
    media::Rect shown{483, 0, 953, 1080};
    auto pixel_of = [&](media::Pos frame) {  // the screen pixel showing a frame position
        return media::Pos{double(int(shown.x + frame.x * shown.w / 600)),
                          double(int(shown.y + frame.y * shown.h / 680))};
    };
    auto to_screen = [&](media::Pos frame) {
        media::Pos at = pixel_of(frame);
        return std::to_string(int(origin_.x + at.x)) + " " + std::to_string(int(origin_.y + at.y));
    };
    auto in_frame = [&](media::Pos frame) {  // where the pointer on that pixel is in the frame
        media::Pos at = pixel_of(frame);
        return media::Pos{(at.x - shown.x) * 600 / shown.w, (at.y - shown.y) * 680 / shown.h};
    };
    // The bat keeps its place in the frame, and the pointer is put there.
    media::Rect bat{int(at.x) - MOUSE_READY.get_width() / 2, int(at.y) - MOUSE_READY.get_height() / 2,
                    MOUSE_READY.get_width(), MOUSE_READY.get_height()};
    EXPECT_LT(wait_until_scaled("still", waiting_frame(START_PIC, at, false), {1920, 1080}, shown, 5s, bat), 0.005);
    auto expect_pointer_at = [&](media::Pos in_window) {  // within a pixel, soon
        std::string shell;
        EXPECT_TRUE(wait_for(
            [&] {
                shell = x("xdotool getmouselocation --shell").value_or("");
                return std::abs(number_after(shell, "X=") - origin_.x - in_window.x) <= 1 &&
                       std::abs(number_after(shell, "Y=") - origin_.y - in_window.y) <= 1;
            },
            2s))
            << "not at " << in_window.x << ", " << in_window.y << " in the window at " << origin_.x << ", " << origin_.y
            << ":\n"
            << shell;
    };
    expect_pointer_at(pixel_of(at));
    ASSERT_TRUE(x("xdotool mousemove " + to_screen(at)));
    EXPECT_LT(wait_until_scaled("title", waiting_frame(START_PIC, in_frame(at), false), {1920, 1080}, shown), 0.005);

    // Play in fullscreen: a click on a rabbit, where it is drawn, strikes it.
    media::Pos corner{560, 640};
    ASSERT_TRUE(x("xdotool mousemove " + to_screen(corner)));
    key("space");
    // The countdown's red digits, in the middle of the screen.
    EXPECT_TRUE(wait_for([&] { return red_box(shoot("countdown").pixels, 320, 760).w > 0; }, 1500ms));
    std::this_thread::sleep_for(3000ms);
    bool cried = false;
    for (int attempt = 0; attempt < 5 && !cried; ++attempt) {
        media::Pos hole_at{};
        bool up = wait_for(
            [&] {
                Frame frame = shoot("play");
                if (!frame.pixels.valid() || frame.pixels.get_width() != 1920) return false;
                for (media::Pos pos : POS_LIST) {
                    media::Surface expected(600, 680);
                    expected.blit(RABBIT_POSE, pos);
                    media::Rect hole{int(pos.x) + 20, int(pos.y) + 20, 160, 160};  // away from the bat's edge
                    if (hole.collidepoint(in_frame(corner))) continue;
                    if (scaled_mismatch(frame.pixels, expected, shown, hole) < 0.01) {
                        hole_at = pos;
                        return true;
                    }
                }
                return false;
            },
            10s);
        ASSERT_TRUE(up) << "no rabbit came up to strike";
        media::Pos middle{hole_at.x + 100, hole_at.y + 100};
        ASSERT_TRUE(x("xdotool mousemove " + to_screen(middle) + " click 1"));
        media::Rect hole{int(hole_at.x), int(hole_at.y), 200, 200};
        cried = wait_for(
            [&] {
                Frame frame = shoot("strike");
                if (!frame.pixels.valid() || frame.pixels.get_width() != 1920) return false;
                for (const media::Surface* bat : {&MOUSE_HIT, &MOUSE_READY}) {
                    media::Surface expected(600, 680);
                    expected.blit(RABBIT_CRY, hole_at);
                    media::Pos mapped = in_frame(middle);
                    expected.blit(*bat, {mapped.x - bat->get_width() / 2.0, mapped.y - bat->get_height() / 2.0});
                    if (scaled_mismatch(frame.pixels, expected, shown, hole) < 0.01) return true;
                }
                return false;
            },
            3s);
        corner = middle;
    }
    EXPECT_TRUE(cried) << "no click made a rabbit cry";

    // Alt+Enter: back to the window, the frame at its own size again.
    key("alt+Return");
    ASSERT_TRUE(wait_for_size({600, 680})) << "still " << size_.x << " x " << size_.y;
    // Back in the window, the pointer is put on the bat's place there too.
    media::Pos left_at = in_frame(corner);
    expect_pointer_at({std::floor(left_at.x), std::floor(left_at.y)});
    key("Escape");
    point(at);
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole), 0.005);
    EXPECT_ENDS_CLEANLY();
}

}  // namespace
