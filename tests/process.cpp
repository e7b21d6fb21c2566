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

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    if (o.exited) return out << "exit " << o.status << " [" << o.err << "]";
    return out << "signal " << o.signal << " (" << (o.signal ? strsignal(o.signal) : "none") << ") [" << o.err << "]";
}

Game::Game(const Options& options) {
    std::vector<std::string> texts;
    for (const auto& [name, value] : options.environment) texts.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : texts) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::string table = options.table_file.string();
    char* argv_game[] = {const_cast<char*>(MOLVANE_BINARY), nullptr};
    char* argv_table[] = {const_cast<char*>(TABLE_RUNNER), table.data(), nullptr};
    char** argv = table.empty() ? argv_game : argv_table;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (options.err == Stderr::kBrokenPipe) {
        ::close(fds[0]);
        fds[0] = -1;
    }
    rlimit no_core{0, 0};
    pid_ = ::fork();
    if (pid_ == 0) {
        // Only what is safe between fork and exec.
        ::setrlimit(RLIMIT_CORE, &no_core);
        if (options.limit) {
            rlimit limit{options.limit->second, options.limit->second};
            ::setrlimit(options.limit->first, &limit);
        }
        if (options.err != Stderr::kClosed) ::dup2(fds[1], STDERR_FILENO);
        for (int fd : options.closed) ::close(fd);
        if (::chdir(options.working_dir.c_str()) != 0) ::_exit(127);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    started_ = std::chrono::steady_clock::now();
    ::close(fds[1]);
    err_ = fds[0];
    if (err_ >= 0) ::fcntl(err_, F_SETFL, O_NONBLOCK);
}

Game::~Game() {
    if (!ended_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (err_ >= 0) ::close(err_);
}

void Game::send(int signal) const { ::kill(pid_, signal); }

const std::string& Game::said() {
    drain();
    return err_text_;
}

Outcome Game::wait(std::chrono::milliseconds limit) {
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + limit;
    bool done = false;
    while (!(done = ::waitpid(pid_, &status, WNOHANG) == pid_) && std::chrono::steady_clock::now() < deadline) {
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!done) {
        err_text_ += "<killed: still running after " + std::to_string(limit.count()) + " ms; " + threads() + ">";
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    ended_ = true;
    drain();
    Outcome o;
    o.exited = WIFEXITED(status);
    o.status = o.exited ? WEXITSTATUS(status) : -1;
    o.signal = done && WIFSIGNALED(status) ? WTERMSIG(status) : done ? 0 : SIGKILL;
    o.err = err_text_;
    return o;
}

// Where each of the game's threads waits: its name, the kernel function and
// the system call it is in, for a game that does not end.
std::string Game::threads() const {
    std::string where;
    std::filesystem::path tasks = "/proc/" + std::to_string(pid_) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        auto read = [&](const char* file) {
            std::ifstream in(task.path() / file);
            std::string text;
            std::getline(in, text);
            return text;
        };
        std::string syscall = read("syscall");
        where += read("comm") + " in " + read("wchan") + " (syscall " + syscall.substr(0, syscall.find(' ')) + "); ";
    }
    return where;
}

void Game::drain() {
    if (err_ < 0) return;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(err_, buffer, sizeof buffer)) > 0) err_text_.append(buffer, static_cast<std::size_t>(n));
}

Outcome run_game(const std::filesystem::path& working_dir, const std::map<std::string, std::string>& environment,
                 int signal, std::chrono::milliseconds limit, const std::filesystem::path& table_file) {
    std::optional<StartUpWatch> watch;
    if (signal != 0) watch.emplace(environment.at("TMPDIR"));
    Game game({.environment = environment, .working_dir = working_dir, .table_file = table_file});
    if (watch && watch->wait(game.pid(), limit)) game.send(signal);
    return game.wait(limit);
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
