// The game in hostile surroundings: a temporary directory it cannot write,
// a working directory full of traps, no sound device, no fonts, and the
// system asking it to stop (SIGINT, SIGTERM) on every screen.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <regex>
#include <string>
#include <system_error>
#include <tuple>

#include "assets.hpp"
#include "harness.hpp"
#include "players.hpp"
#include "process.hpp"
#include "screens/screens.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/start_up.hpp"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A small tmpfs mounted over a test's directory for as long as the object
// lives. Mounting needs root (CI runs the tests as root).
class Tmpfs {
public:
    Tmpfs(const fs::path& where, const std::string& options) : where_(where) {
        mounted_ = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!mounted_) why_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
    }
    ~Tmpfs() {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    Tmpfs(const Tmpfs&) = delete;
    Tmpfs& operator=(const Tmpfs&) = delete;

    // Root ignores permission bits: only a read-only mount stops it writing.
    bool make_read_only() { return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    fs::path where_;
    bool mounted_ = false;
    std::string why_;
};

#define MOUNT_OR_SKIP(mount) \
    if (!(mount).mounted()) GTEST_SKIP() << (mount).why() << " (the test needs root and CAP_SYS_ADMIN)"

// Runs the game until start-up is over, then asks it to stop with `signal`.
process::Outcome run_and_stop(const fs::path& working, const std::map<std::string, std::string>& environment,
                              int signal = SIGTERM) {
    return process::run_game(working, environment, signal, 10s);
}

}  // namespace

