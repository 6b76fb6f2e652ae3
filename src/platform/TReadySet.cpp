#include "platform/TReadySet.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace quillara::platform {

namespace {

// Keys of the set's own descriptors; the callers' keys are theirs, so these sit where no
// counter of the caller's reaches.
constexpr uint64_t kWakeKey = ~uint64_t(0);
constexpr uint64_t kAlarmKey = ~uint64_t(0) - 1;

int Control(int epoll, int op, int fd, uint32_t events, uint64_t key) {
  epoll_event e{};
  e.events = events;
  e.data.u64 = key;
  return ::epoll_ctl(epoll, op, fd, &e) == 0 ? 0 : errno;
}

}  // namespace

// One epoll descriptor that every waiter blocks on; the kernel hands each report to one of
// them. The wake descriptor stays readable once written, so it reaches every waiter. Woken is
// kept beside it because epoll takes ready descriptors in turn: after a wake, a socket or the
// alarm could still come out of a later wait before the wake descriptor's turn comes again.
struct TReadySet::TState {
  int Epoll = -1;
  int WakeFd = -1;
  int AlarmFd = -1;
  int Error = 0;
  std::atomic<bool> Woken{false};
  ~TState() {
    for (int fd : {Epoll, WakeFd, AlarmFd})
      if (fd >= 0) ::close(fd);
  }
};

TReadySet::TReadySet() : F(std::make_unique<TState>()) {
  F->Epoll = ::epoll_create1(EPOLL_CLOEXEC);
  F->WakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  F->AlarmFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (!Valid() || Control(F->Epoll, EPOLL_CTL_ADD, F->WakeFd, EPOLLIN, kWakeKey) != 0 ||
      Control(F->Epoll, EPOLL_CTL_ADD, F->AlarmFd, EPOLLIN | EPOLLONESHOT, kAlarmKey) != 0) {
    int error = errno;
    F = std::make_unique<TState>();
    F->Error = error;
  }
}

TReadySet::~TReadySet() = default;

bool TReadySet::Valid() const {
  return F->Epoll >= 0 && F->WakeFd >= 0 && F->AlarmFd >= 0;
}

int TReadySet::Error() const {
  return F->Error;
}

TSocketResult TReadySet::Add(const TSocket& socket, uint64_t key) {
  return {Control(F->Epoll, EPOLL_CTL_ADD, socket.Handle(), EPOLLIN | EPOLLONESHOT, key)};
}

TSocketResult TReadySet::Rearm(const TSocket& socket, uint64_t key) {
  return {Control(F->Epoll, EPOLL_CTL_MOD, socket.Handle(), EPOLLIN | EPOLLONESHOT, key)};
}

void TReadySet::Remove(const TSocket& socket) {
  epoll_event unused{};
  ::epoll_ctl(F->Epoll, EPOLL_CTL_DEL, socket.Handle(), &unused);
}

void TReadySet::SetAlarm(int ms) {
  itimerspec when{};
  if (ms >= 0) {
    // Zero would disarm the timer: the earliest it can ring is a nanosecond from now.
    when.it_value.tv_sec = ms / 1000;
    when.it_value.tv_nsec = long(ms % 1000) * 1000000L + (ms == 0 ? 1 : 0);
  }
  ::timerfd_settime(F->AlarmFd, 0, &when, nullptr);
  if (ms >= 0) Control(F->Epoll, EPOLL_CTL_MOD, F->AlarmFd, EPOLLIN | EPOLLONESHOT, kAlarmKey);
}

TReadySet::TEvent TReadySet::Wait(uint64_t& key) {
  for (;;) {
    epoll_event e{};
    int n = ::epoll_wait(F->Epoll, &e, 1, -1);
    if (n < 0 && errno != EINTR)
      return TEvent::eWoken;  // the set itself failed: nothing to wait for
    if (n <= 0) continue;
    if (e.data.u64 == kWakeKey || F->Woken) return TEvent::eWoken;
    if (e.data.u64 == kAlarmKey) {
      uint64_t expirations = 0;
      // Nothing to read means the alarm was set anew after it rang: it has not rung yet.
      if (::read(F->AlarmFd, &expirations, sizeof expirations) != sizeof expirations) {
        Control(F->Epoll, EPOLL_CTL_MOD, F->AlarmFd, EPOLLIN | EPOLLONESHOT, kAlarmKey);
        continue;
      }
      return TEvent::eAlarm;
    }
    key = e.data.u64;
    return TEvent::eReady;
  }
}

void TReadySet::Wake() {
  F->Woken = true;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(F->WakeFd, &one, sizeof one);
}

}  // namespace quillara::platform
