// platform::Thread over the two calls of thread_start.h, the same code natively and in FLASH.EXE.
#include <exception>
#include <functional>
#include <stdexcept>

#include "platform/thread_start.h"
#include "platform/threads.h"

namespace platform {

struct Thread::State {
  std::function<void()> body;
  ThreadHandle handle = 0;
  // Written by the start call; nothing reads it, but 95/98/Me refuse to start a thread without it.
  uint32_t id = 0;
};

void RunThreadBody(void* argument) {
  try {
    static_cast<Thread::State*>(argument)->body();
  } catch (...) {
    std::terminate();
  }
}

Thread::Thread(std::function<void()> body) : state_(std::make_unique<State>()) {
  state_->body = std::move(body);
  state_->handle = BeginThreadEx(state_.get(), &state_->id);
  if (state_->handle == 0) throw std::runtime_error("cannot start a thread");
}

Thread::Thread() = default;

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept = default;

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    state_ = std::move(other.state_);
  }
  return *this;
}

void Thread::Join() {
  if (!state_) return;
  WaitAndCloseThread(state_->handle);
  state_.reset();
}

}  // namespace platform
