#include "http/TCustomTCPServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "base/Exceptions.h"
#include "http/THTTPLimits.h"
#include "support/TestSockets.h"

using namespace quillara;
using namespace std::chrono_literals;
using quillara::testing::ConnectTo;
using quillara::testing::FreePort;
using quillara::testing::ReadToEnd;

namespace {

// Answers "hi" once the client has sent a byte, and records that the handler ran to its end.
class TEchoServer : public TCustomTCPServer {
 public:
  ~TEchoServer() override { SetActive(false); }
  std::atomic<int> Finished{0};

 protected:
  void DoExecute(TConnection& connection) override {
    char c;
    if (connection.Receive(&c, 1) == 1) platform::SendAll(connection.Socket(), "hi", 2);
    ++Finished;
  }
};

std::string Exchange(const char* address, int port) {
  int fd = ConnectTo(address, port);
  if (fd < 0) return "<no connection>";
  ::send(fd, "x", 1, 0);
  std::string answer = ReadToEnd(fd);
  quillara::testing::CloseSocket(fd);
  return answer;
}

// The live count once it has reached the expected one, or after 2 s: a connection is counted
// off just after its socket closes, so a client may see the close first.
size_t LiveCountOnceSettled(const TCustomTCPServer& server, size_t expected) {
  for (int i = 0; i < 200 && server.LiveConnectionCount() != expected; ++i)
    std::this_thread::sleep_for(10ms);
  return server.LiveConnectionCount();
}

size_t ThreadsOfThisProcess() {
  size_t n = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

}  // namespace

TEST(TCustomTCPServer, ListensOnBothFamiliesOfOnePort) {
  TEchoServer server;
  int port = FreePort();
  server.SetDefaultPort(uint16_t(port));
  server.SetActive(true);
  ASSERT_TRUE(server.Active());
  ASSERT_EQ(server.Bindings().size(), 2u);  // this machine offers IPv6
  EXPECT_EQ(Exchange("127.0.0.1", port), "hi");
  EXPECT_EQ(Exchange("::1", port), "hi");
  server.SetActive(false);
  EXPECT_FALSE(server.Active());
  EXPECT_EQ(ConnectTo("127.0.0.1", port), -1);
}

TEST(TCustomTCPServer, TakenPortFailsWithTheBindMessageAndLeavesNothingOpen) {
  int port = FreePort();
  TEchoServer first;
  first.SetDefaultPort(uint16_t(port));
  first.SetActive(true);
  TEchoServer second;
  second.SetDefaultPort(uint16_t(port));
  try {
    second.SetActive(true);
    FAIL() << "second listener started";
  } catch (const ESocketError& e) {
    EXPECT_STREQ(e.what(), "Could not bind socket. Address and port are already in use.");
  }
  EXPECT_FALSE(second.Active());
  for (auto& b : second.Bindings()) EXPECT_FALSE(b.Socket.Valid());
  EXPECT_EQ(Exchange("127.0.0.1", port), "hi");
}

TEST(TCustomTCPServer, StopClosesIdleClientsAndRestartsOnTheSamePort) {
  TEchoServer server;
  int port = FreePort();
  server.SetDefaultPort(uint16_t(port));
  server.SetActive(true);
  // Traffic first, so the port has connections in TIME_WAIT when it is bound again.
  for (int i = 0; i < 50; ++i) ASSERT_EQ(Exchange("127.0.0.1", port), "hi");
  int idle = ConnectTo("127.0.0.1", port);
  ASSERT_GE(idle, 0);
  // The last exchange's connection may still be finishing its close.
  EXPECT_EQ(LiveCountOnceSettled(server, 1), 1u);

  auto started = std::chrono::steady_clock::now();
  server.SetActive(false);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  EXPECT_EQ(ReadToEnd(idle), "");  // the idle client sees its connection end
  quillara::testing::CloseSocket(idle);
  EXPECT_EQ(server.LiveConnectionCount(), 0u);

  server.Bindings().clear();
  server.SetActive(true);
  EXPECT_EQ(Exchange("127.0.0.1", port), "hi");
}

TEST(TCustomTCPServer, ManyParallelClientsAllServedAndJoined) {
  TEchoServer server;
  int port = FreePort();
  server.SetDefaultPort(uint16_t(port));
  server.SetActive(true);
  std::vector<std::thread> clients;
  std::atomic<int> ok{0};
  for (int t = 0; t < 8; ++t)
    clients.emplace_back([&] {
      for (int i = 0; i < 25; ++i) ok += Exchange("127.0.0.1", port) == "hi";
    });
  for (auto& c : clients) c.join();
  EXPECT_EQ(ok, 200);
  server.SetActive(false);
  EXPECT_EQ(server.Finished, 200);
}

// Threads are kept for later connections, so a stop must still end every one of them, and a
// restart must start afresh.
TEST(TCustomTCPServer, NoThreadOutlivesAStop) {
  // A sanitizer starts a helper thread of its own with the first thread: count after that one.
  std::thread([] {}).join();
  size_t before = ThreadsOfThisProcess();
  TEchoServer server;
  int port = FreePort();
  server.SetDefaultPort(uint16_t(port));
  for (int run = 0; run < 2; ++run) {
    server.Bindings().clear();
    server.SetActive(true);
    std::vector<std::thread> clients;
    std::atomic<int> ok{0};
    for (int t = 0; t < 16; ++t)
      clients.emplace_back([&] {
        for (int i = 0; i < 10; ++i) ok += Exchange("127.0.0.1", port) == "hi";
      });
    int idle = ConnectTo("127.0.0.1", port);  // still open when the server stops
    for (auto& c : clients) c.join();
    EXPECT_EQ(ok, 160);
    server.SetActive(false);
    ::close(idle);
    EXPECT_EQ(ThreadsOfThisProcess(), before);
  }
}

// Clients that connect and say nothing yet wait without a thread each, and are served once
// they speak; the idle timeout ends those that never do.
TEST(TCustomTCPServer, SilentClientsHoldNoThreadUntilTheySpeak) {
  std::thread([] {}).join();
  size_t before = ThreadsOfThisProcess();
  TEchoServer server;
  int port = FreePort();
  server.SetDefaultPort(uint16_t(port));
  server.SetActive(true);
  std::vector<int> silent;
  for (int i = 0; i < 300; ++i) silent.push_back(ConnectTo("127.0.0.1", port));
  EXPECT_EQ(LiveCountOnceSettled(server, silent.size()), silent.size());
  EXPECT_LT(ThreadsOfThisProcess(), before + 20);
  EXPECT_EQ(Exchange("127.0.0.1", port), "hi");  // the others wait, new clients do not

  int stillSilent = silent.back();
  silent.pop_back();
  for (int fd : silent) ASSERT_EQ(::send(fd, "x", 1, 0), 1);
  for (int fd : silent) {
    EXPECT_EQ(ReadToEnd(fd), "hi");
    quillara::testing::CloseSocket(fd);
  }
  EXPECT_EQ(server.Finished, 300);  // with the exchange above

  // A shorter timeout set meanwhile ends a later client first.
  int saved = HTTPLimits().IdleTimeoutMs.exchange(100);
  int late = ConnectTo("127.0.0.1", port);
  EXPECT_EQ(ReadToEnd(late), "");
  HTTPLimits().IdleTimeoutMs = saved;
  EXPECT_EQ(LiveCountOnceSettled(server, 1), 1u);
  for (int fd : {late, stillSilent}) quillara::testing::CloseSocket(fd);
  EXPECT_EQ(LiveCountOnceSettled(server, 0), 0u);
}
