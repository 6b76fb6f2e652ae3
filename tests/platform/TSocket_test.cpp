#include "platform/TSocket.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace quillara;
using namespace quillara::platform;

#ifndef _WIN32
namespace {

void ListenOnLoopback(TSocket& listening) {
  TSocketResult r;
  listening = CreateStreamSocket(TIPVersion::ivIPv4, r);
  ASSERT_TRUE(r.Ok());
  ASSERT_TRUE(PrepareListening(listening, TIPVersion::ivIPv4, false).Ok());
  ASSERT_TRUE(BindAny(listening, TIPVersion::ivIPv4, 0).Ok());
  ASSERT_TRUE(Listen(listening, 4).Ok());
}

// Connects the client's socket to 127.0.0.1 and takes the connection on the server's side.
void ConnectAndAccept(int client, const TSocket& listening, TSocket& accepted, std::string* peer) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(LocalPort(listening));
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
  TSocketResult r;
  for (int tries = 0; tries < 1000 && !accepted.Valid(); ++tries) {
    accepted = Accept(listening, r, peer);
    if (!accepted.Valid()) ::usleep(1000);
  }
  ASSERT_TRUE(accepted.Valid());
}

// Segments a socket has sent and received so far, as the kernel counts them.
std::pair<unsigned, unsigned> Segments(int fd) {
  tcp_info info{};
  socklen_t len = sizeof info;
  ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len);
  return {info.tcpi_segs_out, info.tcpi_segs_in};
}

struct TPair {
  TSocket Listening, Server;
  int Client = -1;
  ~TPair() {
    if (Client >= 0) ::close(Client);
  }
};

void Connect(TPair& pair) {
  ASSERT_NO_FATAL_FAILURE(ListenOnLoopback(pair.Listening));
  pair.Client = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_NO_FATAL_FAILURE(ConnectAndAccept(pair.Client, pair.Listening, pair.Server, nullptr));
}

}  // namespace
#endif

// Every octet width, from one digit to three, as the access log and the session data show it.
TEST(TSocket, ThePeerAddressIsWrittenInFull) {
#ifdef _WIN32
  GTEST_SKIP() << "connecting from chosen loopback addresses is tried on Linux";
#else
  TSocket listening;
  ASSERT_NO_FATAL_FAILURE(ListenOnLoopback(listening));
  for (const char* source : {"127.0.0.1", "127.10.200.3", "127.255.0.99"}) {
    SCOPED_TRACE(source);
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &from.sin_addr);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
    std::string peer;
    TSocket accepted;
    ASSERT_NO_FATAL_FAILURE(ConnectAndAccept(fd, listening, accepted, &peer));
    EXPECT_EQ(peer, source);
    EXPECT_EQ(PeerAddressText(accepted), source);
    ::close(fd);
  }
#endif
}

// A request acknowledged by its answer, and an answer that leaves with the close, cost one
// segment where three would go; bytes sent without holding leave while the connection stays.
TEST(TSocket, AShortAnswerLeavesWithItsAcknowledgementAndTheClose) {
#ifdef _WIN32
  GTEST_SKIP() << "segment counts are read on Linux";
#else
  // A delayed acknowledgement is sent on its own after 40 ms: a thread held up that long could
  // see it once, never three times.
  bool oneSegment = false;
  for (int attempt = 0; attempt < 3 && !oneSegment; ++attempt) {
    TPair pair;
    ASSERT_NO_FATAL_FAILURE(Connect(pair));
    AcknowledgeWithAnswer(pair.Server);
    unsigned before = Segments(pair.Client).second;
    ASSERT_EQ(::send(pair.Client, "ask", 3, 0), 3);
    char buffer[16];
    TSocketResult r;
    ASSERT_EQ(Receive(pair.Server, buffer, sizeof buffer, r), 3);
    ASSERT_TRUE(SendAll(pair.Server, "answer", 6, -1, true).Ok());
    pair.Server.Close();
    std::string got;
    for (long n; (n = ::recv(pair.Client, buffer, sizeof buffer, 0)) > 0;) got.append(buffer, n);
    EXPECT_EQ(got, "answer");
    oneSegment = Segments(pair.Client).second - before == 1;
  }
  EXPECT_TRUE(oneSegment);

  TPair pair;
  ASSERT_NO_FATAL_FAILURE(Connect(pair));
  ASSERT_TRUE(SendAll(pair.Server, "interim", 7, -1, false).Ok());
  pollfd readable{pair.Client, POLLIN, 0};
  ASSERT_EQ(::poll(&readable, 1, 5000), 1);
  char buffer[16];
  EXPECT_EQ(::recv(pair.Client, buffer, sizeof buffer, 0), 7);
#endif
}
