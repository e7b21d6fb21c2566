#include "media/platform.hpp"

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>

#include <random>
#else
#include <unistd.h>
#endif

namespace media::platform {

#ifdef _WIN32

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

int create_new_file(const std::filesystem::path& file) {
    return ::_wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

void at_exit(void (*handler)()) { std::atexit(handler); }

#else

std::filesystem::path make_private_directory(const std::filesystem::path& parent, std::error_code& error) {
    std::string pattern = (parent / "molvane-XXXXXX").string();
    if (::mkdtemp(pattern.data())) return pattern;  // made 0700
    error = std::error_code(errno, std::generic_category());
    return {};
}

int create_new_file(const std::filesystem::path& file) {
    return ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

void at_exit(void (*handler)()) {
    std::atexit(handler);
    std::at_quick_exit(handler);
}

#endif

}  // namespace media::platform
