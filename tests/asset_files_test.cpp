// Unpacking the asset table: decoding, names, and nothing left on disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "process.hpp"
#include "shell/asset_files.hpp"

using molvane::decode_asset;
using molvane::UnpackedAssets;

TEST(DecodeAsset, ReadsBase64AfterTheFirstCharacterAndRejectsBadTextNamingTheEntry) {
    for (const auto& [text, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"@aGVsbG8=", "hello"},
             {"QaGVsbG8=", "hello"},  // the first character is skipped, a base64 letter too
             {"@", ""},
             {"@\"aGVs\nbG8=\"\r\n", "hello"},  // characters outside the alphabet are passed over
             {"@ a G V s b G 8 = ", "hello"},
             {"@AAECA/z9/v8=", std::string("\x00\x01\x02\x03\xfc\xfd\xfe\xff", 8)},
         })
        EXPECT_EQ(decode_asset("a", text), bytes) << text;

    for (const char* bad : {"@aGVsbG8", "@a", "@aGVsbG8=x", "@aGVsbA=", "@aGVsb==="}) {
        try {
            decode_asset("sound_pop.wav", bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("sound_pop.wav"), std::string::npos) << error.what();
        }
    }
}

TEST(UnpackedAssets, WritesPrivatelyAndRemovesEverything) {
    std::vector<assets::Entry> table{{"one.wav", "@b25l"}, {"extra.bin", "@dHdv"}};
    std::filesystem::path directory;
    {
        UnpackedAssets files(table);
        directory = files.directory();
        EXPECT_NE(directory, std::filesystem::current_path());
        auto mode = std::filesystem::status(directory).permissions();
        EXPECT_EQ(mode & std::filesystem::perms::all, std::filesystem::perms::owner_all);
        std::ifstream in(files.path("one.wav"));
        std::string content;
        in >> content;
        EXPECT_EQ(content, "one");
        EXPECT_THROW(files.path("missing.jpg"), std::runtime_error);
        files.remove();
        EXPECT_FALSE(std::filesystem::exists(directory));
    }
    EXPECT_FALSE(std::filesystem::exists(directory));
}

TEST(UnpackedAssets, AFailureHalfwayLeavesNothingBehind) {
    std::vector<assets::Entry> table{{"one.wav", "@b25l"}, {"two.wav", "@not base64!"}};
    process::TempDir temporary;
    process::UseAsTmpdir use(temporary.path());
    EXPECT_THROW(UnpackedAssets files(table), std::runtime_error);
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

TEST(UnpackedAssets, AProcessEndingThroughExitOrQuickExitLeavesNothing) {
    // As when Xlib ends the process because the X server went away during
    // start-up, with the files on disk and never a destructor run.
    std::vector<assets::Entry> table{{"one.wav", "@b25l"}, {"extra.bin", "@dHdv"}};
    process::TempDir temporary;
    // The death test's copy of this program runs this test again from the
    // top: it takes the directory from the first run, through the environment.
    ::setenv("MOLVANE_TEST_EXIT_DIR", temporary.path().c_str(), 0);
    const std::string directory = std::getenv("MOLVANE_TEST_EXIT_DIR");
    for (bool quick : {false, true}) {
        EXPECT_EXIT(
            {
                ::setenv("TMPDIR", directory.c_str(), 1);
                // Never deleted; held by a static so that a leak checker
                // sees it still in reach at the exit.
                static UnpackedAssets* files = nullptr;
                files = new UnpackedAssets(table);
                if (!std::filesystem::exists(files->path("extra.bin"))) std::_Exit(9);
                if (quick) std::quick_exit(3);
                std::exit(3);
            },
            ::testing::ExitedWithCode(3), "")
            << (quick ? "quick_exit" : "exit");
        EXPECT_TRUE(process::snapshot(temporary.path()).empty()) << (quick ? "quick_exit" : "exit");
    }
    ::unsetenv("MOLVANE_TEST_EXIT_DIR");
}

// The names start-up refuses are in start_up_test's BadAssetTable; here the
// edges: "." and the longest name a file may have, and one character more.
TEST(UnpackedAssets, TakesNamesUpTo255CharactersButNotDot) {
    for (const std::string& name : {std::string("."), std::string(256, 'x')}) {
        std::vector<assets::Entry> table{{name, "@b25l"}};
        EXPECT_THROW(UnpackedAssets files(table), std::runtime_error) << name;
    }
    std::string longest(255, 'x');
    std::vector<assets::Entry> longest_table{{longest, "@b25l"}};
    UnpackedAssets files(longest_table);
    EXPECT_TRUE(std::filesystem::exists(files.path(longest)));
}
