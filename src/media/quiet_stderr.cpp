#include "media/quiet_stderr.hpp"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

namespace media::detail {

namespace {

std::atomic<int> set_aside{-1};

void ignore_alsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void quiet_alsa() {
    // The library SDL opens for its ALSA driver: the same one, opened here.
    static void* alsa = ::dlopen("libasound.so.2", RTLD_LAZY);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler"))) set(ignore_alsa);
}

QuietStderr::QuietStderr() {
    written_ = ::memfd_create("molvane-stderr", MFD_CLOEXEC);
    if (written_ < 0) written_ = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (written_ < 0) return;
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ < 0 || ::dup2(written_, STDERR_FILENO) < 0) {
        if (saved_ >= 0) ::close(saved_);
        saved_ = -1;
        return;
    }
    set_aside.store(saved_);
}

QuietStderr::~QuietStderr() {
    if (saved_ >= 0) {
        set_aside.store(-1);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    if (written_ >= 0) ::close(written_);
}

std::string QuietStderr::written() const {
    std::string text;
    if (saved_ < 0) return text;
    char buffer[512];
    for (off_t at = 0;;) {
        ssize_t n = ::pread(written_, buffer, sizeof buffer, at);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    return text;
}

int player_stderr() {
    int saved = set_aside.load();
    return saved >= 0 ? saved : STDERR_FILENO;
}

}  // namespace media::detail
