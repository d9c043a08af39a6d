// The class library's thread: suspended creation, resume, self-suspension, termination and
// destruction in every state, without timing assumptions.
#include "platform/tthread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>

#include "platform/threads.h"

namespace platform {
namespace {

// A thread whose body is given by the test.
class BodyThread : public TThread {
 public:
  BodyThread(bool createSuspended, std::function<void(BodyThread&)> body)
      : TThread(createSuspended), body_(std::move(body)) {}
  ~BodyThread() override {
    Terminate();
    WaitFor();
  }
  using TThread::Suspend;
  std::atomic<int> runs{0};

 protected:
  void Execute() override {
    ++runs;
    body_(*this);
  }

 private:
  std::function<void(BodyThread&)> body_;
};

// A one-shot gate the body can wait at.
class Gate {
 public:
  void Open() {
    { std::lock_guard lock(mutex_); open_ = true; }
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }

 private:
  platform::Lock mutex_;
  platform::WakeSignal changed_;
  bool open_ = false;
};

TEST(TThread, CreatedSuspendedNeverRunsUnlessResumed) {
  BodyThread thread(true, [](BodyThread&) {});
  EXPECT_TRUE(thread.Suspended());
  EXPECT_EQ(thread.Priority(), tpNormal);
  EXPECT_EQ(static_cast<int>(tpNormal), 3);  // the third step above idle
  thread.Terminate();
  thread.WaitFor();
  EXPECT_EQ(thread.runs, 0);
  EXPECT_TRUE(thread.Finished());
}

TEST(TThread, ResumeRunsTheBodyOnce) {
  BodyThread thread(true, [](BodyThread&) {});
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(thread.runs, 1);
  EXPECT_TRUE(thread.Finished());
  EXPECT_FALSE(thread.Suspended());
}

TEST(TThread, NotCreatedSuspendedStartsAfterConstruction) {
  BodyThread thread(false, [](BodyThread&) {});
  thread.AfterConstruction();
  thread.WaitFor();
  EXPECT_EQ(thread.runs, 1);
}

TEST(TThread, SelfSuspendsUntilEachResume) {
  std::atomic<int> rounds{0};
  BodyThread thread(true, [&](BodyThread& self) {
    for (int i = 0; i < 3; ++i) {
      ++rounds;
      self.Suspend();
    }
  });
  thread.Resume();
  for (int i = 1; i <= 3; ++i) {
    thread.WaitUntilSuspended();
    EXPECT_EQ(rounds, i);
    EXPECT_TRUE(thread.Suspended());
    thread.Resume();
  }
  thread.WaitFor();
  EXPECT_EQ(rounds, 3);
}

// A resume that reaches a running thread is not saved up: the next self-suspension still waits.
TEST(TThread, ResumeOfARunningThreadDoesNothing) {
  Gate running, mayGoOn;
  std::atomic<bool> passedSuspend{false};
  BodyThread thread(true, [&](BodyThread& self) {
    running.Open();
    mayGoOn.Wait();
    self.Suspend();
    passedSuspend = true;
  });
  thread.Resume();
  running.Wait();
  thread.Resume();  // running: no effect
  mayGoOn.Open();
  thread.WaitUntilSuspended();
  EXPECT_FALSE(passedSuspend);
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(passedSuspend);
}

TEST(TThread, SuspendFromAnotherThreadDoesNothing) {
  Gate mayEnd;
  BodyThread thread(true, [&](BodyThread&) { mayEnd.Wait(); });
  thread.Resume();
  thread.Suspend();
  EXPECT_FALSE(thread.Suspended());
  mayEnd.Open();
  thread.WaitFor();
  EXPECT_EQ(thread.runs, 1);
}

TEST(TThread, TerminateWakesASelfSuspendedThread) {
  BodyThread thread(true, [](BodyThread& self) {
    while (!self.Terminated()) self.Suspend();
  });
  thread.Resume();
  thread.WaitUntilSuspended();
  thread.Terminate();
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
}

// Destruction joins cleanly whatever the state: never resumed, suspended in its body, finished.
TEST(TThread, DestroysInEveryState) {
  for (int state = 0; state < 3; ++state) {
    SCOPED_TRACE(state);
    auto thread = std::make_unique<BodyThread>(true, [](BodyThread& self) {
      while (!self.Terminated()) self.Suspend();
    });
    if (state >= 1) {
      thread->Resume();
      thread->WaitUntilSuspended();
    }
    if (state == 2) {
      thread->Terminate();
      thread->WaitFor();
    }
    thread.reset();
  }
}

TEST(TThread, KeepsAnExceptionThatEscapesTheBody) {
  BodyThread thread(true, [](BodyThread&) { throw std::runtime_error("body failed"); });
  thread.Resume();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

TEST(TThread, PriorityIsStored) {
  BodyThread thread(true, [](BodyThread&) {});
  for (TThreadPriority p : {tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical}) {
    thread.SetPriority(p);
    EXPECT_EQ(thread.Priority(), p);
  }
}

}  // namespace
}  // namespace platform
