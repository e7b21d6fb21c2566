#include "media/thread.hpp"

#include <SDL_thread.h>

#include "media/internal.hpp"

namespace media {

struct Thread::Impl {
    std::function<void()> work;
    SDL_Thread* thread = nullptr;
};

namespace {
int run(void* data) {
    static_cast<std::function<void()>*>(data)->operator()();
    return 0;
}
}  // namespace

Thread::Thread(const char* name, std::function<void()> work) : impl_(std::make_unique<Impl>()) {
    impl_->work = std::move(work);
    impl_->thread = SDL_CreateThread(run, name, &impl_->work);
    if (!impl_->thread) detail::fail(std::string("cannot start the thread ") + name, SDL_GetError());
}

Thread::~Thread() { SDL_WaitThread(impl_->thread, nullptr); }

}  // namespace media
