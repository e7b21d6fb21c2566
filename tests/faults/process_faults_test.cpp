// The built program where the process itself is hostile: standard
// descriptors closed, stderr a pipe nobody reads, limits on file sizes and
// memory, signals during start-up, an X server that refuses us or dies, a
// sound server that hangs or dies and comes back.
// Each run gets a private TMPDIR that must be empty when the game has ended.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "../process.hpp"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

using process::Game;
using process::Stderr;
using process::Xvfb;

// An Xauthority file with one made-up cookie for every display on this host.
void write_cookie(const fs::path& file) {
    std::ofstream out(file, std::ios::binary);
    auto field = [&](const std::string& bytes) {
        out.put(char(bytes.size() >> 8)).put(char(bytes.size() & 0xFF));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    out.put(char(0x01)).put(char(0x00));  // FamilyLocal
    field(host);
    field("");  // any display number
    field("MIT-MAGIC-COOKIE-1");
    field(std::string(16, '\x5a'));
}

// True when a window of the game's process is on the display.
bool has_window(const std::string& display, pid_t pid) {
    std::string command =
        "DISPLAY=" + display + " xdotool search --onlyvisible --pid " + std::to_string(pid) + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::map<std::string, std::string> x_environment(const std::string& display, const fs::path& temporary) {
    auto env = process::inherited_environment();
    env["DISPLAY"] = display;
    env["TMPDIR"] = temporary.string();
    env["SDL_AUDIODRIVER"] = "dummy";
    return env;
}

bool empty(const fs::path& directory) { return process::snapshot(directory).empty(); }

// True while start-up holds the signals back or has its files on disk.
bool starting(const Game& game, const fs::path& temporary) {
    return process::holds_stop_signals(game.pid()) || !fs::is_empty(temporary);
}

std::string one_line(const std::string& pattern) { return "molvane: " + pattern + "\n"; }

bool matches(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

// A PulseAudio server with a null sink, `home` its home and runtime directory.
struct Pulse {
    fs::path home;
    pid_t pid = -1;
    ~Pulse() {
        if (pid > 0) ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    }
    std::string env() const { return "HOME=" + home.string() + " XDG_RUNTIME_DIR=" + home.string() + " "; }
    bool sh(const std::string& command) const {
        return std::system((env() + "timeout 5 sh -c '" + command + "' >/dev/null 2>&1").c_str()) == 0;
    }
    void start() {
        std::string command = "exec env " + env() + "pulseaudio -n --daemonize=no --exit-idle-time=-1 " +
                              "--use-pid-file=no -L module-native-protocol-unix -L module-null-sink >/dev/null 2>&1";
        if ((pid = ::fork()) == 0) ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr), _exit(127);
        EXPECT_TRUE(wait_for([&] { return sh("pactl info"); }, 30s));
    }
    void stop(int signal) const {
        if (pid > 0) ::kill(pid, signal);
    }
    bool playing() const { return sh("pactl list short sink-inputs | grep -q ."); }
    bool audible() const { return sh("parec -d null.monitor --raw | head -c 44100 | tr -d \"\\\\0\" | grep -q ."); }
};

}  // namespace

// ---- Standard descriptors -------------------------------------------------

TEST(ProcessFaults, ClosedStandardDescriptorsNeitherHangTheWindowNorTheClose) {
    // The line about the missing sound device must not go into whatever the
    // game opens next on the free number: the X connection.
    Xvfb x;
    for (std::vector<int> closed : {std::vector<int>{2}, std::vector<int>{0, 1, 2}}) {
        for (int run = 0; run < 3; ++run) {
            process::TempDir temporary;
            auto env = x_environment(x.name(), temporary.path());
            env["SDL_AUDIODRIVER"] = "alsa";  // no card here: the game writes its line
            Game game({.environment = env, .err = Stderr::kClosed, .closed = closed});
            bool shown = wait_for([&] { return has_window(x.name(), game.pid()); }, 10s);
            game.send(SIGTERM);
            process::Outcome e = game.wait(5s);
            EXPECT_TRUE(shown) << closed.size() << " closed, run " << run;
            EXPECT_TRUE(e.exited && e.status == 0) << e;
            EXPECT_TRUE(empty(temporary.path()));
        }
    }
}

TEST(ProcessFaults, AStderrNobodyReadsIsNoReasonToDie) {
    // A line the game writes on a start-up that works (no sound device) and
    // on one that fails (no display): neither write may kill it.
    process::TempDir temporary;
    auto env = process::headless_environment(temporary.path());
    env["SDL_AUDIODRIVER"] = "alsa";
    process::StartUpWatch start_up(temporary.path());
    Game playing({.environment = env, .err = Stderr::kBrokenPipe});
    EXPECT_TRUE(start_up.wait(playing.pid(), 10s));
    playing.send(SIGTERM);
    process::Outcome e = playing.wait(5s);
    EXPECT_TRUE(e.exited && e.status == 0) << e;
    EXPECT_TRUE(empty(temporary.path()));

    env = process::inherited_environment();
    env["TMPDIR"] = temporary.path().string();
    Game failing({.environment = env, .err = Stderr::kBrokenPipe});
    e = failing.wait(10s);
    EXPECT_TRUE(e.exited && e.status == 1) << e;
    EXPECT_TRUE(empty(temporary.path()));
}

// ---- Limits -----------------------------------------------------------------

TEST(ProcessFaults, AFileSizeLimitStopsStartUpWithOneLine) {
    for (rlim_t bytes : {rlim_t{0}, rlim_t{100 * 1024}}) {
        process::TempDir temporary;
        Game game({.environment = process::headless_environment(temporary.path()),
                   .limit = std::pair<int, rlim_t>{RLIMIT_FSIZE, bytes}});
        process::Outcome e = game.wait(10s);
        EXPECT_TRUE(e.exited && e.status == 1) << bytes << ": " << e;
        EXPECT_TRUE(
            matches(e.err, one_line("asset [a-z_]+\\.(jpg|png|wav|mp3): cannot write its file: File too large")))
            << e.err;
        EXPECT_TRUE(empty(temporary.path()));
    }
}

TEST(ProcessFaults, TooLittleMemorySaysWhatCouldNotBeHad) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no limit on it lets the game start";
#endif
    // Some limits stop start-up, higher ones let it play; each run ends with
    // at most one line that says what failed, and nothing on disk. (Below
    // 40 MB the program's libraries do not load.)
    int out_of_memory = 0;
    for (rlim_t megabytes = 40; megabytes <= 160; megabytes += 10) {
        process::TempDir temporary;
        process::StartUpWatch start_up(temporary.path());
        Game game({.environment = process::headless_environment(temporary.path()),
                   .limit = std::pair<int, rlim_t>{RLIMIT_AS, megabytes << 20}});
        // Started, it plays until asked to stop; failing, it says why and
        // ends. Short of memory for the sound device's thread, it says so and
        // plays on without sound, until a retry gets a device.
        const std::string no_sound =
            one_line("no sound device \\([^\n]*\\); playing without sound") + "(" + one_line("sound is back") + ")?";
        // A start-up that failed also removes its directory and lets signals
        // through on its way to saying why: give it the time to end first.
        if (start_up.wait(game.pid(), 10s)) {
            std::this_thread::sleep_for(300ms);
            if (!process::ended(game.pid()) && (game.said().empty() || matches(game.said(), no_sound)))
                game.send(SIGTERM);
        }
        process::Outcome e = game.wait(5s);
        SCOPED_TRACE(std::to_string(megabytes) + " MB: " + e.err);
        EXPECT_TRUE(e.exited) << e;
        if (e.status == 1) {
            EXPECT_TRUE(matches(e.err, one_line("(out of memory while [a-z ]+|[^:\n]+: [^\n]+)"))) << e.err;
            EXPECT_EQ(e.err.find("bad_alloc"), std::string::npos);
            // Ours, or a library's own "Out of memory" after what failed.
            out_of_memory += matches(e.err, one_line("(out of memory while [a-z ]+|cannot [^\n]+: Out of memory)"));
        } else {
            EXPECT_EQ(e.status, 0);
            EXPECT_TRUE(e.err.empty() || matches(e.err, no_sound)) << e.err;
        }
        EXPECT_TRUE(empty(temporary.path()));
    }
    EXPECT_GT(out_of_memory, 0) << "no limit tried ran out of memory where the game says so";
}

