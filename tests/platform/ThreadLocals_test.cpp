// Per-thread caches end with their thread: their destructors must run while the thread's other
// per-thread objects, and their own members, are still intact.
#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

struct TCounter {
  int Value[4];
};
thread_local TCounter tCounter;

std::string gSeenAtEnd;

struct TWatcher {
  std::string Name;
  ~TWatcher() { gSeenAtEnd = Name + " " + std::to_string(tCounter.Value[0]); }
};
thread_local TWatcher tWatcher;

}  // namespace

TEST(ThreadLocals, DestructorsSeeTheThreadsObjects) {
  for (int round = 0; round < 3; ++round) {
    gSeenAtEnd.clear();
    std::thread([round] {
      tCounter.Value[0] = 40 + round;
      tWatcher.Name.assign(100, 'w');  // on the heap, past any short-string room
    }).join();
    EXPECT_EQ(gSeenAtEnd, std::string(100, 'w') + " " + std::to_string(40 + round));
  }
}
