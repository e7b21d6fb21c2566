// A thread of SDL's own, for work that calls into SDL away from the main
// thread. SDL keeps some things per thread (the text of its last error, for
// one) and frees them when a thread it started ends; a thread started by
// anyone else keeps them until the program ends, and the leak checkers say
// so.
#pragma once

#include <functional>
#include <memory>

namespace media {

class Thread {
public:
    // Starts `work` on a new thread; throws Error when it cannot start.
    // `work` must not throw (wrap it in a std::packaged_task).
    Thread(const char* name, std::function<void()> work);
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    // Waits for the work to end.
    ~Thread();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace media
