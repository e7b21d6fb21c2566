// The media layer under the game: the half-pixel rule, the persistent
// window surface, the mixer's channels, and the fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>
#include <utility>
#include <vector>

#include "assets.hpp"
#include "harness.hpp"
#include "media/clock.hpp"
#include "media/display.hpp"
#include "media/font.hpp"
#include "media/geometry.hpp"
#include "media/sound.hpp"
#include "media/testing.hpp"
#include "process.hpp"
#include "shell/asset_files.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

using namespace std::chrono_literals;

TEST(HalfPixels, RoundDownEverywhere) {
    EXPECT_EQ(media::to_pixel(79.5), 79);
    EXPECT_EQ(media::to_pixel(80.0), 80);
    EXPECT_EQ(media::to_pixel(-0.5), -1);
    EXPECT_EQ(media::to_pixel(-20.0), -20);

    harness::start_game();
    molvane::SCREEN.blit(molvane::LIFE_PIC, {10.5, -3.5});
    ASSERT_FALSE(media::testing::draws_since_flip().empty());
    EXPECT_EQ(media::testing::draws_since_flip().back(), (media::testing::DrawRecord{"image_life.png", 10, -4}));
}

// A frame late by less than a frame's time is made up by the next one: the
// frames keep to their schedule on average, and a level lasts its 30 s.
TEST(FrameClock, AFrameLateByLessThanAFrameIsMadeUpByTheNext) {
    using std::chrono::steady_clock;
    const steady_clock::time_point t{std::chrono::seconds(100)};
    const steady_clock::duration period = std::chrono::microseconds(16667);
    EXPECT_EQ(media::frame_due(t, {}, period), t);                               // the first frame
    EXPECT_EQ(media::frame_due(t, t + 5ms, period), t + 5ms);                    // early: waits
    EXPECT_EQ(media::frame_due(t + 8ms, t, period), t);                          // late: kept to the schedule
    EXPECT_EQ(media::frame_due(t + period, t, period), t);                       // late by a whole frame
    EXPECT_EQ(media::frame_due(t + period + 1ms, t, period), t + period + 1ms);  // a frame lost: afresh

    // 120 frames, every other one taking 20 ms of work: two frames in two
    // periods all the same.
    steady_clock::time_point now = t;
    steady_clock::time_point due{};
    for (int frame = 1; frame <= 121; ++frame) {
        due = media::frame_due(now, due, period);
        now = std::max(now, due);  // shown
        due += period;
        if (frame % 2 == 0) now += 20ms;
    }
    EXPECT_EQ(due - period, t + 120 * period);
}

// The same on the real clock: a frame late by 8 ms of work is shown at once,
// and the next one is shown when it was due, two sixtieths after the frame
// before the late one, not a whole sixtieth after the late one (41.7 ms): the
// late ones would add up, and a level would last longer than its 30 s. The
// shortest of ten tries, as a busy machine only makes them longer.
TEST(FrameClock, TheRealClockMakesUpLateFramesToo) {
    using namespace std::chrono;
    media::testing::set_clock_paced(true);
    media::Clock clock;
    clock.tick(60);
    double shortest = 1e9;
    for (int attempt = 0; attempt < 10; ++attempt) {
        clock.tick(60);
        auto shown = steady_clock::now();
        std::this_thread::sleep_for(25ms);
        clock.tick(60);  // late
        clock.tick(60);  // made up
        shortest = std::min(shortest, duration<double, std::milli>(steady_clock::now() - shown).count());
    }
    media::testing::set_clock_paced(false);
    EXPECT_GE(shortest, 28.0) << "the frames were not paced";
    EXPECT_LT(shortest, 37.5) << "a late frame was not made up";
}

TEST(Rectangles, HoldTheirLeftAndTopEdgesButNotTheRightAndBottom) {
    media::Rect hole{200, 280, 200, 200};
    EXPECT_TRUE(hole.collidepoint({200, 280}));
    EXPECT_TRUE(hole.collidepoint({399, 479}));
    EXPECT_TRUE(hole.collidepoint({399.5, 479.5}));
    EXPECT_FALSE(hole.collidepoint({400, 300}));
    EXPECT_FALSE(hole.collidepoint({300, 480}));
    EXPECT_FALSE(hole.collidepoint({199.5, 300}));
}

