// The ready set against real loopback connections, on both systems.
#include "platform/TReadySet.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "support/TestSockets.h"

using namespace quillara;
using namespace std::chrono_literals;
using platform::TIPVersion;
using platform::TReadySet;
using platform::TSocket;
using platform::TSocketResult;
using TEvent = TReadySet::TEvent;

namespace {

// Bounds that only catch a hang. A waiter that must stay blocked is watched for kQuiet: a slow
// machine can then hide a fault, but never fail a correct set.
constexpr auto kHang = 5s;
constexpr auto kQuiet = 200ms;
// Above 32 bits, so a key cut short on its way through the set shows.
constexpr uint64_t kBigKey = (uint64_t(1) << 62) + 3;
constexpr uint64_t kNoKey = 12345;

const char* EventName(TEvent event) {
  switch (event) {
    case TEvent::eReady:
      return "eReady";
    case TEvent::eAlarm:
      return "eAlarm";
    case TEvent::eWoken:
      return "eWoken";
  }
  return "?";
}

struct TOutcome {
  TEvent Event;
  uint64_t Key;
};

// One Wait on a thread of its own. One still blocked when it goes wakes the set, so a failing
// test ends instead of hanging.
class TWaiter {
 public:
  explicit TWaiter(TReadySet& set) : FSet(set) {
    std::promise<TOutcome> promise;
    FOutcome = promise.get_future();
    FThread = std::thread([&set, promise = std::move(promise)]() mutable {
      uint64_t key = kNoKey;
      TEvent event = set.Wait(key);
      promise.set_value({event, key});
    });
  }
  ~TWaiter() {
    if (!Done()) FSet.Wake();
    FThread.join();
  }
  TWaiter(const TWaiter&) = delete;
  TWaiter& operator=(const TWaiter&) = delete;

  bool Done() const {
    return !FOutcome.valid() || FOutcome.wait_for(0s) == std::future_status::ready;
  }
  bool Quiet(std::chrono::milliseconds watch = kQuiet) const {
    return FOutcome.wait_for(watch) == std::future_status::timeout;
  }
  ::testing::AssertionResult Told(TEvent event, uint64_t key = kNoKey) {
    if (!FOutcome.valid()) return ::testing::AssertionFailure() << "outcome already taken";
    if (FOutcome.wait_for(kHang) != std::future_status::ready)
      return ::testing::AssertionFailure() << "still waiting";
    TOutcome outcome = FOutcome.get();
    if (outcome.Event != event || (event == TEvent::eReady && outcome.Key != key))
      return ::testing::AssertionFailure()
             << "told " << EventName(outcome.Event) << " key " << outcome.Key << ", expected "
             << EventName(event) << " key " << key;
    return ::testing::AssertionSuccess();
  }

 private:
  TReadySet& FSet;
  std::future<TOutcome> FOutcome;
  std::thread FThread;
};

using TWaiters = std::vector<std::unique_ptr<TWaiter>>;

TWaiters StartWaiters(TReadySet& set, int count) {
  TWaiters waiters;
  for (int i = 0; i < count; ++i) waiters.push_back(std::make_unique<TWaiter>(set));
  return waiters;
}

int CountDone(const TWaiters& waiters) {
  int done = 0;
  for (const auto& waiter : waiters) done += waiter->Done() ? 1 : 0;
  return done;
}

const char* Loopback(TIPVersion version) {
  return version == TIPVersion::ivIPv6 ? "::1" : "127.0.0.1";
}

// Listening on a port of its own; invalid when any step failed.
TSocket Listening(TIPVersion version = TIPVersion::ivIPv4) {
  TSocketResult r;
  TSocket s = platform::CreateStreamSocket(version, r);
  if (!r.Ok() || !platform::PrepareListening(s, version, false).Ok() ||
      !platform::BindAny(s, version, 0).Ok() || !platform::Listen(s, 16).Ok())
    return {};
  return s;
}

TSocket ConnectTo(const TSocket& listening, TIPVersion version = TIPVersion::ivIPv4) {
  return TSocket(quillara::testing::ConnectTo(Loopback(version), platform::LocalPort(listening)));
}

// Both ends of one loopback connection.
struct TConnection {
  TSocket Client;
  TSocket Server;
};

TConnection Connect(const TSocket& listening) {
  TConnection c;
  c.Client = ConnectTo(listening);
  TSocketResult r;
  if (c.Client.Valid()) c.Server = platform::Accept(listening, r);
  return c;
}

void SendByte(const TSocket& socket) {
  EXPECT_TRUE(platform::SendAll(socket, "x", 1).Ok());
}

long long MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// A set and one loopback connection, not in the set yet.
class TReadySetWithConnection : public ::testing::Test {
 protected:
  void SetUp() override {
    listening = Listening();
    ASSERT_TRUE(listening.Valid());
    c = Connect(listening);
    ASSERT_TRUE(c.Server.Valid());
  }
  TReadySet set;
  TSocket listening;
  TConnection c;
};

}  // namespace

