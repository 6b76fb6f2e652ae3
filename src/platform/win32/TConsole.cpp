#include "platform/TConsole.h"

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quillara::platform {

namespace {

// The console's control handler runs on a thread of its own; it only leaves a mark.
std::mutex gStopLock;
std::condition_variable gStopWake;
bool gStopRequested = false;

BOOL WINAPI OnConsoleControl(DWORD) {
  {
    std::lock_guard lock(gStopLock);
    gStopRequested = true;
  }
  gStopWake.notify_all();
  return TRUE;  // Ctrl+C, Ctrl+Break and closing the console all become a stop request
}

}  // namespace

// Standard input has no waitable form that works for consoles, pipes and files alike, so a reader
// thread hands its pieces over. It stays blocked in ReadFile at the end and is left to the process
// end; it touches nothing but the shared state below, which lives as long as the process.
struct TConsoleEvents::TState {};

namespace {

struct TInput {
  std::deque<std::string> Pieces;
  bool Ended = false;
  bool Watching = true;
};

TInput& Shared() {
  static TInput input;
  return input;
}

void ReadInput() {
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  char buffer[1024];
  for (;;) {
    DWORD n = 0;
    bool ok = in != nullptr && in != INVALID_HANDLE_VALUE &&
              ::ReadFile(in, buffer, sizeof buffer, &n, nullptr);
    std::lock_guard lock(gStopLock);
    if (!ok || n == 0) {
      Shared().Ended = true;
      gStopWake.notify_all();
      return;
    }
    Shared().Pieces.emplace_back(buffer, n);
    gStopWake.notify_all();
  }
}

}  // namespace

TConsoleEvents::TConsoleEvents() {
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  static std::once_flag started;
  std::call_once(started, [] { std::thread(ReadInput).detach(); });
}

TConsoleEvents::~TConsoleEvents() {
  ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

TConsoleEvents::TEvent TConsoleEvents::Wait(int timeoutMs, std::string& input) {
  std::unique_lock lock(gStopLock);
  TInput& state = Shared();
  auto ready = [&] {
    return gStopRequested || !state.Pieces.empty() || (state.Ended && state.Watching);
  };
  if (timeoutMs < 0) {
    gStopWake.wait(lock, ready);
  } else if (!gStopWake.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return TEvent::evTimeout;
  }
  if (gStopRequested) return TEvent::evStop;
  if (!state.Pieces.empty()) {
    input += state.Pieces.front();
    state.Pieces.pop_front();
    return TEvent::evInput;
  }
  state.Watching = false;
  return TEvent::evInputEnded;
}

}  // namespace quillara::platform
