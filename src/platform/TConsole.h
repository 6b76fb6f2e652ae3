#pragma once
// What a console program waits for between commands: lines on standard input, the stop
// requests of the console (Ctrl+C, termination) and a timeout.
#include <memory>
#include <string>

namespace quillara::platform {

class TConsoleEvents {
 public:
  // From here on the stop requests are taken by Wait, so they act between commands, never
  // inside one.
  TConsoleEvents();
  ~TConsoleEvents();
  TConsoleEvents(const TConsoleEvents&) = delete;
  TConsoleEvents& operator=(const TConsoleEvents&) = delete;

  enum class TEvent { evInput, evInputEnded, evStop, evTimeout, evError };
  // Waits up to timeoutMs (-1: without limit). evInput appends what was read to input; after
  // evInputEnded standard input is no longer watched.
  TEvent Wait(int timeoutMs, std::string& input);

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

}  // namespace quillara::platform
