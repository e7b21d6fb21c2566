// The built program against a desktop's services that misbehave: a real
// PulseAudio server (a null sink, in a runtime directory of its own) that
// hangs (SIGSTOP) or dies and comes back, and a session bus that hangs.
// Needs Debian's pulseaudio, pulseaudio-utils (pactl) and dbus-daemon.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "../process.hpp"

extern char** environ;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// A PulseAudio server with one null sink, its socket in `home`/run.
class PulseServer {
public:
    PulseServer(const fs::path& home, bool started) : home_(home), run_(home / "run") {
        fs::create_directories(home / ".config/pulse");
        fs::create_directories(run_);
        fs::permissions(run_, fs::perms::owner_all);
        std::ofstream(home / ".config/pulse/client.conf") << "autospawn = no\n";
        if (started) start();
    }
    ~PulseServer() { kill(); }
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    void start() {
        std::string env = "HOME=" + home_.string() + " XDG_RUNTIME_DIR=" + run_.string();
        std::string command = env + " exec pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no " +
                              "-L module-native-protocol-unix -L module-null-sink >/dev/null 2>&1";
        const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
        ASSERT_EQ(::posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        ASSERT_TRUE(wait_for([&] { return answers(); }, 30s)) << "no PulseAudio server (pulseaudio installed?)";
    }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    void stop() const { ::kill(pid_, SIGSTOP); }
    void resume() const { ::kill(pid_, SIGCONT); }
    bool answers() const { return pactl("info"); }
    // True once some program plays a stream on the server.
    bool playing() const { return pactl("list short sink-inputs | grep -q ."); }
    // True when the null sink plays something other than silence.
    bool audible() const {
        return pactl_command("parec -d null.monitor --raw | head -c 44100 | tr -d '\\0' | grep -q .", "timeout 5 ");
    }
    // What a game needs to find this server.
    void add_to(std::map<std::string, std::string>& env) const {
        env["HOME"] = home_.string();
        env["XDG_RUNTIME_DIR"] = run_.string();
        env["SDL_AUDIODRIVER"] = "pulseaudio";
    }

private:
    bool pactl(const std::string& what) const { return pactl_command("pactl " + what, "timeout 5 "); }
    bool pactl_command(const std::string& what, const std::string& limit) const {
        std::string command = "export HOME=" + home_.string() + " XDG_RUNTIME_DIR=" + run_.string() + "; " + limit +
                              "sh -c \"" + what + "\" >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

    fs::path home_;
    fs::path run_;
    pid_t pid_ = -1;
};

}  // namespace

// A server that stops answering keeps no one from playing or from leaving:
// hung at launch, the game starts silently; hung in play, SIGTERM still ends
// it at once, with nothing left behind.
TEST(SoundServer, AHungServerHoldsNeitherTheStartNorTheClose) {
    for (bool hung_at_launch : {false, true}) {
        SCOPED_TRACE(hung_at_launch ? "hung at launch" : "hung in play");
        process::TempDir home;
        process::TempDir temporary;
        PulseServer server(home.path(), true);
        auto env = process::headless_environment(temporary.path());
        server.add_to(env);
        if (hung_at_launch) server.stop();
        process::StartUpWatch start_up(temporary.path());
        process::Game game({.environment = env});
        ASSERT_TRUE(start_up.wait(game.pid(), 15s));
        auto started = Clock::now() - game.started();
        if (hung_at_launch) {
            EXPECT_LT(started, 6s);
            EXPECT_NE(game.said().find("playing without sound"), std::string::npos) << game.said();
        } else {
            ASSERT_TRUE(wait_for([&] { return server.playing(); }, 20s));
            server.stop();
            std::this_thread::sleep_for(1s);  // the game's sound thread is now stuck on the server
        }
        auto asked = Clock::now();
        game.send(SIGTERM);
        process::Outcome outcome = game.wait(20s);
        auto closing = Clock::now() - asked;
        EXPECT_TRUE(outcome.exited && outcome.status == 0) << outcome;
        EXPECT_LT(closing, 2s);
        EXPECT_TRUE(process::snapshot(temporary.path()).empty());
        std::printf("start-up %.2f s, close %.2f s\n", std::chrono::duration<double>(started).count(),
                    std::chrono::duration<double>(closing).count());
    }
}

// Sound comes back within seconds of the server answering, the title's
// tune looping again: after the server died in play and was started again,
// when there was none at launch, and when it hung at launch.
TEST(SoundServer, SoundComesBackWhenTheServerAnswers) {
    enum Fault { kRestartedInPlay, kMissingAtLaunch, kHungAtLaunch };
    for (Fault fault : {kRestartedInPlay, kMissingAtLaunch, kHungAtLaunch}) {
        SCOPED_TRACE(fault);
        process::TempDir home;
        process::TempDir temporary;
        PulseServer server(home.path(), fault != kMissingAtLaunch);
        auto env = process::headless_environment(temporary.path());
        server.add_to(env);
        if (fault == kHungAtLaunch) server.stop();
        process::StartUpWatch start_up(temporary.path());
        process::Game game({.environment = env});
        ASSERT_TRUE(start_up.wait(game.pid(), 15s));
        if (fault == kRestartedInPlay) {
            ASSERT_TRUE(wait_for([&] { return server.playing(); }, 20s));
            server.kill();
            std::this_thread::sleep_for(1s);  // the game plays on without it for a while
        }
        if (fault == kHungAtLaunch)
            server.resume();
        else
            server.start();
        auto answering = Clock::now();
        EXPECT_TRUE(wait_for([&] { return server.playing(); }, 20s));
        auto back = Clock::now() - answering;
        EXPECT_LT(back, 8s);
        EXPECT_TRUE(wait_for([&] { return game.said().find("molvane: sound is back\n") != std::string::npos; }, 5s))
            << game.said();
        EXPECT_TRUE(server.audible());
        game.send(SIGTERM);
        process::Outcome outcome = game.wait(20s);
        EXPECT_TRUE(outcome.exited && outcome.status == 0) << outcome;
        EXPECT_TRUE(process::snapshot(temporary.path()).empty());
        std::printf("sound back %.2f s after the server answered\n", std::chrono::duration<double>(back).count());
    }
}

// A session bus that does not answer keeps no one from playing.
TEST(SessionBus, AHungBusDoesNotHoldTheStart) {
    process::TempDir bus;
    process::TempDir temporary;
    std::string address = "unix:path=" + (bus.path() / "socket").string();
    std::string command = "exec dbus-daemon --session --nofork --address=" + address + " >/dev/null 2>&1";
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t daemon = -1;
    ASSERT_EQ(::posix_spawn(&daemon, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    ASSERT_TRUE(wait_for([&] { return fs::exists(bus.path() / "socket"); }, 20s));
    ::kill(daemon, SIGSTOP);
    auto env = process::headless_environment(temporary.path());
    env["DBUS_SESSION_BUS_ADDRESS"] = address;
    process::StartUpWatch start_up(temporary.path());
    process::Game game({.environment = env});
    bool started = start_up.wait(game.pid(), 15s);
    auto took = Clock::now() - game.started();
    game.send(SIGTERM);
    process::Outcome outcome = game.wait(5s);
    ::kill(daemon, SIGKILL);
    ::waitpid(daemon, nullptr, 0);
    EXPECT_TRUE(started);
    EXPECT_LT(took, 5s);
    EXPECT_TRUE(outcome.exited && outcome.status == 0) << outcome;
}

// libpulse's complaints about a runtime directory it may not use stay off
// the player's terminal; the game's own line is there.
TEST(SoundServer, ItsLibrarysComplaintsAreNotThePlayers) {
    process::TempDir temporary;
    process::TempDir places;
    fs::path not_ours = getuid() == 0 ? places.path() / "nobody's" : fs::path("/");
    if (getuid() == 0) {
        fs::create_directory(not_ours);
        ASSERT_EQ(::chown(not_ours.c_str(), 65534, 65534), 0);
    }
    std::ofstream(places.path() / "a file");
    for (const fs::path& runtime : {not_ours, places.path() / "a file"}) {
        auto env = process::headless_environment(temporary.path());
        env["SDL_AUDIODRIVER"] = "pulseaudio";
        env["HOME"] = places.path().string();
        env["XDG_RUNTIME_DIR"] = runtime.string();
        process::StartUpWatch start_up(temporary.path());
        process::Game game({.environment = env});
        EXPECT_TRUE(start_up.wait(game.pid(), 15s));
        std::this_thread::sleep_for(3s);  // a try again at a sound device
        game.send(SIGTERM);
        process::Outcome outcome = game.wait(10s);
        EXPECT_TRUE(outcome.exited && outcome.status == 0) << outcome;
        EXPECT_EQ(outcome.err.substr(0, outcome.err.find("no sound device")), "molvane: ") << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
}
