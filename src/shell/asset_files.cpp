#include "shell/asset_files.hpp"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "media/platform.hpp"

namespace molvane {

namespace {

constexpr std::size_t kLongestFileName = 255;

// Sextet of a base64 character, or -1 outside the alphabet ('=' included).
constexpr std::array<int, 256> kSextet = [] {
    std::array<int, 256> table{};
    table.fill(-1);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(alphabet[i])] = i;
    return table;
}();

std::runtime_error asset_error(std::string_view name, const std::string& why) {
    return std::runtime_error("asset " + std::string(name) + ": " + why);
}

std::string system_reason(int error) { return std::error_code(error, std::generic_category()).message(); }

// Every UnpackedAssets with files on disk. Its lock is held while a file is
// made or deleted, so that a process ending from another thread deletes
// every file, the one being written included, and no new one follows.
struct LiveAssets {
    std::mutex lock;
    std::vector<UnpackedAssets*> all;
    bool ending = false;
    bool exit_hooked = false;
};

LiveAssets& live() {
    static LiveAssets assets;
    return assets;
}

std::runtime_error ending_error() { return std::runtime_error("the game is ending"); }

}  // namespace

std::string decode_asset(std::string_view name, std::string_view text) {
    if (text.empty()) throw asset_error(name, "its text is empty, not even a marker");
    std::string bytes(text.size() / 4 * 3 + 3, '\0');
    char* out = bytes.data();
    unsigned buffer = 0;
    int bits = 0;
    std::size_t sextets = 0;
    std::size_t padding = 0;
    const char* at = text.data() + 1;
    const char* end = text.data() + text.size();
    while (at < end) {
        // Four characters of the alphabet in a row, at a group's start, make
        // three bytes: nearly all of the table, taken a group at a time.
        if (bits == 0 && padding == 0 && end - at >= 4) {
            int a = kSextet[static_cast<unsigned char>(at[0])];
            int b = kSextet[static_cast<unsigned char>(at[1])];
            int c = kSextet[static_cast<unsigned char>(at[2])];
            int d = kSextet[static_cast<unsigned char>(at[3])];
            if ((a | b | c | d) >= 0) {
                unsigned group = static_cast<unsigned>(a << 18 | b << 12 | c << 6 | d);
                *out++ = static_cast<char>(group >> 16);
                *out++ = static_cast<char>(group >> 8 & 0xFF);
                *out++ = static_cast<char>(group & 0xFF);
                sextets += 4;
                at += 4;
                continue;
            }
        }
        char c = *at++;
        if (c == '=') {
            ++padding;
            continue;
        }
        int value = kSextet[static_cast<unsigned char>(c)];
        if (value < 0) continue;  // outside the alphabet: quote marks, line breaks ...
        if (padding > 0) throw asset_error(name, "not valid base64: data after the '=' padding");
        ++sextets;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            *out++ = static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    // Whole groups of four, the last one completed by exactly its padding.
    std::size_t tail = sextets % 4;
    bool padded = (tail == 0 && padding == 0) || (tail == 2 && padding == 2) || (tail == 3 && padding == 1);
    if (!padded) throw asset_error(name, "not valid base64: its length or padding is wrong");
    return bytes;
}

void check_asset_name(std::string_view name) {
    std::string shown(name.substr(0, 60));
    for (char& c : shown)
        if (c == '\0') c = '?';
    if (name.empty()) throw std::runtime_error("the asset table has an entry with an empty name");
    if (name.size() > kLongestFileName)
        throw std::runtime_error("the asset table has a name longer than " + std::to_string(kLongestFileName) +
                                 " characters: " + shown + "...");
    if (name.find('\0') != std::string_view::npos)
        throw std::runtime_error("the asset table has a name with a NUL character: " + shown);
    if (name.find('/') != std::string_view::npos || name == "." || name == "..")
        throw std::runtime_error("the asset table has a name that is not a plain file name: " + shown);
}

UnpackedAssets::UnpackedAssets(std::span<const assets::Entry> table) : table_(table) {
    // Every name is checked before anything is written: a bad name would
    // write outside our own directory.
    std::set<std::string_view> seen;
    for (const auto& entry : table) {
        check_asset_name(entry.name);
        if (!seen.insert(entry.name).second)
            throw std::runtime_error("the asset table has the name " + std::string(entry.name) + " twice");
    }

    std::error_code error;
    std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) temporary = "/tmp";
    {
        std::lock_guard hold(live().lock);
        if (live().ending) throw ending_error();
        if (!live().exit_hooked) {
            media::platform::at_exit(remove_all_on_exit);
            live().exit_hooked = true;
        }
        live().all.push_back(this);  // first: what may throw for want of memory comes before the directory
        directory_ = media::platform::make_private_directory(temporary, error);
        if (directory_.empty()) {
            std::erase(live().all, this);
            throw std::runtime_error("cannot make a private directory in " + temporary.string() + ": " +
                                     error.message());
        }
    }

    try {
        write_files();
    } catch (...) {
        discard();
        throw;
    }
}

void UnpackedAssets::write_files() {
    for (const auto& entry : table_) {
        std::string bytes = decode_asset(entry.name, entry.text);
        std::string file = path(entry.name);
        std::lock_guard hold(live().lock);
        if (live().ending) throw ending_error();
        bool created = false;
        int error = media::platform::write_new_file(file, bytes, created);
        written_ += created;
        if (error != 0)
            throw asset_error(
                entry.name, (created ? "cannot write its file: " : "cannot create its file: ") + system_reason(error));
    }
}

UnpackedAssets::~UnpackedAssets() { discard(); }

void UnpackedAssets::discard() noexcept {
    std::lock_guard hold(live().lock);
    discard_locked();
}

void UnpackedAssets::discard_locked() noexcept {
    std::erase(live().all, this);
    if (directory_.empty()) return;
    std::error_code ignored;
    for (std::size_t i = 0; i < written_; ++i) std::filesystem::remove(directory_ / table_[i].name, ignored);
    std::filesystem::remove(directory_, ignored);
    directory_.clear();
}

std::string UnpackedAssets::path(std::string_view name) const {
    for (const auto& entry : table_)
        if (entry.name == name) return (directory_ / std::string(name)).string();
    throw std::runtime_error("the asset table has no entry " + std::string(name));
}

void UnpackedAssets::remove_all_on_exit() noexcept {
    std::lock_guard hold(live().lock);
    live().ending = true;
    while (!live().all.empty()) live().all.back()->discard_locked();
}

void UnpackedAssets::remove() {
    std::lock_guard hold(live().lock);
    for (std::size_t i = 0; i < written_; ++i) {
        std::error_code error;
        std::filesystem::remove(path(table_[i].name), error);  // one already gone is no error
        if (error) throw asset_error(table_[i].name, "cannot delete its file: " + error.message());
    }
    written_ = 0;
    std::error_code error;
    if (!std::filesystem::remove(directory_, error))
        throw std::runtime_error("cannot remove the directory " + directory_.string() + ": " +
                                 (error ? error.message() : "it is gone"));
    directory_.clear();
    std::erase(live().all, this);
}

}  // namespace molvane
