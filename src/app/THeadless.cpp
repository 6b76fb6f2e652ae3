#include "app/THeadless.h"

#include <atomic>
#include <iostream>

#include "app/Messages.h"
#include "app/TServerControl.h"
#include "app/TStreamHandOver.h"
#include "base/Exceptions.h"
#include "base/Text.h"
#include "platform/TConsole.h"

namespace quillara {

namespace {

class THeadlessControl {
 public:
  explicit THeadlessControl(std::string portText) : FPortText(std::move(portText)) {}

  // Mirrors ButtonStartClick: errors go to standard error with the error box's text.
  void ButtonStartClick() {
    Report([&] { FControl.StartAndReadFolders(Utf8ToText(FPortText)); });
  }
  void ButtonStopClick() {
    Report([&] { FControl.StopOperation(); });
  }

  void ShowState() {
    if (FControl.LabelSTATO() != FShownLabel) {
      FShownLabel = FControl.LabelSTATO();
      std::cout << FShownLabel << std::endl;
    }
  }

  bool Active() const { return FControl.Active(); }

 private:
  template <class F>
  void Report(F action) {
    try {
      action();
    } catch (const std::exception& e) {
      std::cerr << ErrorBoxText(e.what()) << std::endl;
    }
    ShowState();
  }

  std::string FPortText;
  TServerControl FControl;
  std::string FShownLabel = kLabelStopped;
};

}  // namespace

int RunHeadless(const std::string& portText) {
  platform::TConsoleEvents events;

  // The window's one-second release of a downloaded stream, kept here by the poll timeout.
  std::atomic<bool> armed{false};
  TStreamHandOver::Instance().SetOnArm([&armed] { armed = true; });
  THeadlessControl control(portText);
  std::cout << FormatMessage(kConsoleAddressAndPort, {LocalAddressText(), portText}) << std::endl;
  // A registry error after a good start is only reported; a start that failed ends the process.
  control.ButtonStartClick();
  if (!control.Active()) return 1;

  std::string pending;
  for (;;) {
    using TEvent = platform::TConsoleEvents::TEvent;
    TEvent event = events.Wait(armed ? 1000 : -1, pending);
    if (event == TEvent::evError || event == TEvent::evStop) break;
    if (event == TEvent::evTimeout) {  // TimerFDestroy
      armed = false;
      TStreamHandOver::Instance().Release();
      continue;
    }
    if (event == TEvent::evInputEnded) continue;  // end of input: the server keeps running
    // A command is a short line: an endless one without a line break is dropped, not kept.
    if (pending.size() > 4096 && pending.find('\n') == std::string::npos) pending.clear();
    bool quit = false;
    for (size_t eol; !quit && (eol = pending.find('\n')) != std::string::npos;) {
      std::string command = LowerAscii(TrimBlanks(std::string_view(pending).substr(0, eol)));
      pending.erase(0, eol + 1);
      if (command == kCommandStart) {
        control.ButtonStartClick();
      } else if (command == kCommandStop) {
        control.ButtonStopClick();
      } else if (command == kCommandTerminate) {
        quit = true;
      } else if (!command.empty()) {
        std::cerr << FormatMessage(kUnknownCommand, {command}) << std::endl;
      }
    }
    if (quit) break;
  }
  control.ButtonStopClick();  // "Termina": the stop operation, then the end of the process
  TStreamHandOver::Instance().SetOnArm(nullptr);
  return 0;
}

}  // namespace quillara
