// The built program in a real X window (Xvfb), driven by real X input
// (xdotool), looked at through screenshots (ImageMagick's import) and
// listened to through SDL's disk sound driver. Each test starts a display of
// its own and the game in a fresh working directory, as a player would.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../process.hpp"
#include "media/surface.hpp"
#include "media/testing.hpp"
#include "real_window.hpp"
#include "screens/hud.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

using namespace std::chrono_literals;
using namespace real_window;

namespace {

TEST_F(RealWindow, IsTitledSizedWithItsIconHidesThePointerAndLeavesTheFilesAlone) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(size_, (media::Pos{600, 680}));
    // The icon is image_icon.jpg, 128 x 128, handed to the window manager.
    auto icon = x("xprop -id " + window_ + " _NET_WM_ICON");
    ASSERT_TRUE(icon);
    EXPECT_NE(icon->find("_NET_WM_ICON(CARDINAL) = "), std::string::npos) << *icon;
    EXPECT_NE(icon->find("Icon (128 x 128)"), std::string::npos) << icon->substr(0, 200);

    // The server's own pointer shows over the bare screen, and not over the
    // game's window, where the bat takes its place.
    auto visible_pixels = [&](media::Pos screen_at) {
        x("xdotool mousemove " + std::to_string(int(screen_at.x)) + " " + std::to_string(int(screen_at.y)));
        std::this_thread::sleep_for(100ms);
        return std::atoi(x(std::string(XWIN_HELPER) + " cursor").value_or("-1").c_str());
    };
    EXPECT_GT(visible_pixels({5, 5}), 0) << "no pointer to see outside the window: the check sees nothing";
    EXPECT_EQ(visible_pixels({origin_.x + 300, origin_.y + 400}), 0);
    EXPECT_EQ(visible_pixels({origin_.x + 20, origin_.y + 20}), 0);

    // Start-up is over once the window shows: nothing of ours stays behind.
    EXPECT_EQ(process::snapshot(working_.path()), player_files_);
    EXPECT_TRUE(process::snapshot(temporary_.path()).empty());
}

