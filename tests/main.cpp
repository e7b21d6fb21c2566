// The test program's entry.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests run their statement in a fresh copy of the test program,
    // not a fork of this one: SDL's threads would not survive a fork, and a
    // fresh copy has not run the start-up yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