// ---- Signals during start-up ----------------------------------------------

class SignalDuringStartUp : public ::testing::TestWithParam<int> {};

// From the moment start-up holds the signals back (its files may then be on
// disk), every 5 ms for 150 ms; and a few from the moment of the start, when
// the game may not have begun and the signal's own action is fine.
TEST_P(SignalDuringStartUp, LeavesNoFilesAndEndsAsTheSignalShould) {
    const int signal = GetParam();
    const bool closes = signal == SIGINT || signal == SIGTERM;
    struct Moment {
        bool after_hold;
        int ms;
    };
    std::vector<Moment> moments;
    for (int ms = 0; ms <= 150; ms += 5) moments.push_back({true, ms});
    for (int ms : {0, 10, 20, 40}) moments.push_back({false, ms});
    int missed = 0;     // runs whose start-up went by between two looks
    int unguarded = 0;  // looks that found files on disk while a stop signal was not held
    for (const Moment& moment : moments) {
        process::TempDir temporary;
        Game game({.environment = process::headless_environment(temporary.path())});
        auto look = [&] {
            // The hold is looked at before and after the files: it begins
            // before they come and ends after they go, so files seen with no
            // hold on either side are files unguarded (a look taking longer
            // than the whole hold aside). One look at the hold alone could
            // just miss its beginning or its end.
            bool held_before = process::holds_stop_signals(game.pid());
            bool files = !fs::is_empty(temporary.path());
            bool held_after = process::holds_stop_signals(game.pid());
            unguarded += files && !held_before && !held_after;
            return held_before || held_after || files;
        };
        if (moment.after_hold && !wait_for(look, 5s)) ++missed;
        auto from = moment.after_hold ? Clock::now() : game.started();
        std::this_thread::sleep_until(from + std::chrono::milliseconds(moment.ms));
        game.send(signal);
        process::Outcome e = game.wait(10s);
        SCOPED_TRACE((moment.after_hold ? "after the hold, " : "after the start, ") + std::to_string(moment.ms) +
                     " ms");
        if (closes && moment.after_hold) {
            EXPECT_TRUE(e.exited && e.status == 0) << e;
        } else if (closes) {  // perhaps before the game began: then the signal's own end
            EXPECT_TRUE((e.exited && e.status == 0) || e.signal == signal) << e;
        } else {
            EXPECT_EQ(e.signal, signal) << e;
        }
        EXPECT_EQ(e.err, "");
        EXPECT_TRUE(empty(temporary.path())) << e;
    }
    EXPECT_LE(missed, 3) << "start-up was seen in too few runs to say anything";
    EXPECT_EQ(unguarded, 0) << "files on disk while a stop signal could end the game";
}

