#include "process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace process {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "molvane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

namespace {

// Removes `tree`, first making each directory in it writable and readable
// again: tests make read-only directories on purpose.
void remove_tree(const std::filesystem::path& tree) {
    std::error_code ignored;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(tree, ignored))) {
        std::filesystem::permissions(tree, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        for (const auto& entry : std::filesystem::directory_iterator(tree, ignored)) remove_tree(entry.path());
    }
    std::filesystem::remove(tree, ignored);
}

}  // namespace

TempDir::~TempDir() { remove_tree(path_); }

UseAsTmpdir::UseAsTmpdir(const std::filesystem::path& directory) {
    if (const char* value = std::getenv("TMPDIR")) {
        had_ = true;
        previous_ = value;
    }
    ::setenv("TMPDIR", directory.c_str(), 1);
}

UseAsTmpdir::~UseAsTmpdir() {
    if (had_) {
        ::setenv("TMPDIR", previous_.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
}

std::map<std::string, std::string> snapshot(const std::filesystem::path& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        std::string name = std::filesystem::relative(entry.path(), directory).string();
        if (entry.is_symlink()) {
            files[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            files[name] = content.str();
        } else {
            files[name] = "<dir>";
        }
    }
    return files;
}

StartUpWatch::StartUpWatch(const std::filesystem::path& temporary) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0 || ::inotify_add_watch(inotify_, temporary.c_str(), IN_CREATE | IN_DELETE) < 0)
        throw std::runtime_error("cannot watch " + temporary.string() + ": " + std::strerror(errno));
}

StartUpWatch::~StartUpWatch() { ::close(inotify_); }

bool StartUpWatch::wait(pid_t pid, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    std::set<std::string> made;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n;
        while ((n = ::read(inotify_, buffer, sizeof buffer)) > 0)
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                if (!(event->mask & IN_ISDIR)) continue;
                if (event->mask & IN_CREATE) made.insert(event->name);
                if ((event->mask & IN_DELETE) && made.erase(event->name)) came_and_went_ = true;
            }
        if (came_and_went_ && !holds_stop_signals(pid)) return !ended(pid);
        if (ended(pid) || std::chrono::steady_clock::now() > deadline) return false;
        pollfd ready{inotify_, POLLIN, 0};
        ::poll(&ready, 1, 2);
    }
}

bool ended(pid_t pid) {
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    return info.si_pid == pid;
}

bool holds_stop_signals(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("SigBlk:")) {
            unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            unsigned long long held =
                1ull << (SIGHUP - 1) | 1ull << (SIGINT - 1) | 1ull << (SIGQUIT - 1) | 1ull << (SIGTERM - 1);
            return (mask & held) == held;
        }
    return false;
}

Outcome run_game(const std::filesystem::path& working_dir, const std::map<std::string, std::string>& environment,
                 int signal, std::chrono::milliseconds limit, const std::filesystem::path& table_file) {
    std::string table = table_file.string();
    std::filesystem::path err_file =
        std::filesystem::temp_directory_path() / ("molvane-test-stderr-" + std::to_string(::getpid()));
    std::vector<std::string> env_text;
    for (const auto& [name, value] : environment) env_text.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : env_text) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::optional<StartUpWatch> watch;
    if (signal != 0) watch.emplace(environment.at("TMPDIR"));

    pid_t child = ::fork();
    if (child == 0) {
        int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || ::dup2(err, STDERR_FILENO) < 0 || ::chdir(working_dir.c_str()) != 0) ::_exit(127);
        if (table.empty()) {
            char* argv[] = {const_cast<char*>(MOLVANE_BINARY), nullptr};
            ::execve(MOLVANE_BINARY, argv, envp.data());
        } else {
            char* argv[] = {const_cast<char*>(TABLE_RUNNER), table.data(), nullptr};
            ::execve(TABLE_RUNNER, argv, envp.data());
        }
        ::_exit(127);
    }

    if (watch && watch->wait(child, limit)) ::kill(child, signal);
    Outcome outcome;
    int status = 0;
    bool done = false;
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!(done = ::waitpid(child, &status, WNOHANG) == child) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!done) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    } else if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.status = WEXITSTATUS(status);
    }
    std::ifstream in(err_file);
    std::ostringstream text;
    text << in.rdbuf();
    outcome.err = text.str();
    std::filesystem::remove(err_file);
    return outcome;
}

void write_table(const std::filesystem::path& file, const std::vector<std::pair<std::string, std::string>>& table) {
    std::ofstream out(file, std::ios::binary);
    auto field = [&](const std::string& text) {
        auto n = static_cast<std::uint32_t>(text.size());
        char size[4] = {char(n & 0xFF), char(n >> 8 & 0xFF), char(n >> 16 & 0xFF), char(n >> 24 & 0xFF)};
        out.write(size, 4);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    };
    for (const auto& [name, text] : table) {
        field(name);
        field(text);
    }
    if (!out) throw std::runtime_error("cannot write the table " + file.string());
}

std::map<std::string, std::string> headless_environment(const std::filesystem::path& temporary) {
    std::map<std::string, std::string> env{
        {"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}, {"TMPDIR", temporary.string()}};
    env.merge(inherited_environment());
    return env;
}

std::map<std::string, std::string> inherited_environment() {
    std::map<std::string, std::string> env;
    for (const char* name : {"PATH", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name)) env[name] = value;
    return env;
}

Xvfb::Xvfb(const std::string& screen, const std::filesystem::path& auth) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::string fd = std::to_string(fds[1]), auth_file = auth.string();
    std::vector<const char*> argv{"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                                  screen.c_str(), "-nolisten",  "tcp",      "-noreset"};
    if (!auth_file.empty()) argv.insert(argv.end(), {"-auth", auth_file.c_str()});
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        int null = ::open("/dev/null", O_RDWR);
        for (int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(null, standard);
        ::fcntl(fds[1], F_SETFD, 0);  // the one descriptor it keeps
        ::execvp("Xvfb", const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    name_ = ":" + number;
}

Xvfb::~Xvfb() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

void Xvfb::kill() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace process
