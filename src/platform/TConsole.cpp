#include "platform/TConsole.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace quillara::platform {

struct TConsoleEvents::TState {
  int SignalFd = -1;
  bool InputOpen = true;
};

TConsoleEvents::TConsoleEvents() : FState(std::make_unique<TState>()) {
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &mask, nullptr);
  FState->SignalFd = signalfd(-1, &mask, SFD_CLOEXEC);
  std::signal(SIGPIPE, SIG_IGN);
}

TConsoleEvents::~TConsoleEvents() {
  if (FState->SignalFd >= 0) ::close(FState->SignalFd);
}

TConsoleEvents::TEvent TConsoleEvents::Wait(int timeoutMs, std::string& input) {
  for (;;) {
    pollfd fds[2] = {{FState->SignalFd, POLLIN, 0}, {FState->InputOpen ? 0 : -1, POLLIN, 0}};
    int ready = ::poll(fds, 2, timeoutMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return TEvent::evError;
    }
    if (ready == 0) return TEvent::evTimeout;
    if (fds[0].revents & POLLIN) return TEvent::evStop;
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[1024];
      ssize_t n = ::read(0, buffer, sizeof buffer);
      if (n <= 0) {
        FState->InputOpen = false;
        return TEvent::evInputEnded;
      }
      input.append(buffer, static_cast<size_t>(n));
      return TEvent::evInput;
    }
  }
}

}  // namespace quillara::platform