TEST(TReadySet, ReportsAListeningSocketOnceAConnectionWaits) {
  struct TCase {
    TIPVersion Version;
    bool Blocking;
  };
  const TCase cases[] = {{TIPVersion::ivIPv4, true},
                         {TIPVersion::ivIPv4, false},
                         {TIPVersion::ivIPv6, true},
                         {TIPVersion::ivIPv6, false}};
  for (const TCase& test : cases) {
    if (test.Version == TIPVersion::ivIPv6 && !platform::IPv6Offered()) continue;
    SCOPED_TRACE(::testing::Message() << (test.Version == TIPVersion::ivIPv6 ? "IPv6" : "IPv4")
                                      << (test.Blocking ? " blocking" : " non-blocking"));
    TReadySet set;
    ASSERT_TRUE(set.Valid());
    TSocket listening = Listening(test.Version);
    ASSERT_TRUE(listening.Valid());
    quillara::testing::SetBlocking(listening.Handle(), test.Blocking);
    ASSERT_TRUE(set.Add(listening, kBigKey).Ok());
    TWaiter waiter(set);
    EXPECT_TRUE(waiter.Quiet());
    TSocket client = ConnectTo(listening, test.Version);
    ASSERT_TRUE(client.Valid());
    EXPECT_TRUE(waiter.Told(TEvent::eReady, kBigKey));
  }
}

TEST(TReadySet, ReportsAConnectedSocketOnceItHasSomethingToRead) {
  struct TCase {
    const char* Name;
    void (*Act)(TSocket& client);
  };
  const TCase cases[] = {{"bytes", [](TSocket& client) { SendByte(client); }},
                         {"end of stream", [](TSocket& client) { platform::ShutdownSend(client); }},
                         {"close", [](TSocket& client) { client.Close(); }},
                         {"reset", [](TSocket& client) {
                            platform::ResetOnClose(client);
                            client.Close();
                          }}};
  TSocket listening = Listening();
  ASSERT_TRUE(listening.Valid());
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TReadySet set;
    TConnection c = Connect(listening);
    ASSERT_TRUE(c.Server.Valid());
    ASSERT_TRUE(set.Add(c.Server, 7).Ok());
    TWaiter waiter(set);
    EXPECT_TRUE(waiter.Quiet());
    test.Act(c.Client);
    EXPECT_TRUE(waiter.Told(TEvent::eReady, 7));
  }
}

TEST_F(TReadySetWithConnection, SocketsAddedWhileWaitersAreBlockedAreReported) {
  SendByte(c.Client);
  TWaiter waiter(set);
  EXPECT_TRUE(waiter.Quiet());
  ASSERT_TRUE(set.Add(c.Server, 3).Ok());
  EXPECT_TRUE(waiter.Told(TEvent::eReady, 3));
}

