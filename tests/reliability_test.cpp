// The game in hostile surroundings: a temporary directory it cannot write,
// a working directory full of traps, no sound device, no fonts, and the
// system asking it to stop (SIGINT, SIGTERM) on every screen.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
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

// Whether the kernel offers a sound card's PCM device: only then may ALSA
// find one to open.
bool has_a_sound_card() {
    std::error_code none;
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev/snd", none))
        if (entry.path().filename().string().starts_with("pcm")) return true;
    return false;
}

// A fontconfig configuration that knows no font directory: as on a machine
// with no fonts installed.
fs::path write_empty_font_config(const fs::path& directory) {
    fs::path file = directory / "fonts.conf";
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                        << "<fontconfig><cachedir>" << (directory / "cache").string() << "</cachedir></fontconfig>\n";
    return file;
}

// A Unix socket at `path` that takes connections and never answers (as a
// frozen D-Bus daemon), open for the rest of the test program's life.
std::string listen_silently(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) return "";
    return "unix:path=" + path.string();
}

// Where one game runs: its working and temporary directories, one more for
// what the player keeps elsewhere, and its environment.
struct Place {
    process::TempDir working, temporary, elsewhere, config;
    std::map<std::string, std::string> environment = process::headless_environment(temporary.path());
    std::optional<Tmpfs> mount;
};

// Mounts a tmpfs over `where`, read-only once `fill` has put its files there;
// says why it cannot (no root), or "".
std::string mount(Place& place, const fs::path& where, const std::string& options, bool read_only,
                  void (*fill)(const fs::path&) = nullptr) {
    place.mount.emplace(where, options);
    if (!place.mount->mounted()) return place.mount->why() + " (the test needs root and CAP_SYS_ADMIN)";
    if (fill) fill(where);
    if (read_only && !place.mount->make_read_only()) return "cannot make the tmpfs read-only";
    return "";
}

struct Surroundings {
    const char* name;
    std::string (*prepare)(Place&);  // makes the place hostile; says why it cannot here, or ""
    int status;                      // 0: the game plays until asked to stop; 1: start-up stops
    const char* err;                 // what the game says, a regular expression
};

std::ostream& operator<<(std::ostream& out, const Surroundings& s) { return out << s.name; }

const Surroundings kSurroundings[] = {
    {"ReadOnlyTemporaryDirectory", [](Place& p) { return mount(p, p.temporary.path(), "size=4m,mode=0700", true); }, 1,
     "molvane: cannot make a private directory in [^\n]*: Read-only file system\n"},
    // 512 KiB hold a few of the assets, not all 1.9 MB of them.
    {"FullTemporaryDirectory", [](Place& p) { return mount(p, p.temporary.path(), "size=512k,mode=0700", false); }, 1,
     "molvane: asset [a-z_]+\\.(jpg|png|wav|mp3): cannot write its file: No space left on device\n"},
    {"ReadOnlyWorkingDirectory",
     [](Place& p) {
         return mount(p, p.working.path(), "size=1m", true, [](const fs::path& working) {
             std::ofstream(working / "image_start.jpg") << "the player's holiday picture";
         });
     },
     0, ""},
    // In the working directory and in the temporary one: wherever the game
    // might write, a link to a file of the player's waits under each name.
    {"SymbolicLinksUnderEveryAssetName",
     [](Place& p) {
         for (const auto& entry : assets::DATA) {
             std::string name(entry.name);
             std::ofstream(p.elsewhere.path() / name) << "the player's " << name;
             fs::create_symlink(p.elsewhere.path() / name, p.working.path() / name);
             fs::create_symlink(p.elsewhere.path() / name, p.temporary.path() / name);
         }
         return std::string();
     },
     0, ""},
    // This machine has no sound card: ALSA finds nothing to open.
    {"NoSoundDevice",
     [](Place& p) {
         p.environment["SDL_AUDIODRIVER"] = "alsa";
         return std::string(has_a_sound_card() ? "this machine has a sound card ALSA may open" : "");
     },
     0, "molvane: no sound device \\([^\n]*\\); playing without sound\n"},
    {"HungSessionBus",
     [](Place& p) {
         p.environment["DBUS_SESSION_BUS_ADDRESS"] = listen_silently(p.config.path() / "bus");
         return std::string();
     },
     0, ""},
    // libpulse may not use its runtime directory (a file): its complaints are not the player's.
    {"UnusableSoundServerDirectory",
     [](Place& p) {
         std::ofstream(p.config.path() / "file");
         p.environment["XDG_RUNTIME_DIR"] = (p.config.path() / "file").string();
         p.environment["SDL_AUDIODRIVER"] = "pulseaudio";
         return std::string();
     },
     0, "molvane: no sound device \\([^\n]*\\); playing without sound\n"},
    {"NoInstalledFonts",
     [](Place& p) {
         p.environment["FONTCONFIG_FILE"] = write_empty_font_config(p.config.path()).string();
         return std::string();
     },
     0, ""},
};

class HostileEnvironment : public ::testing::TestWithParam<Surroundings> {};

// The game plays on and stops at a SIGTERM with status 0, or start-up stops
// with one line; either way the player's files, the links and their targets
// are as they were, and so is the temporary directory.
TEST_P(HostileEnvironment, PlaysOrStopsWithOneLineAndLeavesEverythingAsItWas) {
    const Surroundings& surroundings = GetParam();
    Place place;
    if (std::string why = surroundings.prepare(place); !why.empty()) GTEST_SKIP() << why;
    auto working = process::snapshot(place.working.path());
    auto temporary = process::snapshot(place.temporary.path());
    auto elsewhere = process::snapshot(place.elsewhere.path());

    auto outcome =
        process::run_game(place.working.path(), place.environment, surroundings.status == 0 ? SIGTERM : 0, 10s);

    EXPECT_TRUE(outcome.exited && outcome.status == surroundings.status) << outcome;
    EXPECT_TRUE(std::regex_match(outcome.err, std::regex(surroundings.err))) << outcome.err;
    EXPECT_EQ(process::snapshot(place.working.path()), working);
    EXPECT_EQ(process::snapshot(place.temporary.path()), temporary);
    EXPECT_EQ(process::snapshot(place.elsewhere.path()), elsewhere);
}

INSTANTIATE_TEST_SUITE_P(Surroundings, HostileEnvironment, ::testing::ValuesIn(kSurroundings),
                         [](const auto& info) { return std::string(info.param.name); });

// With no fonts installed, the HUD's texts are written in the game's own font.
TEST(NoInstalledFonts, TheHudIsWrittenInTheEmbeddedFont) {
    process::TempDir config;
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

}  // namespace

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
