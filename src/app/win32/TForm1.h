#pragma once
// The control window written with the Win32 API: state, local address, port, start/stop, and a
// tray icon to hide in. Same captions and behaviour as the Linux window, over the same
// TServerControl.
#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>

#include "app/TServerControl.h"

namespace quillara {

class TForm1 {
 public:
  // Control and menu identifiers, and the messages the window takes besides the system's.
  enum : int {
    idButtonStart = 101,
    idButtonStop,
    idButtonTERMINA,
    idButtonCHIUDI,
    idEditIP,
    idEditPort,
    idPopupApri = 201,
    idPopupAvvia,
    idPopupArresta,
    idPopupEsci,
    idTimer1 = 1,
    idTimerFDestroy = 2,
  };
  static constexpr UINT kTrayMessage = WM_APP + 1;  // the tray icon's notifications
  static constexpr UINT kArmMessage = WM_APP + 2;   // a download handed its stream over

  // Runs FormCreate: the server starts on portText at once.
  explicit TForm1(const std::string& portText = "12388");
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Shows an error box: empty title, error icon, OK.
  static std::function<void(HWND, const std::wstring&)> ShowErrorBox;
  // One turn of the message loop: every waiting message, then the idle handler. False once the
  // loop should end (WM_QUIT); wait makes it block until a message comes.
  bool ProcessMessages(bool wait);

  HWND Handle() const { return FHandle; }
  TServerControl& Control() { return FControl; }
  bool TrayIconVisible() const { return FTrayVisible; }

  HWND Label3{}, LabelSTATO{}, Label2{}, EditIP{}, Label1{}, EditPort{}, Image1{};
  HWND ButtonStart{}, ButtonStop{}, ButtonTERMINA{}, ButtonCHIUDI{};
  HMENU PopupMenu1{};

  void ButtonStartClick();
  void ButtonStopClick();
  void ButtonTERMINAClick();
  void popupEsciClick();
  void ApplicationEvents1Minimize();
  void ApplicationEvents1Idle();
  void TrayIcon1DblClick();
  void Timer1Timer();
  void TimerFDestroyTimer();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls(const std::string& portText);
  void FormCreate();
  void StopOperation();
  void ShowState();
  void ShowTrayMenu();
  bool ShowTrayIcon(bool show);
  template <class F>
  void Guard(F handler);

  HWND FHandle{};
  HFONT FFont{};
  HFONT FBoldFont{};
  HICON FIcon{};
  NOTIFYICONDATAW FTray{};
  bool FTrayVisible = false;
  bool FMinimizing = false;
  TServerControl FControl;
};

}  // namespace quillara