INSTANTIATE_TEST_SUITE_P(ProcessFaults, SignalDuringStartUp, ::testing::Values(SIGHUP, SIGQUIT, SIGINT, SIGTERM),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// ---- The X server -------------------------------------------------------------

TEST(ProcessFaults, AnXServerThatRefusesUsIsQuoted) {
    process::TempDir temporary, auth;
    write_cookie(auth.path() / "cookie");
    Xvfb x("1024x768x24", auth.path() / "cookie");
    Game game({.environment = x_environment(x.name(), temporary.path())});
    process::Outcome e = game.wait(10s);
    EXPECT_TRUE(e.exited && e.status == 1) << e;
    EXPECT_TRUE(matches(e.err, one_line("cannot open a window: the X server " + x.name() +
                                        " refused the connection: [^\n]*[Aa]uthori[sz]ation[^\n]*")))
        << e.err;
    EXPECT_TRUE(empty(temporary.path()));

    std::string gone = x.name();
    x.kill();
    Game nobody({.environment = x_environment(gone, temporary.path())});
    e = nobody.wait(10s);
    EXPECT_TRUE(e.exited && e.status == 1) << e;
    EXPECT_EQ(e.err, one_line("cannot open a window: no X server answers at DISPLAY=" + gone));
    EXPECT_TRUE(empty(temporary.path()));
}

TEST(ProcessFaults, AScreenSdlCannotDrawOnIsNamedByItsDepth) {
    process::TempDir temporary;
    Xvfb x("800x600x8");
    process::Outcome e = Game({.environment = x_environment(x.name(), temporary.path())}).wait(10s);
    const char* why = "the screen has 8-bit colour; the game needs a screen of 15 bits or more";
    EXPECT_TRUE(e.exited && e.status == 1 && e.err == one_line("cannot draw in the window: " + std::string(why))) << e;
}

TEST(ProcessFaults, AnXServerDyingDuringStartUpOrPlayEndsWithOneLine) {
    // During start-up every 10 ms from the moment the game holds its signals,
    // then once with the window open.
    int missed = 0;  // runs whose start-up went by between two looks
    for (int ms = 0; ms <= 160; ms += 10) {
        Xvfb x;
        process::TempDir temporary;
        Game game({.environment = x_environment(x.name(), temporary.path())});
        bool playing = ms == 160;
        if (playing) {
            ASSERT_TRUE(wait_for([&] { return has_window(x.name(), game.pid()); }, 10s));
        } else if (!wait_for([&] { return starting(game, temporary.path()); }, 5s)) {
            ++missed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(playing ? 200 : ms));
        x.kill();
        process::Outcome e = game.wait(5s);
        SCOPED_TRACE(playing ? "while playing" : std::to_string(ms) + " ms");
        EXPECT_TRUE(e.exited && e.status == 1) << e;
        if (playing) {
            EXPECT_EQ(e.err, one_line("lost the connection to the X server " + x.name()));
        } else {
            EXPECT_TRUE(matches(e.err, one_line("(lost the connection to the X server |cannot open a window: no X "
                                                "server answers at DISPLAY=)" +
                                                x.name())))
                << e.err;
        }
        EXPECT_TRUE(empty(temporary.path()));
    }
    EXPECT_LE(missed, 2) << "start-up was seen in too few runs to say anything";
}

// ---- A sound server (PulseAudio with a null sink) ------------------------

// Stopped at launch, missing at launch, or killed in play and started again:
// the title within seconds, the title tune back within seconds of the server
// answering; then stopped in play, SIGTERM ends the game at once.
TEST(SoundServer, NeitherAHungNorALostServerHoldsTheGame) {
    enum At { kStopped, kMissing, kRestarted };
    for (At at : {kStopped, kMissing, kRestarted}) {
        SCOPED_TRACE(at);
        process::TempDir home, temporary;
        Pulse server{home.path()};
        fs::create_directories(home.path() / ".config/pulse");
        std::ofstream(home.path() / ".config/pulse/client.conf") << "autospawn = no\n";
        if (at != kMissing) server.start();
        server.stop(at == kStopped ? SIGSTOP : 0);
        auto env = process::headless_environment(temporary.path());
        env["HOME"] = env["XDG_RUNTIME_DIR"] = home.path(), env["SDL_AUDIODRIVER"] = "pulseaudio";
        process::StartUpWatch start_up(temporary.path());
        Game game({.environment = env});
        ASSERT_TRUE(start_up.wait(game.pid(), 15s));
        EXPECT_LT(Clock::now() - game.started(), 6s);
        if (at == kRestarted) {
            ASSERT_TRUE(wait_for([&] { return server.playing(); }, 20s));
            server.stop(SIGKILL), ::waitpid(server.pid, nullptr, 0);
            std::this_thread::sleep_for(1s);  // the game plays on without it a while
        }
        if (at == kStopped) server.stop(SIGCONT);
        if (at != kStopped) server.start();
        auto answered = Clock::now();
        EXPECT_TRUE(wait_for([&] { return server.playing(); }, 20s));
        EXPECT_LT(Clock::now() - answered, 8s);
        EXPECT_TRUE(wait_for([&] { return server.audible(); }, 10s));  // the tune restarts at the next frame
        server.stop(SIGSTOP);
        std::this_thread::sleep_for(1s);  // the game's sound thread now waits on the server
        auto asked = Clock::now();
        game.send(SIGTERM);
        process::Outcome e = game.wait(20s);
        EXPECT_LT(Clock::now() - asked, 2s);
        EXPECT_TRUE(e.exited && e.status == 0) << e;
        std::string why = at == kStopped ? "the sound server does not answer" : "[^\n]*";
        std::string said = at == kRestarted ? "" : one_line("no sound device \\(" + why + "\\); playing without sound");
        EXPECT_TRUE(matches(e.err, said + one_line("sound is back"))) << e.err;
        EXPECT_TRUE(empty(temporary.path()));
    }
}