TEST_F(RealWindow, RealInputDrivesTheScreens) {
    using namespace molvane;
    ASSERT_NO_FATAL_FAILURE(start());

    // The bat follows the pointer, centred on it, over the title picture.
    for (media::Pos at : {media::Pos{300, 400}, media::Pos{120, 600}}) {
        point(at);
        EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, at, false), kWhole), 0.005)
            << "the bat is not centred on the pointer at " << at.x << ", " << at.y;
    }
    // Holding the left button shows the striking bat; letting go, the bat.
    ASSERT_TRUE(x("xdotool mousedown 1"));
    EXPECT_LT(wait_until_shows("strike", waiting_frame(START_PIC, {120, 600}, true), kWhole), 0.005);
    ASSERT_TRUE(x("xdotool mouseup 1"));
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, {120, 600}, false), kWhole), 0.005);

    // Space: level 1's countdown, red 3 in the middle, the HUD at 30:00.
    media::Pos corner{560, 640};
    point(corner);
    key("space");
    media::Surface three = countdown_frame(corner, 3);
    double seen = wait_until_shows("countdown", three, kWhole, 1500ms);
    EXPECT_LT(seen, 0.005) << "the countdown's first second was not seen as drawn";
    media::Rect box = red_box(three);
    EXPECT_NEAR(box.x + box.w / 2.0, 300, 2);   // the reference's own 3 is centred
    EXPECT_NEAR(box.y + box.h / 2.0, 340, 40);  // (the digit sits in a taller line box)

    // Play: the countdown is gone, and every hole shows one of the rabbit
    // pictures (away from the bat).
    // (The countdown counts frames: a busy machine's is longer than 3 s.)
    Frame play;
    EXPECT_TRUE(wait_for(
        [&] {
            play = shoot("play");
            return play.pixels.valid() && red_box(play.pixels).w == 0;
        },
        10s))
        << "red left in the window after the countdown";
    ASSERT_TRUE(play.pixels.valid());
    for (std::size_t hole = 0; hole < 8; ++hole) {  // hole 8 is under the bat
        media::Pos pos = POS_LIST[hole];
        media::Rect area{int(pos.x), int(pos.y), 200, 200};
        double best = 1;
        for (const media::Surface* rabbit : {&RABBIT_EMPTY, &RABBIT_POSE, &RABBIT_CRY, &RABBIT_COOL, &RABBIT_HEART}) {
            media::Surface expected(600, 680);
            expected.blit(*rabbit, pos);
            best = std::min(best, play.mismatch(expected, area));
        }
        EXPECT_LT(best, 0.005) << "hole " << hole << " shows no rabbit picture";
    }

    // Space: PAUSE in red, centred, and the picture frozen.
    key("space");
    Frame paused;
    ASSERT_TRUE(wait_for(
        [&] {
            paused = shoot("pause");
            return paused.pixels.valid() && red_box(paused.pixels).w > 0;
        },
        3s))
        << "no red PAUSE";
    // The word as the game's font draws it in its room, on black, against what shows.
    media::Surface pause_text = FONT_READY.render_within("PAUSE", true, RED, centred_room());
    media::Surface canvas(pause_text.get_width(), pause_text.get_height());
    canvas.blit(pause_text, {0, 0});
    media::Rect text_box = red_box(canvas, 0, canvas.get_height()), box_seen = red_box(paused.pixels);
    EXPECT_NEAR(box_seen.w, text_box.w, 2);
    EXPECT_NEAR(box_seen.h, text_box.h, 2);
    EXPECT_NEAR(box_seen.x - text_box.x, 300 - pause_text.get_width() / 2.0, 2);
    EXPECT_NEAR(box_seen.y - text_box.y, 340 - pause_text.get_height() / 2.0, 2);
    std::this_thread::sleep_for(1200ms);  // more than a second: the clock would have moved
    Frame later = shoot("pause");
    EXPECT_EQ(later.mismatch(paused.pixels, kWhole), 0) << "the picture changed during the pause";

    // Space again: play goes on and PAUSE goes.
    key("space");
    EXPECT_TRUE(wait_for([&] { return red_box(shoot("resumed").pixels).w == 0; }, 3s));

    // Escape: back to the title picture.
    point({300, 400});
    key("Escape");
    EXPECT_LT(wait_until_shows("title", waiting_frame(START_PIC, {300, 400}, false), kWhole), 0.005);

    std::chrono::milliseconds took{};
    EXPECT_EQ(close_request(1s, &took), 0) << "after " << took.count() << " ms";
}

// Where the close request arrives, and how to get there from the title.
struct Moment {
    const char* name;
    std::vector<const char*> keys;        // pressed in turn
    std::chrono::milliseconds then_wait;  // after each key
};
void PrintTo(const Moment& moment, std::ostream* out) { *out << moment.name; }

class CloseRequest : public RealWindow, public ::testing::WithParamInterface<Moment> {};

