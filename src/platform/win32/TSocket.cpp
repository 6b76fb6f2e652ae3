#include "platform/TSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/win32/Win32Text.h"

namespace quillara::platform {

// SOCKET values are kernel handles, which hold 32 significant bits: the class's int keeps them.
namespace {

// The numeric form, IPv6 without brackets.
std::string AddressText(const sockaddr_storage& a) {
  char buf[INET6_ADDRSTRLEN] = {};
  if (a.ss_family == AF_INET6) {
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&a)->sin6_addr, buf, sizeof buf);
  } else {
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&a)->sin_addr, buf, sizeof buf);
  }
  return buf;
}

SOCKET AsSocket(int fd) {
  return static_cast<SOCKET>(static_cast<intptr_t>(fd));
}
int FromSocket(SOCKET s) {
  return s == INVALID_SOCKET ? -1 : static_cast<int>(static_cast<intptr_t>(s));
}

// A blocked recv here is not woken by shutdown as it is on Linux, so reads wait in slices and
// look whether their socket has been shut down meanwhile. Receive timeouts are kept here too, as
// the sliced wait happens before recv.
std::mutex gShutLock;
std::set<int> gShut;
std::map<int, int> gReceiveTimeouts;

bool IsShut(int fd) {
  std::lock_guard lock(gShutLock);
  return gShut.count(fd) > 0;
}

int ReceiveTimeout(int fd) {
  std::lock_guard lock(gShutLock);
  auto found = gReceiveTimeouts.find(fd);
  return found == gReceiveTimeouts.end() ? 0 : found->second;
}

constexpr int kReadSliceMs = 100;

bool SetBlocking(SOCKET s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ::ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

using TClock = std::chrono::steady_clock;

long long MsSince(TClock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

// Sends on a non-blocking socket, waiting for room as long as the peer takes a byte within the
// stall timeout (< 0: for ever).
int SendWaiting(SOCKET s, const char* p, size_t size, int stallTimeoutMs) {
  TClock::time_point progress = TClock::now();
  while (size > 0) {
    int piece = size > 0x100000u ? 0x100000 : int(size);
    int n = ::send(s, p, piece, 0);
    if (n >= 0) {
      p += n;
      size -= static_cast<size_t>(n);
      progress = TClock::now();
      continue;
    }
    int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) return error;
    int wait = -1;
    if (stallTimeoutMs >= 0) {
      long long idle = MsSince(progress);
      if (idle >= stallTimeoutMs) return WSAETIMEDOUT;
      wait = int(stallTimeoutMs - idle);
    }
    WSAPOLLFD w{s, POLLWRNORM, 0};
    ::WSAPoll(&w, 1, wait);
  }
  return 0;
}

}  // namespace

// The first network object starts the socket library, which stays up for the process.
void StartSocketLibrary() {
  static std::once_flag started;
  std::call_once(started, [] {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  });
}

TSocket& TSocket::operator=(TSocket&& other) noexcept {
  if (this != &other) {
    Close();
    FFd = other.Release();
  }
  return *this;
}

int TSocket::Release() {
  int fd = FFd;
  FFd = -1;
  return fd;
}

void TSocket::Close() {
  if (FFd >= 0) {
    {
      std::lock_guard lock(gShutLock);
      gShut.erase(FFd);
      gReceiveTimeouts.erase(FFd);
    }
    ::closesocket(AsSocket(FFd));
    FFd = -1;
  }
}

bool IPv6Offered() {
  StartSocketLibrary();
  SOCKET s = ::socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  ::closesocket(s);
  return true;
}

TSocket CreateStreamSocket(TIPVersion version, TSocketResult& result) {
  StartSocketLibrary();
  int family = version == TIPVersion::ivIPv6 ? AF_INET6 : AF_INET;
  // Not inherited: a program started through the shell must not keep the listener open.
  SOCKET s = ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                          WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  result.Error = s == INVALID_SOCKET ? ::WSAGetLastError() : 0;
  return TSocket(FromSocket(s));
}

static TSocketResult SetIntOption(const TSocket& socket, int level, int name, int value) {
  if (::setsockopt(AsSocket(socket.Handle()), level, name, reinterpret_cast<const char*>(&value),
                   sizeof value) != 0)
    return {::WSAGetLastError()};
  return {};
}

// Address reuse stays off and the port is taken exclusively, so a second listener on it fails
// (here reuse would let it share the port).
TSocketResult PrepareListening(const TSocket& socket, TIPVersion version, bool useNagle) {
  TSocketResult r = SetIntOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);
  if (r.Ok() && version == TIPVersion::ivIPv6)
    r = SetIntOption(socket, IPPROTO_IPV6, IPV6_V6ONLY, 1);
  if (r.Ok()) r = SetIntOption(socket, IPPROTO_TCP, TCP_NODELAY, useNagle ? 0 : 1);
  if (r.Ok() && !SetBlocking(AsSocket(socket.Handle()), false)) r.Error = ::WSAGetLastError();
  return r;
}

