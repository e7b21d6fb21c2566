// The Windows forms of platform.hpp and of what the media layer does through
// Linux's own interfaces (x_connection.cpp, quiet_stderr.cpp): there is no X
// server to watch, and a windowed program has no stderr to clutter.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>

#include "media/platform.hpp"
#include "media/quiet_stderr.hpp"
#include "media/x_connection.hpp"

namespace media {

namespace platform {

// The user's temporary folder is already the user's own on Windows.
std::filesystem::path make_private_directory(const std::filesystem::path& parent, std::error_code& error) {
    std::random_device random;
    const char* alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "molvane-";
        for (int i = 0; i < 6; ++i) name += alphabet[random() % 36];
        std::filesystem::path directory = parent / name;
        if (std::filesystem::create_directory(directory, error)) return directory;
        if (error) return {};
    }
    error = std::make_error_code(std::errc::file_exists);
    return {};
}

int write_new_file(const std::filesystem::path& file, std::string_view bytes, bool& created) {
    int fd = ::_wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    created = fd >= 0;
    if (!created) return errno;
    for (std::size_t done = 0; done < bytes.size();) {
        int n = ::_write(fd, bytes.data() + done, unsigned(std::min<std::size_t>(bytes.size() - done, 1 << 30)));
        if (n < 0) {
            int error = errno;
            ::_close(fd);
            return error;
        }
        done += std::size_t(n);
    }
    return ::_close(fd) == 0 ? 0 : errno;
}

void at_exit(void (*handler)()) { std::atexit(handler); }

// A windowed program has no standard descriptors a file could take the
// place of, and no stop signals to hold back.
void make_process_safe() {}
void hold_stop_signals() {}
void release_stop_signals() {}
// SDL uses no session bus on Windows.
void keep_off_session_bus() {}
void log_sound_server_elsewhere() {}
void skip_compose_table(bool) {}  // no X input method

}  // namespace platform

void watch_x_connection() {}

std::string x_server_refusal() { return {}; }

namespace detail {

QuietStderr::QuietStderr() = default;
QuietStderr::~QuietStderr() = default;
std::string QuietStderr::written() const { return {}; }

void quiet_alsa() {}

}  // namespace detail

}  // namespace media
