#pragma once
// One thread waits until another calls it; a call made before the wait is kept, not lost.
#ifdef _WIN32
#include <condition_variable>
#include <mutex>
#else
#include <atomic>
#endif

namespace quillara::platform {

#ifdef _WIN32
// Under Wine a stop once hung while threads waited on the library's semaphore; a condition of
// the thread's own has not.
class TThreadCall {
 public:
  void Call() {
    {
      std::lock_guard lock(FLock);
      FCalled = true;
    }
    FWake.notify_one();
  }
  void Wait() {
    std::unique_lock lock(FLock);
    FWake.wait(lock, [this] { return FCalled; });
    FCalled = false;
  }

 private:
  std::mutex FLock;
  std::condition_variable FWake;
  bool FCalled = false;
};
#else
// A futex of its own, to choose how long a waiting thread stays ready before it sleeps.
class TThreadCall {
 public:
  void Call();
  void Wait();

 private:
  enum : int { kIdle, kCalled, kSleeping };
  std::atomic<int> FState{kIdle};
};
#endif

}  // namespace quillara::platform