TSocketResult BindAny(const TSocket& socket, TIPVersion version, uint16_t port) {
  int rc;
  if (version == TIPVersion::ivIPv6) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_any;
    a.sin6_port = htons(port);
    rc = ::bind(AsSocket(socket.Handle()), reinterpret_cast<sockaddr*>(&a), sizeof a);
  } else {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port);
    rc = ::bind(AsSocket(socket.Handle()), reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  return {rc == 0 ? 0 : ::WSAGetLastError()};
}

TSocketResult Listen(const TSocket& socket, int backlog) {
  return {::listen(AsSocket(socket.Handle()), backlog) == 0 ? 0 : ::WSAGetLastError()};
}

uint16_t LocalPort(const TSocket& socket) {
  sockaddr_storage a{};
  int len = sizeof a;
  if (::getsockname(AsSocket(socket.Handle()), reinterpret_cast<sockaddr*>(&a), &len) != 0)
    return 0;
  if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}

int WaitReadable(const TSocket& socket, int timeoutMs) {
  auto end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    int slice = kReadSliceMs;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      end - std::chrono::steady_clock::now())
                      .count();
      slice = int(std::max<long long>(0, std::min<long long>(left, kReadSliceMs)));
    }
    WSAPOLLFD p{AsSocket(socket.Handle()), POLLRDNORM, 0};
    int rc = ::WSAPoll(&p, 1, slice);
    if (rc < 0) return -1;
    if (rc > 0) return (p.revents & (POLLRDNORM | POLLERR | POLLHUP)) ? 1 : -1;
    if (IsShut(socket.Handle())) return 1;  // the read that follows sees the end
    if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= end) return 0;
  }
}

TSocket Accept(const TSocket& listening, TSocketResult& result, std::string* peerAddress) {
  sockaddr_storage a{};
  int len = sizeof a;
  SOCKET s = ::accept(AsSocket(listening.Handle()), reinterpret_cast<sockaddr*>(&a), &len);
  if (s == INVALID_SOCKET) {
    result.Error = ::WSAGetLastError();
    return {};
  }
  result.Error = 0;
  // The accepted socket takes the listener's non-blocking mode; connections block.
  SetBlocking(s, true);
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  if (peerAddress) *peerAddress = AddressText(a);
  return TSocket(FromSocket(s));
}

// Winsock delays its acknowledgements already.
void AcknowledgeWithAnswer(const TSocket&) {}

bool IsResourceShortage(int error) {
  return error == WSAEMFILE || error == WSAENOBUFS || error == WSA_NOT_ENOUGH_MEMORY ||
         error == ERROR_NOT_ENOUGH_MEMORY;
}

bool IsTransientAcceptError(int error) {
  switch (error) {
    case WSAEINTR:
    case WSAEWOULDBLOCK:
    case WSAEINPROGRESS:
    case WSAECONNABORTED:
    case WSAECONNRESET:
    case WSAENETDOWN:
    case WSAENETUNREACH:
    case WSAEHOSTDOWN:
    case WSAEHOSTUNREACH:
      return true;
    default:
      return false;
  }
}

void ShutdownBoth(const TSocket& socket) {
  if (!socket.Valid()) return;
  {
    std::lock_guard lock(gShutLock);
    gShut.insert(socket.Handle());
  }
  ::shutdown(AsSocket(socket.Handle()), SD_BOTH);
}

void ShutdownSend(const TSocket& socket) {
  if (socket.Valid()) ::shutdown(AsSocket(socket.Handle()), SD_SEND);
}

TSocketResult SetReceiveTimeout(const TSocket& socket, int timeoutMs) {
  std::lock_guard lock(gShutLock);
  gReceiveTimeouts[socket.Handle()] = timeoutMs;
  return {};
}

bool BytesWaiting(const TSocket& socket) {
  u_long count = 0;
  return ::ioctlsocket(AsSocket(socket.Handle()), FIONREAD, &count) == 0 && count > 0;
}