TEST(WindowSurface, KeepsWhatEarlierFramesDrew) {
    harness::start_game();
    molvane::SCREEN.blit(molvane::START_PIC, {0, 0});
    media::display::flip();
    media::Color corner = molvane::SCREEN.get_at(5, 600);
    molvane::SCREEN.blit(molvane::COUNT_BOARD, {0, 0});  // covers the top 80 rows only
    media::display::flip();
    media::display::flip();
    EXPECT_EQ(molvane::SCREEN.get_at(5, 600), corner);
    EXPECT_EQ(molvane::SCREEN.get_at(5, 5), (media::Color{0, 0, 0}));
}

// A window of another size shows the frame scaled to fit, centred; the
// pointer maps back onto the frame. At 640 x 480 the frame is shown about
// 423 x 480 from x 108.
TEST(WindowSurface, APointerInAResizedWindowMapsOntoTheFrameAsShown) {
    harness::start_game();
    media::testing::resize_window(640, 480);
    media::display::flip();
    media::Pos top_left = media::testing::pointer_in_frame(108, 0);
    media::Pos middle = media::testing::pointer_in_frame(320, 240);
    media::Pos bottom_right = media::testing::pointer_in_frame(108 + 423, 480);
    media::testing::resize_window(600, 680);
    media::display::flip();
    EXPECT_NEAR(top_left.x, 0, 1.5);
    EXPECT_NEAR(top_left.y, 0, 1.5);
    EXPECT_NEAR(middle.x, 300, 1.5);
    EXPECT_NEAR(middle.y, 340, 1.5);
    EXPECT_NEAR(bottom_right.x, 600, 1.5);
    EXPECT_NEAR(bottom_right.y, 680, 1.5);
    EXPECT_EQ(media::testing::pointer_in_frame(300, 400), (media::Pos{300, 400})) << "back at the frame's size";
}

TEST(Mixer, PlaysOnManyChannelsAndIsSilentWhenAllAreBusy) {
    harness::start_game();
    ASSERT_GE(media::testing::channel_count(), 16);
    // Each start once the mixer has begun the one before (otherwise a start
    // only doubles the one before and is left out), each repeated so that
    // none ends meanwhile.
    media::testing::hold_mixer();
    for (int i = 0; i < media::testing::channel_count() + 10; ++i) {
        molvane::HURT.play(-1);
        ASSERT_TRUE(media::testing::mix_until(media::testing::sample_frames_mixed() + 1));
    }
    media::testing::release_mixer();
    EXPECT_EQ(media::testing::channels_playing(molvane::HURT), media::testing::channel_count());
    molvane::HURT.stop();
    EXPECT_EQ(media::testing::channels_playing(molvane::HURT), 0);
    EXPECT_EQ(media::testing::channels_playing(), 0);
}

TEST(Mixer, StoppingOneSoundLeavesTheOthersPlaying) {
    harness::start_game();
    molvane::START.play(-1);
    molvane::MAIN.play(-1);
    molvane::MAIN.play(-1);
    molvane::MAIN.stop();
    EXPECT_EQ(media::testing::channels_playing(molvane::MAIN), 0);
    EXPECT_EQ(media::testing::channels_playing(molvane::START), 1);
    media::mixer::stop();
    EXPECT_EQ(media::testing::channels_playing(), 0);
}

TEST(Mixer, PauseHoldsEveryChannelAndUnpauseResumesThem) {
    harness::start_game();
    molvane::MAIN.play(-1);
    molvane::HIT.play();
    media::mixer::pause();
    EXPECT_EQ(media::testing::channels_paused(), 2);
    molvane::PAUSE.play();  // started after the hold: heard during the pause
    EXPECT_EQ(media::testing::channels_paused(), 2);
    EXPECT_EQ(media::testing::channels_playing(), 3);
    media::mixer::unpause();
    EXPECT_EQ(media::testing::channels_paused(), 0);
    EXPECT_EQ(media::testing::channels_playing(molvane::MAIN), 1);
    EXPECT_EQ(harness::sounds(), (std::vector<std::string>{
                                     std::to_string(media::testing::frames_shown()) + " loop sound_main.mp3",
                                     std::to_string(media::testing::frames_shown()) + " play sound_hit.wav",
                                     std::to_string(media::testing::frames_shown()) + " pause mixer",
                                     std::to_string(media::testing::frames_shown()) + " play sound_wait.wav",
                                     std::to_string(media::testing::frames_shown()) + " unpause mixer",
                                 }));
    media::mixer::stop();
}

