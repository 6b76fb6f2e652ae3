#include "platform/TReadySet.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace quillara::platform {

void StartSocketLibrary();  // win32/TSocket.cpp

namespace {

using TClock = std::chrono::steady_clock;

SOCKET AsSocket(int fd) {
  return static_cast<SOCKET>(static_cast<intptr_t>(fd));
}

// A datagram socket connected to itself: what is sent on it makes it readable, which ends the
// leader's poll.
SOCKET SelfConnectedSocket() {
  SOCKET s = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof a;
  u_long nonBlocking = 1;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
      ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    int error = ::WSAGetLastError();
    ::closesocket(s);
    ::WSASetLastError(error);
    return INVALID_SOCKET;
  }
  return s;
}

}  // namespace

// Leader and followers: one waiter at a time polls the armed sockets and the wake socket, the
// others wait for their turn to lead. A change made while the leader polls pokes the wake socket,
// so the leader builds its poll anew. WSAPoll takes blocking and non-blocking sockets alike and,
// unlike event selection, leaves their mode alone.
struct TReadySet::TState {
  struct TEntry {
    uint64_t Key;
    bool Armed;
  };

  SOCKET WakeSocket = INVALID_SOCKET;
  std::mutex Lock;
  std::condition_variable Turn;        // followers, for the leader to go
  std::condition_variable RoundEnded;  // Remove, for the leader to let go of a socket
  std::map<int, TEntry> Sockets;
  std::vector<int> Polled;  // the leader's sockets, in the order of its poll array
  bool Polling = false;
  uint64_t Rounds = 0;
  size_t Cursor = 0;  // where the next look for a ready socket starts, so none is left behind
  bool Woken = false;
  bool AlarmSet = false;
  int Error = 0;
  TClock::time_point AlarmAt;

  ~TState() {
    if (WakeSocket != INVALID_SOCKET) ::closesocket(WakeSocket);
  }
  void Poke() {
    if (!Polling) return;
    // A full buffer drops the byte, but then the socket is readable already.
    char byte = 0;
    ::send(WakeSocket, &byte, 1, 0);
  }
  void Drain() {
    char buffer[64];
    while (::recv(WakeSocket, buffer, sizeof buffer, 0) > 0) {
    }
  }
};

TReadySet::TReadySet() : F(std::make_unique<TState>()) {
  StartSocketLibrary();
  F->WakeSocket = SelfConnectedSocket();
  if (F->WakeSocket == INVALID_SOCKET) F->Error = ::WSAGetLastError();
}

TReadySet::~TReadySet() = default;

bool TReadySet::Valid() const {
  return F->WakeSocket != INVALID_SOCKET;
}

int TReadySet::Error() const {
  return F->Error;
}

TSocketResult TReadySet::Add(const TSocket& socket, uint64_t key) {
  if (!Valid() || !socket.Valid()) return {WSAENOTSOCK};
  std::lock_guard lock(F->Lock);
  if (!F->Sockets.emplace(socket.Handle(), TState::TEntry{key, true}).second) return {WSAEINVAL};
  F->Poke();
  return {};
}

TSocketResult TReadySet::Rearm(const TSocket& socket, uint64_t key) {
  std::lock_guard lock(F->Lock);
  auto found = F->Sockets.find(socket.Handle());
  if (found == F->Sockets.end()) return {WSAENOTSOCK};
  found->second = {key, true};
  F->Poke();
  return {};
}

// Waits until the leader no longer polls the socket: once it is closed, its handle may be
// reused by a socket the leader must not report.
void TReadySet::Remove(const TSocket& socket) {
  std::unique_lock lock(F->Lock);
  if (F->Sockets.erase(socket.Handle()) == 0) return;
  if (!F->Polling ||
      std::find(F->Polled.begin(), F->Polled.end(), socket.Handle()) == F->Polled.end())
    return;
  uint64_t round = F->Rounds;
  F->Poke();
  F->RoundEnded.wait(lock, [&] { return F->Rounds != round; });
}

void TReadySet::SetAlarm(int ms) {
  std::lock_guard lock(F->Lock);
  F->AlarmSet = ms >= 0;
  F->AlarmAt = TClock::now() + std::chrono::milliseconds(ms);
  F->Poke();
}

TReadySet::TEvent TReadySet::Wait(uint64_t& key) {
  if (!Valid()) return TEvent::eWoken;
  std::unique_lock lock(F->Lock);
  std::vector<WSAPOLLFD> fds;
  for (;;) {
    if (F->Woken) return TEvent::eWoken;
    if (F->Polling) {
      F->Turn.wait(lock);
      continue;
    }
    int timeout = -1;
    if (F->AlarmSet) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(F->AlarmAt - TClock::now()).count();
      if (left <= 0) {
        F->AlarmSet = false;
        F->Turn.notify_one();
        return TEvent::eAlarm;
      }
      timeout = int(std::min<long long>(left, INT_MAX));
    }

    fds.assign(1, WSAPOLLFD{F->WakeSocket, POLLRDNORM, 0});
    F->Polled.clear();
    for (const auto& [handle, entry] : F->Sockets) {
      if (!entry.Armed) continue;
      fds.push_back(WSAPOLLFD{AsSocket(handle), POLLRDNORM, 0});
      F->Polled.push_back(handle);
    }
    F->Polling = true;
    lock.unlock();
    int n = ::WSAPoll(fds.data(), ULONG(fds.size()), timeout);
    lock.lock();
    F->Polling = false;
    ++F->Rounds;
    F->RoundEnded.notify_all();
    if (fds[0].revents != 0) F->Drain();
    if (F->Woken) return TEvent::eWoken;
    if (n < 0) {  // the set itself failed: nothing to wait for
      F->Turn.notify_one();
      return TEvent::eWoken;
    }

    // Any event counts: an error or an invalid handle is reported too, so that its owner learns
    // of it instead of the leader polling it again at once.
    size_t count = F->Polled.size();
    for (size_t i = 0; i < count; ++i) {
      size_t at = (F->Cursor + i) % count;
      if (fds[at + 1].revents == 0) continue;
      auto found = F->Sockets.find(F->Polled[at]);
      if (found == F->Sockets.end() || !found->second.Armed) continue;
      found->second.Armed = false;
      key = found->second.Key;
      F->Cursor = at + 1;
      F->Turn.notify_one();
      return TEvent::eReady;
    }
  }
}

void TReadySet::Wake() {
  std::lock_guard lock(F->Lock);
  F->Woken = true;
  F->Poke();
  F->Turn.notify_all();
}

}  // namespace quillara::platform
