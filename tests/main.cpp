// The test program's entry.
#include <gtest/gtest.h>

#include "process.hpp"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests run their statement in a fresh copy of the test program,
    // not a fork of this one: SDL's threads would not survive a fork, and a
    // fresh copy has not run the start-up yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");

    // Each run works in a temporary directory of its own, removed with
    // everything in it at the end. A death test's copy ends without unwinding,
    // so what it made stays until then; and a test that looks at what is in
    // the temporary directory sees only its own run's files, not those of the
    // tests that run beside it.
    process::TempDir own;
    process::UseAsTmpdir use(own.path());
    return RUN_ALL_TESTS();
}
