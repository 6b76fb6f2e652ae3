#pragma once
// Small client-side socket helpers for tests that talk to a real listener.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <string>

namespace quillara::testing {

#ifdef _WIN32
// Socket handles keep 32 significant bits, so the helpers pass them as int on both systems.
inline int StartSockets() {
  static const int started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data);
  }();
  return started;
}
inline int OpenSocket(int family) {
  StartSockets();
  SOCKET s = ::socket(family, SOCK_STREAM, 0);
  return s == INVALID_SOCKET ? -1 : int(intptr_t(s));
}
inline void CloseSocket(int fd) {
  ::closesocket(SOCKET(intptr_t(fd)));
}
inline void SetBlocking(int fd, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  ::ioctlsocket(SOCKET(intptr_t(fd)), FIONBIO, &nonBlocking);
}
using socklen_t = int;
#else
inline int OpenSocket(int family) {
  return ::socket(family, SOCK_STREAM, 0);
}
inline void CloseSocket(int fd) {
  ::close(fd);
}
inline void SetBlocking(int fd, bool blocking) {
  int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
}
#endif

// Owns one socket descriptor (-1 for none) and closes it when it goes.
class TTestSocket {
 public:
  explicit TTestSocket(int fd = -1) : FFd(fd) {}
  ~TTestSocket() { Close(); }
  TTestSocket(TTestSocket&& other) noexcept : FFd(other.Release()) {}
  TTestSocket& operator=(TTestSocket&& other) noexcept {
    if (this != &other) {
      Close();
      FFd = other.Release();
    }
    return *this;
  }
  TTestSocket(const TTestSocket&) = delete;
  TTestSocket& operator=(const TTestSocket&) = delete;

  int Fd() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  int Release() {
    int fd = FFd;
    FFd = -1;
    return fd;
  }
  void Close() {
    if (FFd >= 0) CloseSocket(Release());
  }

 private:
  int FFd;
};

// A port free on both families right now.
inline int FreePort() {
  for (;;) {
    TTestSocket s(OpenSocket(AF_INET6));
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    ::bind(s.Fd(), reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s.Fd(), reinterpret_cast<sockaddr*>(&a), &len);
    int port = ntohs(a.sin6_port);
    if (port != 0) return port;
  }
}

// Connected socket descriptor, or -1; the caller closes it (see ConnectSocket).
inline int ConnectTo(const char* address, int port) {
  bool v6 = std::string(address).find(':') != std::string::npos;
  int fd = OpenSocket(v6 ? AF_INET6 : AF_INET);
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
    CloseSocket(fd);
    return -1;
  }
  return fd;
}

// A connected socket, invalid when the connection failed.
inline TTestSocket ConnectSocket(const char* address, int port) {
  return TTestSocket(ConnectTo(address, port));
}

// Reads until the peer closes; returns what arrived.
inline std::string ReadToEnd(int fd) {
  std::string all;
  char buf[4096];
  for (long n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) all.append(buf, size_t(n));
  return all;
}

}  // namespace quillara::testing
