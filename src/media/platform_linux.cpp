#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "media/platform.hpp"

namespace media::platform {

std::filesystem::path make_private_directory(const std::filesystem::path& parent, std::error_code& error) {
    std::string pattern = (parent / "molvane-XXXXXX").string();
    if (::mkdtemp(pattern.data())) return pattern;  // made 0700
    error = std::error_code(errno, std::generic_category());
    return {};
}

int write_new_file(const std::filesystem::path& file, std::string_view bytes, bool& created) {
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    created = fd >= 0;
    if (!created) return errno;
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            ::close(fd);
            return error;
        }
        done += std::size_t(n);
    }
    return ::close(fd) == 0 ? 0 : errno;
}

void at_exit(void (*handler)()) {
    std::atexit(handler);
    std::at_quick_exit(handler);
}

void make_process_safe() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);  // the lowest free number: this one
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

namespace {
sigset_t before_hold;
}

void hold_stop_signals() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &before_hold);
}

void release_stop_signals() { ::pthread_sigmask(SIG_SETMASK, &before_hold, nullptr); }

// An address libdbus refuses at once, without trying to start a bus.
void keep_off_session_bus() { ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1); }

void skip_compose_table(bool skip) {
    static bool ours = false;
    if (skip && !std::getenv("XCOMPOSEFILE")) ours = ::setenv("XCOMPOSEFILE", "/dev/null", 1) == 0;
    if (!skip && ours) ours = ::unsetenv("XCOMPOSEFILE") != 0;
}

void log_sound_server_elsewhere() {
    if (!std::getenv("PULSE_LOG_SYSLOG")) ::setenv("PULSE_LOG_JOURNAL", "1", 0);
}

}  // namespace media::platform