TEST_P(CloseRequest, EndsTheGameWithStatusZeroWithinASecond) {
    ASSERT_NO_FATAL_FAILURE(start());
    point({300, 400});
    for (const char* name : GetParam().keys) {
        key(name);
        std::this_thread::sleep_for(GetParam().then_wait);
    }
    if (std::string(GetParam().name) == "pause") {
        // Space pauses only in play: wait for the countdown's red digits to
        // come and go (a busy machine draws the countdown slower than 3 s).
        ASSERT_TRUE(wait_for([&] { return red_box(shoot("countdown").pixels).w > 0; }, 5s)) << "no countdown";
        ASSERT_TRUE(wait_for([&] { return red_box(shoot("play").pixels).w == 0; }, 10s)) << "no play";
        key("space");
        ASSERT_TRUE(wait_for([&] { return red_box(shoot("pause").pixels).w > 0; }, 3s)) << "no pause to close";
    }
    std::chrono::milliseconds took{};
    int status = close_request(1s, &took);
    EXPECT_EQ(status, 0) << "closed in the " << GetParam().name << " after " << took.count() << " ms";
    std::printf("closed in the %s: status %d after %lld ms\n", GetParam().name, status,
                static_cast<long long>(took.count()));
    EXPECT_EQ(process::snapshot(working_.path()), player_files_);
    EXPECT_TRUE(process::snapshot(temporary_.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(RealWindow, CloseRequest,
                         ::testing::Values(Moment{"title", {}, 300ms}, Moment{"countdown", {"space"}, 500ms},
                                           Moment{"play", {"space"}, 4000ms}, Moment{"pause", {"space"}, 0ms}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Sound ----------------------------------------------------------------------

// The correlation of `recorded[from, from + length)` with `tune` (looped)
// started at recording frame `start`, for the best start in [low, high].
struct Match {
    long start = 0;
    double correlation = 0;
};
Match best_match(const std::vector<float>& recorded, long from, long length, const std::vector<float>& tune, long low,
                 long high) {
    Match best;
    double energy = 0;
    for (long i = from; i < from + length; ++i) energy += double(recorded[i]) * recorded[i];
    long n = long(tune.size());
    for (long start = std::max(0L, low); start <= std::min(high, from); ++start) {
        double dot = 0, tune_energy = 0;
        for (long i = from; i < from + length; ++i) {
            float t = tune[(i - start) % n];
            dot += double(recorded[i]) * t;
            tune_energy += double(t) * t;
        }
        double c = energy > 0 && tune_energy > 0 ? dot / std::sqrt(energy * tune_energy) : 0;
        if (c > best.correlation) best = {start, c};
    }
    return best;
}

std::vector<float> mono(const media::Sound& sound) {
    std::vector<std::int16_t> samples = media::testing::samples(sound);
    std::vector<float> out;
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) out.push_back(float(samples[i]) + samples[i + 1]);
    return out;
}

TEST_F(RealWindow, PlaysTheTitleTuneUntilSpaceThenTheMainMusic) {
    // What this proves: the recording holds the title tune's own samples, in
    // step, from its start until space, and none after; and the main music's
    // own samples after space. The tunes are taken from the game's pictures
    // and sounds as its mixer decodes them.
    ASSERT_EQ(media::testing::sample_rate(), 44100);
    ASSERT_EQ(media::testing::output_channels(), 2);
    const long rate = 44100;
    std::vector<float> title = mono(molvane::START), music = mono(molvane::MAIN);
    ASSERT_NO_FATAL_FAILURE(start());
    std::this_thread::sleep_for(2000ms);
    // Space is pressed somewhere between these two points of the recording
    // (starting xdotool takes a while on a busy machine).
    long space_at = long(recording().size());
    key("space");
    long space_done = long(recording().size());
    std::this_thread::sleep_for(2500ms);  // still in the countdown, where only the music plays
    std::vector<float> heard = recording();
    ASSERT_GT(long(heard.size()), space_done + 2 * rate) << "the disk sound driver recorded too little";

    // The title tune: found in a tenth of a second just before space...
    long window = rate / 10;
    Match title_match = best_match(heard, space_at - rate / 2, window, title, 0, space_at - rate / 2);
    EXPECT_GT(title_match.correlation, 0.95) << "the title tune is not in the recording before space";
    // ...and, in step, all through the title screen from its start.
    for (long from = title_match.start + rate / 20; from + window < space_at - rate / 5; from += rate / 4) {
        Match here = best_match(heard, from, window, title, title_match.start, title_match.start);
        EXPECT_GT(here.correlation, 0.95)
            << "the title tune falters " << double(from - title_match.start) / rate << " s in";
    }
    // After space, no trace of the title tune where it would have gone on.
    for (long from = space_done + rate / 2; from + window < long(heard.size()); from += rate / 4) {
        Match here = best_match(heard, from, window, title, title_match.start, title_match.start);
        EXPECT_LT(std::abs(here.correlation), 0.3)
            << "the title tune still plays " << double(from - space_at) / rate << " s after space";
    }
    // The main music begins at space (give or take the driver's buffers).
    long from = space_done + 3 * rate / 2;
    Match music_match = best_match(heard, from, window, music, space_at - rate / 2, space_done + rate);
    EXPECT_GT(music_match.correlation, 0.9) << "the main music is not in the recording after space";
    EXPECT_GE(music_match.start, space_at - rate / 10) << "the music began before space";
    EXPECT_LE(music_match.start, space_done + rate / 4) << "the music began well after space";
    // (Up to the end of the countdown: then the rabbits' sounds join in.)
    for (long later = from + rate / 4; later + window < std::min(long(heard.size()), space_at + 14 * rate / 5);
         later += rate / 4) {
        Match here = best_match(heard, later, window, music, music_match.start, music_match.start);
        EXPECT_GT(here.correlation, 0.9) << "the main music falters";
    }

    EXPECT_EQ(close_request(1s), 0);
}

}  // namespace