TEST(HostileEnvironment, AReadOnlyTemporaryDirectoryStopsStartUpWithOneLine) {
    process::TempDir working, temporary;
    Tmpfs mount(temporary.path(), "size=4m,mode=0700");
    MOUNT_OR_SKIP(mount);
    ASSERT_TRUE(mount.make_read_only());

    auto outcome = process::run_game(working.path(), process::headless_environment(temporary.path()), 0, 10s);

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(std::regex_match(
        outcome.err, std::regex("molvane: cannot make a private directory in [^\n]*: Read-only file system\n")))
        << outcome.err;
    EXPECT_TRUE(process::snapshot(working.path()).empty());
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

TEST(HostileEnvironment, AFullTemporaryDirectoryStopsStartUpAndIsLeftEmpty) {
    // 512 KiB hold a few of the assets, not all 1.9 MB of them.
    process::TempDir working, temporary;
    Tmpfs mount(temporary.path(), "size=512k,mode=0700");
    MOUNT_OR_SKIP(mount);

    auto outcome = process::run_game(working.path(), process::headless_environment(temporary.path()), 0, 10s);

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(std::regex_match(
        outcome.err, std::regex("molvane: asset [a-z_]+\\.(jpg|png|wav|mp3): cannot write its file: No space left "
                                "on device\n")))
        << outcome.err;
    EXPECT_TRUE(process::snapshot(working.path()).empty());
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

TEST(HostileEnvironment, AReadOnlyWorkingDirectoryIsNoHindrance) {
    process::TempDir working, temporary;
    Tmpfs mount(working.path(), "size=1m");
    MOUNT_OR_SKIP(mount);
    std::ofstream(working.path() / "image_start.jpg") << "the player's holiday picture";
    ASSERT_TRUE(mount.make_read_only());
    auto before = process::snapshot(working.path());

    auto outcome = run_and_stop(working.path(), process::headless_environment(temporary.path()));

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(process::snapshot(working.path()), before);
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

TEST(HostileEnvironment, SymbolicLinksUnderEveryAssetNameAndTheirTargetsAreLeftAlone) {
    // In the working directory and in the temporary one: wherever the game
    // might write, a link to a file of the player's waits under each name.
    process::TempDir working, temporary, elsewhere;
    for (const auto& entry : assets::DATA) {
        std::string name(entry.name);
        std::ofstream(elsewhere.path() / name) << "the player's " << name;
        fs::create_symlink(elsewhere.path() / name, working.path() / name);
        fs::create_symlink(elsewhere.path() / name, temporary.path() / name);
    }
    auto working_before = process::snapshot(working.path());
    auto temporary_before = process::snapshot(temporary.path());
    auto targets_before = process::snapshot(elsewhere.path());

    auto outcome = run_and_stop(working.path(), process::headless_environment(temporary.path()));

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(process::snapshot(working.path()), working_before);
    EXPECT_EQ(process::snapshot(temporary.path()), temporary_before);
    EXPECT_EQ(process::snapshot(elsewhere.path()), targets_before);
}

// Whether the kernel offers a sound card's PCM device: only then may ALSA
// find one to open.
bool has_a_sound_card() {
    std::error_code none;
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev/snd", none))
        if (entry.path().filename().string().starts_with("pcm")) return true;
    return false;
}

TEST(HostileEnvironment, WithoutASoundDeviceTheGamePlaysSilentlyAfterOneLine) {
    // This machine has no sound card: ALSA finds nothing to open.
    process::TempDir working, temporary;
    auto environment = process::headless_environment(temporary.path());
    environment["SDL_AUDIODRIVER"] = "alsa";

    auto outcome = run_and_stop(working.path(), environment);

    if (has_a_sound_card()) GTEST_SKIP() << "this machine has a sound card ALSA may open";
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(std::regex_match(outcome.err, std::regex("molvane: no sound device \\([^\n]*\\); playing without "
                                                         "sound\n")))
        << outcome.err;
    EXPECT_TRUE(process::snapshot(working.path()).empty());
    EXPECT_TRUE(process::snapshot(temporary.path()).empty());
}

// A fontconfig configuration that knows no font directory: as on a machine
// with no fonts installed.
fs::path write_empty_font_config(const fs::path& directory) {
    fs::path file = directory / "fonts.conf";
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                        << "<fontconfig><cachedir>" << (directory / "cache").string() << "</cachedir></fontconfig>\n";
    return file;
}

TEST(HostileEnvironment, WithoutInstalledFontsTheGameRunsAndWritesInItsOwnFont) {
    process::TempDir working, temporary, config;
    auto environment = process::headless_environment(temporary.path());
    environment["FONTCONFIG_FILE"] = write_empty_font_config(config.path()).string();

    auto outcome = run_and_stop(working.path(), environment);

    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_TRUE(process::snapshot(working.path()).empty());

    // The same in this process, where the HUD's texts can be looked at.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::setenv("FONTCONFIG_FILE", write_empty_font_config(config.path()).c_str(), 1);
            harness::start_game();
            bool all_written = true;
            for (const media::Font* font : {&molvane::FONT_LEVEL, &molvane::FONT_TIMER, &molvane::FONT_READY}) {
                media::Surface text = font->render("30:00", true, molvane::WHITE);
                media::Surface backdrop(text.get_width(), text.get_height());
                backdrop.blit(text, {0, 0});
                int white = 0;
                for (int y = 0; y < backdrop.get_height(); ++y)
                    for (int x = 0; x < backdrop.get_width(); ++x) white += backdrop.get_at(x, y) == molvane::WHITE;
                all_written = all_written && font->family() == "DejaVu Sans" && white > 50;
            }
            std::exit(all_written ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostileEnvironment, SigintAndSigtermOnTheTitleEndTheProgramAsAClose) {
    for (int signal : {SIGINT, SIGTERM}) {
        process::TempDir working, temporary;
        auto outcome = run_and_stop(working.path(), process::headless_environment(temporary.path()), signal);
        EXPECT_TRUE(outcome.exited) << strsignal(signal);
        EXPECT_EQ(outcome.status, 0) << strsignal(signal) << ": " << outcome.err;
        EXPECT_EQ(outcome.err, "") << strsignal(signal);
        EXPECT_TRUE(process::snapshot(working.path()).empty());
        EXPECT_TRUE(process::snapshot(temporary.path()).empty());
    }
}

// ---- A signal on every screen, in this process --------------------------------

namespace {

struct SignalCase {
    const char* screen;
    std::string state;  // the screen the game starts on
    long at;            // the fetch at which the signal comes
    bool pause;         // space before the signal: it comes during the pause
};

std::ostream& operator<<(std::ostream& out, const SignalCase& c) { return out << c.screen; }

const SignalCase kSignalCases[] = {
    {"title", "start", 5, false},
    {"countdown", "main", 30, false},
    {"play", "main", players::play_fetch(300), false},
    {"pause", "main", players::play_fetch(20) + 10, true},
    {"gameover", "end", 5, false},
    {"victory", "win", 5, false},
};

class SignalOnEveryScreen : public ::testing::TestWithParam<std::tuple<SignalCase, int>> {};

// SDL turns the signal into a close request, which the game handles as the
// window's close button: status 0. Left alone, the signal would kill it.
TEST_P(SignalOnEveryScreen, EndsTheGameAsACloseRequestDoes) {
    const auto& [screen, signal] = GetParam();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            harness::start_game();
            harness::Script script;
            if (screen.pause) script.at(players::play_fetch(20), {harness::key_down(media::K_SPACE)});
            script.each([&, signal = signal](long fetch, media::testing::Input&) {
                players::quiet_board();
                if (fetch == screen.at) ::raise(signal);
                // The game should have closed at the fetch after the signal.
                if (fetch > screen.at + 1) std::exit(3);
            });
            molvane::STATE = screen.state;
            for (int screens = 0; screens < 3; ++screens) molvane::run_screen();
            std::exit(4);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(SigintAndSigterm, SignalOnEveryScreen,
                         ::testing::Combine(::testing::ValuesIn(kSignalCases), ::testing::Values(SIGINT, SIGTERM)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).screen) +
                                    (std::get<1>(info.param) == SIGINT ? "Sigint" : "Sigterm");
                         });

}  // namespace
