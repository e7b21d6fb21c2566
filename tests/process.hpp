// Runs the real game program as a player would, in a directory of the
// test's choosing, and reports how it ended.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace process {

struct Outcome {
    bool exited = false;  // ended by itself, not by a signal or our kill
    int status = -1;      // exit status when it exited
    std::string err;      // everything it wrote on stderr
};

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

// Starts the game in `working_dir` with exactly `environment`; after `run_for`
// sends `signal` (0: none) and waits up to `grace` for it to end, then kills
// it. With a `table_file`, the game runs on that asset table instead of the
// shipped one (see table_runner.cpp).
Outcome run_game(const std::filesystem::path& working_dir, const std::map<std::string, std::string>& environment,
                 std::chrono::milliseconds run_for, int signal, std::chrono::milliseconds grace,
                 const std::filesystem::path& table_file = {});

// Writes a table in the form table_runner reads.
void write_table(const std::filesystem::path& file, const std::vector<std::pair<std::string, std::string>>& table);

// The environment a headless game runs in: the dummy window and sound
// drivers, its own temporary directory.
std::map<std::string, std::string> headless_environment(const std::filesystem::path& temporary);

// The variables a started game keeps from the tests' own environment: PATH,
// and the sanitizers' options when the tests run under them.
std::map<std::string, std::string> inherited_environment();

}  // namespace process
