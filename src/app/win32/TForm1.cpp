#include "app/win32/TForm1.h"

#include <commctrl.h>

#include "app/Messages.h"
#include "app/TStreamHandOver.h"
#include "base/Text.h"

namespace quillara {

namespace {

const wchar_t* const kClassName = L"TForm1";
constexpr int kClientWidth = 389;
constexpr int kClientHeight = 134;

std::wstring Wide(const std::string& utf8) {
  Text text = Utf8ToText(utf8);
  return std::wstring(text.begin(), text.end());
}

std::wstring WindowText(HWND window) {
  std::wstring text(size_t(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(size_t(::GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

void RegisterClassOnce(HINSTANCE instance) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = DefWindowProcW;  // replaced per window once its object is attached
  c.hInstance = instance;
  c.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  c.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.lpszClassName = kClassName;
  ::RegisterClassExW(&c);
  registered = true;
}

}  // namespace

std::function<void(HWND, const std::wstring&)> TForm1::ShowErrorBox = [](HWND owner,
                                                                         const std::wstring& text) {
  // The application's title is empty, and so is the box's.
  ::MessageBoxW(owner, text.c_str(), L"", MB_ICONERROR | MB_OK);
};

template <class F>
void TForm1::Guard(F handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowErrorBox(FHandle, Wide(ErrorBoxText(e.what())));
  }
}

TForm1::TForm1(const std::string& portText) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  RegisterClassOnce(instance);
  // A tool window without caption buttons: closing goes through "Termina" or the tray menu.
  DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
  RECT r{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  int width = r.right - r.left, height = r.bottom - r.top;
  int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
      y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  FHandle = ::CreateWindowExW(exStyle, kClassName, L"", style, x, y, width, height, nullptr,
                              nullptr, instance, nullptr);
  ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::WindowProc));
  FIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  CreateControls(portText);

  // A download hands its stream over on a request thread; the timer is armed on ours.
  HWND window = FHandle;
  TStreamHandOver::Instance().SetOnArm([window] { ::PostMessageW(window, kArmMessage, 0, 0); });
  FormCreate();
}

TForm1::~TForm1() {
  TStreamHandOver::Instance().SetOnArm(nullptr);
  ShowTrayIcon(false);
  if (::IsWindow(FHandle)) {
    ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    ::DestroyWindow(FHandle);
  }
  if (PopupMenu1) ::DestroyMenu(PopupMenu1);
  for (HGDIOBJ font : {static_cast<HGDIOBJ>(FFont), static_cast<HGDIOBJ>(FBoldFont)})
    if (font) ::DeleteObject(font);
  if (FIcon) ::DestroyIcon(FIcon);
}

void TForm1::CreateControls(const std::string& portText) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  HDC screen = ::GetDC(nullptr);
  int fontHeight = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
  ::ReleaseDC(nullptr, screen);
  FFont = ::CreateFontW(fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                        L"Tahoma");
  FBoldFont = ::CreateFontW(fontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                            L"Tahoma");
  auto make = [&](const wchar_t* kind, const std::wstring& text, DWORD style, int x, int y, int w,
                  int h, int id, DWORD exStyle = 0) {
    HWND control = ::CreateWindowExW(
        exStyle, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, FHandle,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    return control;
  };
  Label3 = make(L"STATIC", Wide(kCaptionState), 0, 16, 16, 44, 16, -1);
  LabelSTATO = make(L"STATIC", Wide(kLabelStopped), 0, 64, 16, 260, 16, -1);
  ::SendMessageW(LabelSTATO, WM_SETFONT, reinterpret_cast<WPARAM>(FBoldFont), FALSE);
  Label2 = make(L"STATIC", Wide(kCaptionAddress), 0, 16, 44, 44, 16, -1);
  EditIP = make(L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, 64, 41, 140, 21, idEditIP,
                WS_EX_CLIENTEDGE);
  Label1 = make(L"STATIC", Wide(kCaptionPort), 0, 16, 72, 44, 16, -1);
  EditPort = make(L"EDIT", Wide(portText), ES_AUTOHSCROLL | WS_TABSTOP, 64, 69, 80, 21, idEditPort,
                  WS_EX_CLIENTEDGE);
  Image1 = make(L"STATIC", L"", SS_ICON, 340, 12, 32, 32, -1);
  ::SendMessageW(Image1, STM_SETICON, reinterpret_cast<WPARAM>(FIcon), 0);
  ButtonStart = make(L"BUTTON", Wide(kCaptionStart), BS_PUSHBUTTON | WS_TABSTOP, 16, 100, 80, 25,
                     idButtonStart);
  ButtonStop = make(L"BUTTON", Wide(kCaptionStop), BS_PUSHBUTTON | WS_TABSTOP, 104, 100, 80, 25,
                    idButtonStop);
  ButtonTERMINA = make(L"BUTTON", Wide(kCaptionTerminate), BS_PUSHBUTTON | WS_TABSTOP, 192, 100, 80,
                       25, idButtonTERMINA);
  ButtonCHIUDI = make(L"BUTTON", Wide(kCaptionMinimize), BS_PUSHBUTTON | WS_TABSTOP, 280, 100, 93,
                      25, idButtonCHIUDI);

  PopupMenu1 = ::CreatePopupMenu();
  ::AppendMenuW(PopupMenu1, MF_STRING, idPopupApri, Wide(kMenuOpen).c_str());
  ::AppendMenuW(PopupMenu1, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(PopupMenu1, MF_STRING, idPopupAvvia, Wide(kCaptionStart).c_str());
  ::AppendMenuW(PopupMenu1, MF_STRING, idPopupArresta, Wide(kCaptionStop).c_str());
  ::AppendMenuW(PopupMenu1, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(PopupMenu1, MF_STRING, idPopupEsci, Wide(kMenuExit).c_str());

  FTray.cbSize = sizeof FTray;
  FTray.hWnd = FHandle;
  FTray.uID = 1;
  FTray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  FTray.uCallbackMessage = kTrayMessage;
  FTray.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON),
                                                ::GetSystemMetrics(SM_CYSMICON), 0));
  lstrcpynW(FTray.szTip, Wide(kTrayTip).c_str(), ARRAYSIZE(FTray.szTip));
}

void TForm1::FormCreate() {
  ::SetWindowTextW(EditIP, Wide(LocalAddressText()).c_str());
  bool started = false;
  std::wstring port = WindowText(EditPort);
  Guard([&] {
    FControl.StartAndReadFolders(Text(port.begin(), port.end()));
    started = true;
  });
  ShowState();
  // After a failed start the window stays on screen, stopped.
  if (started) ::SetTimer(FHandle, idTimer1, 1, nullptr);
  ApplicationEvents1Idle();
  ::ShowWindow(FHandle, SW_SHOWNORMAL);
}

void TForm1::ShowState() {
  ::SetWindowTextW(LabelSTATO, Wide(FControl.LabelSTATO()).c_str());
  ::EnableMenuItem(PopupMenu1, idPopupAvvia,
                   MF_BYCOMMAND | (FControl.PopupAvviaEnabled() ? MF_ENABLED : MF_GRAYED));
  ::EnableMenuItem(PopupMenu1, idPopupArresta,
                   MF_BYCOMMAND | (FControl.PopupArrestaEnabled() ? MF_ENABLED : MF_GRAYED));
}

void TForm1::ButtonStartClick() {
  std::wstring port = WindowText(EditPort);
  Guard([&] { FControl.StartAndReadFolders(Text(port.begin(), port.end())); });
  ShowState();
  ApplicationEvents1Idle();
}

void TForm1::StopOperation() {
  Guard([&] { FControl.StopOperation(); });
  ShowState();
  ApplicationEvents1Idle();
}

void TForm1::ButtonStopClick() {
  StopOperation();
}

void TForm1::ButtonTERMINAClick() {
  StopOperation();
  ::PostMessageW(FHandle, WM_CLOSE, 0, 0);
}

void TForm1::popupEsciClick() {
  ::PostMessageW(FHandle, WM_CLOSE, 0, 0);
}

bool TForm1::ShowTrayIcon(bool show) {
  if (show == FTrayVisible) return true;
  if (!::Shell_NotifyIconW(show ? NIM_ADD : NIM_DELETE, &FTray) && show) return false;
  FTrayVisible = show;
  return true;
}

void TForm1::ApplicationEvents1Minimize() {
  if (FMinimizing) return;
  FMinimizing = true;
  if (ShowTrayIcon(true)) {
    // Hidden is this system's minimised-to-tray state: showing it again restores it.
    ::ShowWindow(FHandle, SW_HIDE);
  } else {
    // Without a tray a hidden window could never be reached again.
    ::ShowWindow(FHandle, SW_MINIMIZE);
  }
  FMinimizing = false;
}

void TForm1::TrayIcon1DblClick() {
  ShowTrayIcon(false);
  ::ShowWindow(FHandle, SW_SHOWNORMAL);
  ::SetForegroundWindow(FHandle);
}

void TForm1::Timer1Timer() {
  ::KillTimer(FHandle, idTimer1);
  ApplicationEvents1Minimize();
}

void TForm1::ApplicationEvents1Idle() {
  bool active = FControl.Active();
  ::EnableWindow(ButtonStart, !active);
  ::EnableWindow(ButtonStop, active);
  ::EnableWindow(EditPort, !active);
}

void TForm1::TimerFDestroyTimer() {
  ::KillTimer(FHandle, idTimerFDestroy);
  TStreamHandOver::Instance().Release();
}

void TForm1::ShowTrayMenu() {
  POINT at;
  ::GetCursorPos(&at);
  // The menu closes when clicked elsewhere only if the window is in the foreground.
  ::SetForegroundWindow(FHandle);
  ::TrackPopupMenu(PopupMenu1, TPM_RIGHTBUTTON, at.x, at.y, 0, FHandle, nullptr);
  ::PostMessageW(FHandle, WM_NULL, 0, 0);
}

bool TForm1::ProcessMessages(bool wait) {
  MSG message;
  if (wait && !::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    ApplicationEvents1Idle();
    ::WaitMessage();
  }
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(int(message.wParam));  // left for the caller's loop to see as well
      return false;
    }
    if (!::IsDialogMessageW(FHandle, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  // The message queue running empty is the idle moment.
  ApplicationEvents1Idle();
  return true;
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TForm1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return form->Handle(message, wParam, lParam);
}

LRESULT TForm1::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case idButtonStart:
        case idPopupAvvia:
          ButtonStartClick();
          return 0;
        case idButtonStop:
        case idPopupArresta:
          ButtonStopClick();
          return 0;
        case idButtonTERMINA:
          ButtonTERMINAClick();
          return 0;
        case idButtonCHIUDI:
          ApplicationEvents1Minimize();
          return 0;
        case idPopupApri:
          TrayIcon1DblClick();
          return 0;
        case idPopupEsci:
          popupEsciClick();
          return 0;
        default:
          break;
      }
      break;
    case WM_TIMER:
      if (wParam == idTimer1) Timer1Timer();
      if (wParam == idTimerFDestroy) TimerFDestroyTimer();
      return 0;
    case kArmMessage:
      ::SetTimer(FHandle, idTimerFDestroy, 1000, nullptr);
      return 0;
    case kTrayMessage:
      if (LOWORD(lParam) == WM_LBUTTONDBLCLK) TrayIcon1DblClick();
      if (LOWORD(lParam) == WM_RBUTTONUP || LOWORD(lParam) == WM_CONTEXTMENU) ShowTrayMenu();
      return 0;
    case WM_SYSCOMMAND:
      // The application being minimised sends the window to the tray.
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        ApplicationEvents1Minimize();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // The labels take the window's face colour rather than a white box.
      if (reinterpret_cast<HWND>(lParam) != EditIP) {
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_CLOSE:
      ShowTrayIcon(false);
      ::DestroyWindow(FHandle);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(FHandle, message, wParam, lParam);
}

}  // namespace quillara
