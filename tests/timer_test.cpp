// The countdown clock: steps, the zero it reports once, and its format.
#include <gtest/gtest.h>

#include "sprites/timer.hpp"

using molvane::Timer;
using Text = std::pair<std::string, std::string>;

TEST(Timer, OneSecondReportsZeroOnlyOnItsSixtiethStep) {
    Timer timer(1);
    for (int step = 1; step < 60; ++step) ASSERT_EQ(timer.update(), 1) << "step " << step;
    EXPECT_EQ(timer.update(), 0);
    EXPECT_EQ(timer.get_format_time(), Text("00", "00"));
}

TEST(Timer, ThirtySecondsCountDownInSixtieths) {
    Timer timer(30);
    EXPECT_EQ(timer.get_format_time(), Text("30", "00"));
    timer.update();
    EXPECT_EQ(timer.get_format_time(), Text("29", "59"));
    for (int step = 2; step <= 60; ++step) timer.update();
    EXPECT_EQ(timer.get_format_time(), Text("29", "00"));
    timer.update();
    EXPECT_EQ(timer.get_format_time(), Text("28", "59"));
}

TEST(Timer, PlayTimeEndsOnStep1800AndShows0001Before) {
    Timer timer(30);
    for (int step = 1; step < 1799; ++step) ASSERT_EQ(timer.update(), 1);
    EXPECT_EQ(timer.update(), 1);
    EXPECT_EQ(timer.get_format_time(), Text("00", "01"));
    EXPECT_EQ(timer.update(), 0);
}

TEST(Timer, SteppedOnPastZeroGoesNegativeAndNeverReportsZeroAgain) {
    Timer timer(1);
    for (int step = 0; step < 60; ++step) timer.update();
    EXPECT_EQ(timer.update(), 1);
    EXPECT_EQ(timer.s, -1);
    EXPECT_EQ(timer.ms, 59);
    EXPECT_EQ(timer.get_format_time(), Text("0-1", "59"));
    for (int step = 0; step < 500; ++step) ASSERT_EQ(timer.update(), 1);

    Timer zero(0);
    EXPECT_EQ(zero.update(), 1);
    EXPECT_EQ(zero.get_second(), -1);
}

TEST(Timer, SecondsDropTheSixtiethsAndFormatPadsToTwoDigits) {
    Timer timer(1);
    timer.update();
    EXPECT_EQ(timer.get_second(), 0);  // reads 0:59
    Timer nine(9);
    nine.ms = 5;
    EXPECT_EQ(nine.get_format_time(), Text("09", "05"));
    Timer big(120);
    EXPECT_EQ(big.get_format_time(), Text("120", "00"));
}

TEST(Timer, SetTimeRestartsAtOnce) {
    Timer timer(30);
    for (int step = 0; step < 100; ++step) timer.update();
    timer.set_time(5);
    EXPECT_EQ(timer.get_format_time(), Text("05", "00"));
    timer.update();
    EXPECT_EQ(timer.get_format_time(), Text("04", "59"));
}
