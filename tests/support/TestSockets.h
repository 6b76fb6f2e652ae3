#pragma once
// Small client-side socket helpers for tests that talk to a real listener.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace quillara::testing {

// A port free on both families right now.
inline int FreePort() {
  for (;;) {
    int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    int port = ntohs(a.sin6_port);
    if (port != 0) return port;
  }
}

// Connected socket descriptor, or -1.
inline int ConnectTo(const char* address, int port) {
  bool v6 = std::string(address).find(':') != std::string::npos;
  int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  int rc;
  if (v6) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(uint16_t(port));
    ::inet_pton(AF_INET6, address, &a.sin6_addr);
    rc = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  } else {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, address, &a.sin_addr);
    rc = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  if (rc != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads until the peer closes; returns what arrived.
inline std::string ReadToEnd(int fd) {
  std::string all;
  char buf[4096];
  for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) all.append(buf, size_t(n));
  return all;
}

}  // namespace quillara::testing