TEST_F(TReadySetWithConnection, ReportsASocketOnceUntilItIsRearmed) {
  ASSERT_TRUE(set.Add(c.Server, 5).Ok());
  SendByte(c.Client);
  TWaiter first(set);
  EXPECT_TRUE(first.Told(TEvent::eReady, 5));

  // Nothing was read, and more arrives: still quiet until rearmed.
  SendByte(c.Client);
  TWaiter second(set);
  EXPECT_TRUE(second.Quiet());
  // The unread bytes are reported at once, under the key of the rearming.
  ASSERT_TRUE(set.Rearm(c.Server, 6).Ok());
  EXPECT_TRUE(second.Told(TEvent::eReady, 6));
  TWaiter third(set);
  EXPECT_TRUE(third.Quiet());
}

// The same readiness, reaching several blocked waiters, is told to exactly one of them.
TEST(TReadySet, TellsOneOfSeveralWaiters) {
  struct TCase {
    const char* Name;
    TEvent Event;
  };
  const TCase cases[] = {{"connection", TEvent::eReady}, {"alarm", TEvent::eAlarm}};
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TReadySet set;
    TSocket listening = Listening();
    ASSERT_TRUE(listening.Valid());
    ASSERT_TRUE(set.Add(listening, 9).Ok());
    TSocket client;
    TWaiters waiters = StartWaiters(set, 3);
    EXPECT_TRUE(waiters[0]->Quiet());
    if (test.Event == TEvent::eAlarm) {
      set.SetAlarm(10);
    } else {
      client = ConnectTo(listening);
      ASSERT_TRUE(client.Valid());
    }
    auto start = std::chrono::steady_clock::now();
    while (CountDone(waiters) == 0 && std::chrono::steady_clock::now() - start < kHang)
      std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(kQuiet);
    ASSERT_EQ(CountDone(waiters), 1);

    std::vector<bool> told;
    for (auto& waiter : waiters) told.push_back(waiter->Done());
    set.Wake();
    for (size_t i = 0; i < waiters.size(); ++i)
      EXPECT_TRUE(waiters[i]->Told(told[i] ? test.Event : TEvent::eWoken, 9));
  }
}

TEST(TReadySet, AlarmRingsOnceAfterItsTime) {
  TReadySet set;
  auto start = std::chrono::steady_clock::now();
  set.SetAlarm(150);
  TWaiter first(set);
  EXPECT_TRUE(first.Told(TEvent::eAlarm));
  EXPECT_GE(MsSince(start), 150);
  TWaiter second(set);
  EXPECT_TRUE(second.Quiet());
  // Set again after it rang, it rings again.
  set.SetAlarm(0);
  EXPECT_TRUE(second.Told(TEvent::eAlarm));
}

TEST(TReadySet, LaterAlarmReplacesTheEarlierOne) {
  struct TCase {
    const char* Name;
    int First;
    int Then;
    bool Rings;
  };
  // The first times are long enough that a stalled machine does not let them ring before the
  // second call.
  const TCase cases[] = {{"later", 400, 800, true},
                         {"sooner", 60000, 50, true},
                         {"at once", 60000, 0, true},
                         {"off", 400, -1, false}};
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TReadySet set;
    TWaiter waiter(set);
    // Blocked already, so the change reaches a wait under way.
    std::this_thread::sleep_for(50ms);
    auto start = std::chrono::steady_clock::now();
    set.SetAlarm(test.First);
    set.SetAlarm(test.Then);
    if (!test.Rings) {
      EXPECT_TRUE(waiter.Quiet(std::chrono::milliseconds(test.First) + kQuiet));
      continue;
    }
    EXPECT_TRUE(waiter.Told(TEvent::eAlarm));
    EXPECT_GE(MsSince(start), test.Then);
    TWaiter second(set);
    EXPECT_TRUE(second.Quiet());
  }
}

