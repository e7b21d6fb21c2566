// The built program against a desktop's services that misbehave: a real
// PulseAudio server (a null sink, a runtime directory of its own) stopped
// with SIGSTOP, missing, or killed and started again; a session bus that
// hangs. Needs pulseaudio, pulseaudio-utils and dbus-daemon.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "../process.hpp"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

template <class Done>
bool wait_for(Done done, std::chrono::milliseconds limit) {
    for (auto deadline = Clock::now() + limit; !done(); std::this_thread::sleep_for(10ms))
        if (Clock::now() > deadline) return false;
    return true;
}

pid_t spawn(const std::string& command) {
    pid_t pid = ::fork();
    if (pid == 0) ::execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), nullptr), _exit(127);
    return pid;
}

void end(pid_t pid) {
    if (pid > 0) ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
}

// A PulseAudio server, its runtime directory in `home`/run.
struct Pulse {
    fs::path home;
    pid_t pid = -1;
    ~Pulse() { end(pid); }
    bool sh(const std::string& command) const {
        std::string env = "HOME=" + home.string() + " XDG_RUNTIME_DIR=" + (home / "run").string();
        return std::system((env + " timeout 5 sh -c '" + command + "' >/dev/null 2>&1").c_str()) == 0;
    }
    void start() {
        pid = spawn("env HOME=" + home.string() + " XDG_RUNTIME_DIR=" + (home / "run").string() +
                    " pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no"
                    " -L module-native-protocol-unix -L module-null-sink");
        ASSERT_TRUE(wait_for([&] { return sh("pactl info"); }, 30s));
    }
    bool playing() const { return sh("pactl list short sink-inputs | grep -q ."); }
    bool audible() const { return sh("parec -d null.monitor --raw | head -c 44100 | tr -d \"\\\\0\" | grep -q ."); }
};

}  // namespace

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
        fs::create_directory(home.path() / "run");
        fs::permissions(home.path() / "run", fs::perms::owner_all);
        std::ofstream(home.path() / ".config/pulse/client.conf") << "autospawn = no\n";
        if (at != kMissing) {
            ASSERT_NO_FATAL_FAILURE(server.start());
        }
        if (at == kStopped) ::kill(server.pid, SIGSTOP);
        auto env = process::headless_environment(temporary.path());
        env["HOME"] = home.path(), env["XDG_RUNTIME_DIR"] = home.path() / "run", env["SDL_AUDIODRIVER"] = "pulseaudio";
        process::StartUpWatch start_up(temporary.path());
        process::Game game({.environment = env});
        ASSERT_TRUE(start_up.wait(game.pid(), 15s));
        EXPECT_LT(Clock::now() - game.started(), 6s);
        if (at == kRestarted) {
            ASSERT_TRUE(wait_for([&] { return server.playing(); }, 20s));
            end(server.pid);
            std::this_thread::sleep_for(1s);  // the game plays on without it a while
        }
        if (at == kStopped) {
            ::kill(server.pid, SIGCONT);
        } else {
            ASSERT_NO_FATAL_FAILURE(server.start());
        }
        auto answered = Clock::now();
        EXPECT_TRUE(wait_for([&] { return server.playing(); }, 20s));
        EXPECT_LT(Clock::now() - answered, 8s);
        EXPECT_TRUE(server.audible());
        ::kill(server.pid, SIGSTOP);
        std::this_thread::sleep_for(1s);  // the game's sound thread now waits on the server
        auto asked = Clock::now();
        game.send(SIGTERM);
        process::Outcome outcome = game.wait(20s);
        EXPECT_LT(Clock::now() - asked, 2s);
        EXPECT_TRUE(outcome.exited && outcome.status == 0) << outcome;
        std::string no_device = at == kStopped ? "the sound server does not answer" : "[^\n]*";
        std::string lines = at == kRestarted ? "" : "molvane: no sound device \\(" + no_device + "\\)[^\n]*\n";
        EXPECT_TRUE(std::regex_match(outcome.err, std::regex(lines + "molvane: sound is back\n"))) << outcome.err;
        EXPECT_TRUE(process::snapshot(temporary.path()).empty());
    }
}

// libpulse's complaints about a runtime directory it cannot use (a file) are
// not the player's, at start nor at each try again at a device.
TEST(SoundServer, ItsLibrarysComplaintsAreNotThePlayers) {
    process::TempDir home, temporary;
    std::ofstream(home.path() / "file");
    auto env = process::headless_environment(temporary.path());
    env["HOME"] = home.path(), env["XDG_RUNTIME_DIR"] = home.path() / "file", env["SDL_AUDIODRIVER"] = "pulseaudio";
    process::StartUpWatch start_up(temporary.path());
    process::Game game({.environment = env});
    EXPECT_TRUE(start_up.wait(game.pid(), 15s));
    std::this_thread::sleep_for(3s);  // a try again at a device
    game.send(SIGTERM);
    process::Outcome outcome = game.wait(10s);
    EXPECT_TRUE(std::regex_match(outcome.err, std::regex("molvane: no sound device [^\n]*\n"))) << outcome.err;
}

// A session bus that does not answer keeps no one from playing.
TEST(SessionBus, AHungBusDoesNotHoldTheStart) {
    process::TempDir bus, temporary;
    pid_t daemon = spawn("dbus-daemon --session --nofork --address=unix:path=" + (bus.path() / "socket").string());
    ASSERT_TRUE(wait_for([&] { return fs::exists(bus.path() / "socket"); }, 20s));
    ::kill(daemon, SIGSTOP);
    auto env = process::headless_environment(temporary.path());
    env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (bus.path() / "socket").string();
    process::StartUpWatch start_up(temporary.path());
    process::Game game({.environment = env});
    EXPECT_TRUE(start_up.wait(game.pid(), 15s));
    EXPECT_LT(Clock::now() - game.started(), 5s);
    game.send(SIGTERM);
    EXPECT_EQ(game.wait(5s).status, 0);
    end(daemon);
}
