#include "shell/process_safety.hpp"

#ifdef _WIN32

namespace molvane {

// A windowed Windows program has no stop signals to hold back, and no
// standard descriptors that a file could take the place of.
void make_process_safe() {}
HeldSignals::HeldSignals() = default;
HeldSignals::~HeldSignals() = default;

}  // namespace molvane

#else

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace molvane {

void make_process_safe() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open gives the lowest free number: this one, as the lower ones are open.
        int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

HeldSignals::HeldSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

HeldSignals::~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace molvane

#endif
