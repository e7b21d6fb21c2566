// What the program makes sure of before it does anything else, and the
// signals it holds back while start-up has files on disk.
#pragma once

#include <signal.h>

namespace molvane {

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
// that nothing the game opens later (the X connection, a sound device) takes
// its number and receives what is written to stdout or stderr. Ignores
// SIGPIPE and SIGXFSZ: a stderr nobody reads or a limit on file sizes makes
// a write fail, and the game reports that (or, for its own line, lets it go)
// instead of being killed with its files on disk.
void make_process_safe();

// Holds SIGHUP, SIGINT, SIGQUIT and SIGTERM back on this thread, and on every
// thread started meanwhile, for as long as the object lives; then whatever
// arrived is delivered. Made before start-up writes its files and ended after
// they are gone, it lets no such signal end the game with the files still on
// disk: SIGINT and SIGTERM then become the close request SDL makes of them,
// SIGHUP and SIGQUIT end the game as they always do.
class HeldSignals {
public:
    HeldSignals();
    ~HeldSignals();
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

private:
#ifndef _WIN32
    sigset_t previous_;
#endif
};

}  // namespace molvane
