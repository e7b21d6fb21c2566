// Sets stderr aside for a while: the libraries below SDL print their own
// complaints when a display or a picture fails them (libpng, Wayland, Xlib);
// the player gets our one line instead, which may quote them. The descriptor
// is the whole process's: use it only while no other thread writes.
#pragma once

#include <string>

namespace media::detail {

class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;
    // What was written on stderr meanwhile.
    std::string written() const;

private:
    int saved_ = -1;    // the real stderr while it is set aside
    int written_ = -1;  // where stderr goes meanwhile: memory, never a file
};

// Keeps ALSA from printing its own complaints (a dozen lines when there is
// no sound card) through its error hook; stderr stays as it is.
void quiet_alsa();

// Where a line for the player goes: stderr, or the real one while set aside.
int player_stderr();

}  // namespace media::detail