TEST(Mixer, ARepeatedSoundPlaysOnPastItsEndAndAOnceSoundDoesNot) {
    harness::start_game();
    molvane::POP.play(-1);  // the pop lasts 0.22 s
    molvane::HIT.play();    // the hit 0.3 s: once it is over, the pop is past its end
    auto give_up = std::chrono::steady_clock::now() + 5s;
    while (media::testing::channels_playing(molvane::HIT) > 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(media::testing::channels_playing(molvane::HIT), 0);
    EXPECT_EQ(media::testing::channels_playing(molvane::POP), 1);
    media::mixer::stop();
}

// Start-up loads the music on a thread of its own beside the other sounds.
TEST(Mixer, SoundsLoadOnTwoThreadsAtOnceAsOnOne) {
    harness::start_game();
    process::TempDir dir;
    for (const assets::Entry& entry : assets::DATA)
        std::ofstream(dir.path() / entry.name, std::ios::binary) << molvane::decode_asset(entry.name, entry.text);
    auto load = [&](const media::Sound& loaded, std::vector<media::Sound>& kept) {
        for (int i = 0; i < 100; ++i)  // every other one let go: the list of every sound drops it
            if (media::Sound sound((dir.path() / loaded.label()).string()); i % 2) kept.push_back(sound);
    };
    std::vector<media::Sound> music, effects;
    std::thread other(load, std::cref(molvane::ADD_LIFE), std::ref(music));
    load(molvane::POP, effects);
    other.join();
    for (const auto& [loaded, kept] : {std::pair{&molvane::ADD_LIFE, &music}, std::pair{&molvane::POP, &effects}}) {
        ASSERT_EQ(kept->size(), 50u);
        for (const media::Sound& sound : *kept)  // and as start-up loaded it, the music on its thread
            EXPECT_TRUE(media::testing::samples(sound) == media::testing::samples(*loaded)) << loaded->label();
    }
}

TEST(Fonts, AMissingFamilyFallsBackToTheEmbeddedFontAndStillWrites) {
    harness::start_game();
    media::Font font = media::font::SysFont("No Such Family Anywhere", 40, false);
    EXPECT_EQ(font.family(), "DejaVu Sans");
    media::Surface text = font.render("Level: 1", true, {255, 255, 255});
    ASSERT_GT(text.get_width(), 0);
    media::Surface backdrop(text.get_width(), text.get_height());
    backdrop.blit(text, {0, 0});
    int white = 0;
    for (int y = 0; y < backdrop.get_height(); ++y)
        for (int x = 0; x < backdrop.get_width(); ++x) white += backdrop.get_at(x, y) == media::Color{255, 255, 255};
    EXPECT_GT(white, 50);

    // It stands in at the size asked: as wide as the same face installed.
    for (int size : {40, 60, 200}) {
        media::Font installed = media::font::SysFont("DejaVu Sans", size, true);
        ASSERT_EQ(installed.family(), "DejaVu Sans") << "fonts-dejavu-core is not installed";
        EXPECT_EQ(media::font::SysFont("No Such Family Anywhere", size, true).render("X 30", true, {}).get_width(),
                  installed.render("X 30", true, {}).get_width())
            << size;
    }
}

TEST(Fonts, ATextTooLargeForItsRoomIsDrawnSmaller) {
    harness::start_game();
    // A text exactly as large as its room keeps its own size; a pixel less
    // room and it is drawn smaller.
    media::Surface pause = molvane::FONT_READY.render("PAUSE", true, molvane::RED);
    media::Room room{pause.get_width(), pause.get_height()};
    EXPECT_EQ(molvane::FONT_READY.render_within("PAUSE", true, molvane::RED, room).get_width(), pause.get_width());
    room.width -= 1;
    for (int again = 0; again < 2; ++again)  // the second time as the first
        EXPECT_LT(molvane::FONT_READY.render_within("PAUSE", true, molvane::RED, room).get_width(), room.width + 1);
}