long Receive(const TSocket& socket, void* buffer, size_t size, TSocketResult& result) {
  int timeoutMs = ReceiveTimeout(socket.Handle());
  TClock::time_point start = TClock::now();
  for (;;) {
    int slice = kReadSliceMs;
    if (timeoutMs > 0) {
      long long left = timeoutMs - MsSince(start);
      if (left <= 0) {
        result.Error = WSAETIMEDOUT;
        return -1;
      }
      slice = int(std::min<long long>(left, kReadSliceMs));
    }
    WSAPOLLFD p{AsSocket(socket.Handle()), POLLRDNORM, 0};
    int rc = ::WSAPoll(&p, 1, slice);
    if (rc < 0) {
      result.Error = ::WSAGetLastError();
      return -1;
    }
    if (rc > 0) break;
    if (IsShut(socket.Handle())) {  // as on Linux: a read after a local shutdown ends the stream
      result.Error = 0;
      return 0;
    }
  }
  int want = size > 0x40000000u ? 0x40000000 : int(size);
  int n = ::recv(AsSocket(socket.Handle()), static_cast<char*>(buffer), want, 0);
  result.Error = n < 0 ? ::WSAGetLastError() : 0;
  return n;
}

long ReceiveNow(const TSocket& socket, void* buffer, size_t size, TSocketResult& result) {
  if (IsShut(socket.Handle())) {
    result.Error = 0;
    return 0;
  }
  WSAPOLLFD p{AsSocket(socket.Handle()), POLLRDNORM, 0};
  int rc = ::WSAPoll(&p, 1, 0);
  if (rc < 0) {
    result.Error = ::WSAGetLastError();
    return -1;
  }
  if (rc == 0) {
    result.Error = WSAEWOULDBLOCK;
    return kNothingYet;
  }
  return Receive(socket, buffer, size, result);
}

// Winsock has no way to hold back a part-filled packet for one send: holdTail is not used.
TSocketResult SendAll(const TSocket& socket, const void* data, size_t size, int stallTimeoutMs,
                      bool /*holdTail*/) {
  SOCKET s = AsSocket(socket.Handle());
  if (stallTimeoutMs < 0) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      int piece = size > 0x40000000u ? 0x40000000 : int(size);
      int n = ::send(s, p, piece, 0);
      if (n < 0) return {::WSAGetLastError()};
      p += n;
      size -= static_cast<size_t>(n);
    }
    return {};
  }
  // Non-blocking only while sending, so that a full send buffer is waited for with the timeout.
  if (!SetBlocking(s, false)) return {::WSAGetLastError()};
  int error = SendWaiting(s, static_cast<const char*>(data), size, stallTimeoutMs);
  SetBlocking(s, true);
  return {error};
}

// Read and sent in pieces: the file goes out through the same stall-timed send.
long SendFile(const TSocket& socket, intptr_t fileHandle, int64_t offset, size_t count,
              int stallTimeoutMs, TSocketResult& result) {
  constexpr size_t kPiece = 256 * 1024;
  std::vector<char> buffer(std::min(count, kPiece));
  HANDLE file = reinterpret_cast<HANDLE>(fileHandle);
  size_t sent = 0;
  result.Error = 0;
  while (sent < count) {
    OVERLAPPED at{};
    uint64_t position = uint64_t(offset) + sent;
    at.Offset = DWORD(position & 0xFFFFFFFFu);
    at.OffsetHigh = DWORD(position >> 32);
    DWORD read = 0;
    if (!::ReadFile(file, buffer.data(), DWORD(std::min(count - sent, buffer.size())), &read,
                    &at)) {
      DWORD error = ::GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      result.Error = int(error);
      return -1;
    }
    if (read == 0) break;
    result = SendAll(socket, buffer.data(), read, stallTimeoutMs);
    if (!result.Ok()) return -1;
    sent += read;
  }
  return long(sent);
}

void SendNoWait(const TSocket& socket, const void* data, size_t size) {
  SOCKET s = AsSocket(socket.Handle());
  if (!SetBlocking(s, false)) return;
  int piece = size > 0x40000000u ? 0x40000000 : int(size);
  ::send(s, static_cast<const char*>(data), piece, 0);
  SetBlocking(s, true);
}

void DiscardWaiting(const TSocket& socket) {
  SOCKET s = AsSocket(socket.Handle());
  if (!SetBlocking(s, false)) return;
  char buffer[4096];
  while (::recv(s, buffer, sizeof buffer, 0) > 0) {
  }
  SetBlocking(s, true);
}

void ResetOnClose(const TSocket& socket) {
  linger l{1, 0};
  ::setsockopt(AsSocket(socket.Handle()), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l),
               sizeof l);
}

std::string PeerAddressText(const TSocket& socket) {
  sockaddr_storage a{};
  int len = sizeof a;
  if (::getpeername(AsSocket(socket.Handle()), reinterpret_cast<sockaddr*>(&a), &len) != 0)
    return {};
  return AddressText(a);
}

std::string SocketErrorText(int error) {
  return SystemErrorText(DWORD(error));
}

}  // namespace quillara::platform
