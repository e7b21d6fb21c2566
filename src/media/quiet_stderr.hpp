// Sets stderr aside for a while. The libraries below SDL print their own
// complaints when a display or a picture fails them (libpng, Wayland, the X
// server's reason for refusing us); the player gets our one line instead,
// which may quote what they said. What they write goes to a buffer in memory,
// never to a file. The descriptor is the whole process's: use it only around
// calls on a thread that nothing else writes beside (start-up starts SDL and
// loads the pictures before the music's thread begins).
#pragma once

#include <string>

namespace media::detail {

class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

    // What was written on stderr since the object was made.
    std::string written() const;

private:
    int saved_ = -1;    // the real stderr while it is set aside
    int written_ = -1;  // where stderr goes meanwhile
};

// Keeps ALSA from printing its own complaints (a dozen lines when there is
// no sound card) through its error hook, where it is installed: stderr
// stays as it is for every other thread and library.
void quiet_alsa();

// Where a line for the player goes: stderr, or the real one while a
// QuietStderr has set it aside.
int player_stderr();

}  // namespace media::detail
