// Runs the real game program as a player would, in a directory of the
// test's choosing, and reports how it ended.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace process {

// How a game ended.
struct Outcome {
    bool exited = false;  // ended by itself, not by a signal or our kill
    int status = -1;      // exit status when it exited
    int signal = 0;       // the signal that ended it otherwise (SIGKILL: ours)
    std::string err;      // what it wrote on stderr, when that was a pipe of ours
};
std::ostream& operator<<(std::ostream& out, const Outcome& outcome);

// A fresh empty directory under the process's temporary directory (TMPDIR),
// removed with everything in it, read-only parts included, when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Makes `directory` this process's TMPDIR (and so that of everything it
// starts) until the object goes, when the previous value comes back.
class UseAsTmpdir {
public:
    explicit UseAsTmpdir(const std::filesystem::path& directory);
    ~UseAsTmpdir();
    UseAsTmpdir(const UseAsTmpdir&) = delete;
    UseAsTmpdir& operator=(const UseAsTmpdir&) = delete;

private:
    bool had_ = false;
    std::string previous_;
};

// The names and contents of every file under `directory`, recursively.
std::map<std::string, std::string> snapshot(const std::filesystem::path& directory);

// Watches `temporary`, the TMPDIR of one game and of nothing else, from
// before that game starts. Start-up unpacks the game's files into a
// directory there and removes it once they are loaded; the watch sees both,
// however quickly they come.
class StartUpWatch {
public:
    explicit StartUpWatch(const std::filesystem::path& temporary);
    ~StartUpWatch();
    StartUpWatch(const StartUpWatch&) = delete;
    StartUpWatch& operator=(const StartUpWatch&) = delete;

    // Waits up to `limit` for the game `pid` to finish starting: its
    // directory came and went, and it holds back no stop signal. False when
    // the game ended first (it is left for its parent to reap) or the limit
    // passed.
    bool wait(pid_t pid, std::chrono::milliseconds limit);

private:
    int inotify_ = -1;
    bool came_and_went_ = false;
};

// True once the process `pid` has ended; it is left for its parent to reap.
bool ended(pid_t pid);

// True while the process `pid` holds back every stop signal (HUP, INT,
// QUIT, TERM), as start-up does while the game's files are on disk.
bool holds_stop_signals(pid_t pid);

// What stderr is to the game: a pipe the test reads, closed, or a pipe
// nobody reads (its reading end closed).
enum class Stderr { kPipe, kClosed, kBrokenPipe };

// The game, started as a player's shell would, with the process-wide
// surroundings a test chooses; killed when the object goes, if still running.
class Game {
public:
    struct Options {
        std::map<std::string, std::string> environment = {};  // exactly these variables
        Stderr err = Stderr::kPipe;
        std::vector<int> closed = {};                      // descriptors closed before it starts
        std::optional<std::pair<int, rlim_t>> limit = {};  // a resource limit, as setrlimit takes it
        std::filesystem::path working_dir = ".";
        std::filesystem::path table_file = {};  // the game on this table instead of the shipped one
    };

    explicit Game(const Options& options);
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    pid_t pid() const { return pid_; }
    std::chrono::steady_clock::time_point started() const { return started_; }
    void send(int signal) const;
    // What the game has said on stderr so far.
    const std::string& said();
    // Waits up to `limit` for the game to end; kills it (and says so in
    // `err`, with where each of its threads waits) otherwise.
    Outcome wait(std::chrono::milliseconds limit);

private:
    void drain();
    std::string threads() const;

    pid_t pid_ = -1;
    int err_ = -1;
    bool ended_ = false;
    std::string err_text_;
    std::chrono::steady_clock::time_point started_;
};

// Starts the game in `working_dir` with exactly `environment`. With a
// `signal`, sends it once start-up is over (see StartUpWatch: the
// environment's TMPDIR must be the game's alone), unless the game ended
// first. Waits up to `limit` for start-up and again for the end, then kills
// it. With a `table_file`, the game runs on that asset table instead of the
// shipped one (see table_runner.cpp).
Outcome run_game(const std::filesystem::path& working_dir, const std::map<std::string, std::string>& environment,
                 int signal, std::chrono::milliseconds limit, const std::filesystem::path& table_file = {});

// Writes a table in the form table_runner reads.
void write_table(const std::filesystem::path& file, const std::vector<std::pair<std::string, std::string>>& table);

// The environment a headless game runs in: the dummy window and sound
// drivers, its own temporary directory.
std::map<std::string, std::string> headless_environment(const std::filesystem::path& temporary);

// The variables a started game keeps from the tests' own environment: PATH,
// and the sanitizers' options when the tests run under them.
std::map<std::string, std::string> inherited_environment();

// An X server of our own: Xvfb picks a free display number and tells it
// through a pipe. It does not reset when its last client leaves: a game
// connecting just as one of our short-lived xdotool calls leaves would find
// no display. With an `auth` file, it lets in only clients that present a
// cookie from it.
class Xvfb {
public:
    explicit Xvfb(const std::string& screen = "1024x768x24", const std::filesystem::path& auth = {});
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    const std::string& name() const { return name_; }
    // Kills the server as a crash would, at once.
    void kill();

private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace process
