// The asset table unpacked into files for the media layer to load. The files
// go to a fresh private directory, never to the player's working directory,
// and are gone again when start-up ends, whether it succeeded or not, and
// when the process ends through exit() or quick_exit() meanwhile.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "assets.hpp"

namespace molvane {

// The bytes an entry's text stands for: the first character is a marker and
// skipped, characters outside the base64 alphabet are ignored, the rest must
// be valid base64. Throws an error that names the entry.
std::string decode_asset(std::string_view name, std::string_view text);

// Throws unless `name` is a plain file name: no directory part, no "." or
// "..", no NUL, not empty and not longer than a file name may be.
void check_asset_name(std::string_view name);

class UnpackedAssets {
public:
    // Checks every name, then writes every entry, in the table's order.
    explicit UnpackedAssets(std::span<const assets::Entry> table);
    UnpackedAssets(const UnpackedAssets&) = delete;
    UnpackedAssets& operator=(const UnpackedAssets&) = delete;
    // Removes whatever is still on disk.
    ~UnpackedAssets();

    // Where the file of an entry was written. Throws when the table has no
    // entry of that name.
    std::string path(std::string_view name) const;

    // Deletes every file, in the table's order, then the directory.
    void remove();

    const std::filesystem::path& directory() const { return directory_; }

    // Deletes the files of every UnpackedAssets of the process and lets none
    // write any more; for a process on its way out (registered with atexit
    // and at_quick_exit when the first directory is made).
    static void remove_all_on_exit() noexcept;

private:
    void write_files();
    void discard() noexcept;
    void discard_locked() noexcept;

    std::span<const assets::Entry> table_;
    std::filesystem::path directory_;
    std::size_t written_ = 0;
};

}  // namespace molvane
