#include "platform/TSocket.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace quillara;
using namespace quillara::platform;

// Every octet width, from one digit to three, as the access log and the session data show it.
TEST(TSocket, ThePeerAddressIsWrittenInFull) {
#ifdef _WIN32
  GTEST_SKIP() << "connecting from chosen loopback addresses is tried on Linux";
#else
  TSocketResult r;
  TSocket listening = CreateStreamSocket(TIPVersion::ivIPv4, r);
  ASSERT_TRUE(r.Ok());
  ASSERT_TRUE(PrepareListening(listening, TIPVersion::ivIPv4, false).Ok());
  ASSERT_TRUE(BindAny(listening, TIPVersion::ivIPv4, 0).Ok());
  ASSERT_TRUE(Listen(listening, 4).Ok());
  for (const char* source : {"127.0.0.1", "127.10.200.3", "127.255.0.99"}) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &from.sin_addr);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from), 0) << source;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(LocalPort(listening));
    ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0) << source;
    std::string peer;
    TSocket accepted;
    for (int tries = 0; tries < 1000 && !accepted.Valid(); ++tries) {
      accepted = Accept(listening, r, &peer);
      if (!accepted.Valid()) ::usleep(1000);
    }
    ASSERT_TRUE(accepted.Valid()) << source;
    EXPECT_EQ(peer, source);
    EXPECT_EQ(PeerAddressText(accepted), source);
    ::close(fd);
  }
#endif
}
