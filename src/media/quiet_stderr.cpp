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
    // The library SDL opens for its ALSA driver, opened here too.
    static void* alsa = ::dlopen("libasound.so.2", RTLD_LAZY);
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto set = alsa ? reinterpret_cast<int (*)(Handler)>(::dlsym(alsa, "snd_lib_error_set_handler")) : nullptr)
        set(ignore_alsa);
}

QuietStderr::QuietStderr() {
    written_ = ::memfd_create("molvane-stderr", MFD_CLOEXEC);
    if (written_ < 0) return;
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ >= 0 && ::dup2(written_, STDERR_FILENO) >= 0) {
        set_aside = saved_;
    } else if (saved_ >= 0) {
        ::close(saved_);
        saved_ = -1;
    }
}

QuietStderr::~QuietStderr() {
    if (saved_ >= 0) {
        set_aside = -1;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    if (written_ >= 0) ::close(written_);
}

std::string QuietStderr::written() const {
    std::string text;
    char buffer[512];
    for (ssize_t n = 0; saved_ >= 0 && (n = ::pread(written_, buffer, sizeof buffer, off_t(text.size()))) > 0;)
        text.append(buffer, std::size_t(n));
    return text;
}

int player_stderr() {
    int saved = set_aside;
    return saved >= 0 ? saved : STDERR_FILENO;
}

}  // namespace media::detail
