// What differs between the systems the game is built for, behind small
// functions, so that the shell needs no system headers: platform_linux.cpp
// and platform_windows.cpp.
#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace media::platform {

// Makes a new directory that only this user may enter, named "molvane-" and
// six random characters, inside `parent`. Returns it, or an empty path with
// `error` set.
std::filesystem::path make_private_directory(const std::filesystem::path& parent, std::error_code& error);

// Creates `file`, readable by this user alone, and writes `bytes` into it as
// they are; nothing may be there already, not even a link. Returns 0, or the
// errno of the creation (`created` false) or of the writing (`created` true).
int write_new_file(const std::filesystem::path& file, std::string_view bytes, bool& created);

// Has `handler` called when the process ends through exit() and, where the C
// library has it (not on Windows' msvcrt), through quick_exit().
void at_exit(void (*handler)());

// Gives each closed standard descriptor /dev/null, so that nothing the game
// opens later receives what is written there; and ignores SIGPIPE and
// SIGXFSZ, so that a failed write is reported instead of ending the game.
void make_process_safe();

// Holds SIGHUP, SIGINT, SIGQUIT and SIGTERM back on this thread and those it
// starts, and lets them through again: none ends the game meanwhile.
void hold_stop_signals();
void release_stop_signals();

// Keeps SDL off the session bus (D-Bus), which it would wait on without
// end when the bus hangs; the game uses nothing there (input methods, the
// screen saver's portal).
void keep_off_session_bus();

// The game reads keys, never text: while `skip` holds, X's input method
// reads no compose table (the locale's has thousands of lines) unless the
// player named one. Wayland's keyboard takes that for a broken table.
void skip_compose_table(bool skip);

// Sends the sound server library's own complaints (libpulse's, about a
// runtime directory it may not use) to the system's journal, not the
// player's terminal, unless the player chose where they go.
void log_sound_server_elsewhere();

}  // namespace media::platform