TEST_F(TReadySetWithConnection, WakeReleasesEveryWaiterNowAndLater) {
  ASSERT_TRUE(set.Add(c.Server, 1).Ok());
  ASSERT_TRUE(set.Add(listening, 2).Ok());
  {
    TWaiters waiters = StartWaiters(set, 3);
    EXPECT_TRUE(waiters[0]->Quiet());
    set.Wake();
    for (auto& waiter : waiters) EXPECT_TRUE(waiter->Told(TEvent::eWoken));
  }
  // Readiness and the alarm after the wake change nothing.
  SendByte(c.Client);
  TSocket client = ConnectTo(listening);
  set.SetAlarm(0);
  std::this_thread::sleep_for(50ms);
  for (int i = 0; i < 4; ++i) {
    TWaiter waiter(set);
    EXPECT_TRUE(waiter.Told(TEvent::eWoken)) << "wait " << i;
  }
}

TEST(TReadySet, RemovedSocketsAreNotReported) {
  TReadySet set;
  TSocket listening = Listening();
  ASSERT_TRUE(listening.Valid());
  TConnection a = Connect(listening);
  TConnection b = Connect(listening);
  ASSERT_TRUE(a.Server.Valid() && b.Server.Valid());
  ASSERT_TRUE(set.Add(a.Server, 1).Ok());
  ASSERT_TRUE(set.Add(b.Server, 2).Ok());
  {
    TWaiter waiter(set);
    EXPECT_TRUE(waiter.Quiet());
    set.Remove(a.Server);
    SendByte(a.Client);
    EXPECT_TRUE(waiter.Quiet());
    SendByte(b.Client);
    EXPECT_TRUE(waiter.Told(TEvent::eReady, 2));
  }
  // Removed, a socket may be added again, under a new key.
  ASSERT_TRUE(set.Add(a.Server, 3).Ok());
  TWaiter waiter(set);
  EXPECT_TRUE(waiter.Told(TEvent::eReady, 3));
}

// Threads that read what a report announces and rearm: every byte is read, and no socket is
// ever handed to two threads at once.
TEST(TReadySet, HandsEachSocketToOneThreadAtATime) {
  constexpr int kConnections = 6;
  constexpr int kBytes = 40;
  constexpr int kThreads = 4;
  TReadySet set;
  TSocket listening = Listening();
  ASSERT_TRUE(listening.Valid());
  std::vector<TConnection> connections;
  for (int i = 0; i < kConnections; ++i) {
    connections.push_back(Connect(listening));
    ASSERT_TRUE(connections.back().Server.Valid());
    ASSERT_TRUE(set.Add(connections.back().Server, uint64_t(i)).Ok());
  }
  std::array<std::atomic<bool>, kConnections> busy{};
  std::atomic<int> received{0};
  std::atomic<int> faults{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      uint64_t key = 0;
      while (set.Wait(key) == TEvent::eReady) {
        if (key >= uint64_t(kConnections) || busy[key].exchange(true)) {
          ++faults;
          return;
        }
        std::this_thread::yield();
        char buffer[64];
        TSocketResult r;
        long n = platform::Receive(connections[key].Server, buffer, sizeof buffer, r);
        if (n > 0) received += int(n);
        busy[key] = false;
        if (n > 0) set.Rearm(connections[key].Server, key);
      }
    });
  }
  for (int i = 0; i < kBytes; ++i)
    for (TConnection& c : connections) SendByte(c.Client);
  auto start = std::chrono::steady_clock::now();
  while (received < kConnections * kBytes && faults == 0 &&
         std::chrono::steady_clock::now() - start < 4 * kHang)
    std::this_thread::sleep_for(5ms);
  set.Wake();
  // A thread told of a socket with nothing to read would block in Receive: the shutdown ends it.
  for (TConnection& c : connections) platform::ShutdownBoth(c.Server);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(faults, 0);
  EXPECT_EQ(received, kConnections * kBytes);
}
