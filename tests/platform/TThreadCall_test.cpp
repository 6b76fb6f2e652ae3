#include "platform/TThreadCall.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using quillara::platform::TThreadCall;
using namespace std::chrono_literals;

namespace {
// Whether the flag is set within the limit.
bool SetWithin(const std::atomic<bool>& flag, std::chrono::seconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!flag && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
  return flag;
}
}  // namespace

TEST(TThreadCall, ACallBeforeTheWaitIsKeptAndCallsBeforeItCountAsOne) {
  // Shared with the waiter, which is left behind if a fault never wakes it.
  auto call = std::make_shared<TThreadCall>();
  auto returned = std::make_shared<std::atomic<bool>>(false);
  call->Call();
  call->Call();
  call->Wait();  // would never return if the calls were lost
  std::thread waiter([call, returned] {
    call->Wait();
    *returned = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(*returned) << "the second call was kept as well";
  call->Call();
  EXPECT_TRUE(SetWithin(*returned, 30s)) << "a sleeping thread was not woken";
  if (*returned)
    waiter.join();
  else
    waiter.detach();
}

// Two threads call each other in turn, now at once, now after the other has gone to sleep: a
// wake-up lost on either path stops the exchange, and the watch then frees both to fail.
TEST(TThreadCall, NoCallIsLostBetweenTwoThreadsCallingEachOther) {
  constexpr int kRounds = 20000;
  TThreadCall ping, pong;
  std::atomic<int> done{0};
  std::atomic<bool> rescue{false}, finished{false};
  std::thread one([&] {
    for (int i = 0; i < kRounds && !rescue; ++i) {
      ping.Wait();
      if (i % 1000 == 0) std::this_thread::sleep_for(2ms);
      pong.Call();
    }
  });
  std::thread two([&] {
    for (int i = 0; i < kRounds && !rescue; ++i) {
      ping.Call();
      if (i % 1000 == 500) std::this_thread::sleep_for(2ms);
      pong.Wait();
      done = i + 1;
    }
    finished = true;
  });
  rescue = !SetWithin(finished, 60s);
  for (int i = 0; rescue && i < 100; ++i) {
    ping.Call();
    pong.Call();
    std::this_thread::sleep_for(1ms);
  }
  one.join();
  two.join();
  EXPECT_EQ(done, kRounds) << "a call was lost";
}
