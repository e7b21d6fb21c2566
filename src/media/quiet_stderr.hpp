// Silences stderr for a while. The libraries below SDL (ALSA, Wayland) print
// their own complaints when no device or display answers; the player gets
// our one line instead.
#pragma once

#include <fcntl.h>
#include <unistd.h>

namespace media::detail {

class QuietStderr {
public:
    QuietStderr() : saved_(::dup(STDERR_FILENO)) {
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_;
};

}  // namespace media::detail
