// What differs between the systems the game is built for (Linux, Windows),
// behind small functions, so that the shell's start-up needs no system
// headers for it.
#pragma once

#include <filesystem>
#include <system_error>

namespace media::platform {

// Makes a new directory that only this user may enter, named "molvane-" and
// six random characters, inside `parent`. Returns it, or an empty path with
// `error` set.
std::filesystem::path make_private_directory(const std::filesystem::path& parent, std::error_code& error);

// Creates `file` for writing bytes as they are, readable by this user alone;
// fails when anything (a link too) is already there. Returns a descriptor for
// write() and close(), or -1 with errno set.
int create_new_file(const std::filesystem::path& file);

// Has `handler` called when the process ends through exit() and, where the C
// library has it (not on Windows' msvcrt), through quick_exit().
void at_exit(void (*handler)());

}  // namespace media::platform
