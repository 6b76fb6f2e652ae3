// The Win32 control window driven through its messages, with the real error boxes read and
// closed by a watcher thread (run under Wine with a headless X server in CI).
#include "app/win32/TForm1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/TSystem.h"
#include "support/TestSockets.h"

using namespace quillara;
using quillara::testing::ConnectSocket;
using quillara::testing::FreePort;

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

bool Listening(int port) {
  return ConnectSocket("127.0.0.1", port).Valid();
}

bool MenuEnabled(HMENU menu, int id) {
  return !(::GetMenuState(menu, UINT(id), MF_BYCOMMAND) & MF_GRAYED);
}

// Turns of the window's message loop until the condition holds or the time is up.
template <class F>
bool PumpUntil(TForm1& form, F condition, int ms = 3000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    form.ProcessMessages(false);
    ::Sleep(5);
  }
  return true;
}

void Click(HWND button) {
  ::SendMessageW(button, BM_CLICK, 0, 0);
}

// Answers every error box of this process: records its title and text, then presses OK.
class TErrorBoxes {
 public:
  TErrorBoxes() : FThread([this] { Run(); }) {}
  ~TErrorBoxes() {
    FStop = true;
    FThread.join();
  }
  std::vector<std::wstring> Texts() {
    std::lock_guard lock(FLock);
    return FTexts;
  }
  std::vector<std::wstring> Titles() {
    std::lock_guard lock(FLock);
    return FTitles;
  }

 private:
  void Run() {
    while (!FStop) {
      ::EnumWindows(&TErrorBoxes::Visit, reinterpret_cast<LPARAM>(this));
      ::Sleep(20);
    }
  }
  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t kind[64] = {};
    ::GetClassNameW(window, kind, 64);
    if (process != ::GetCurrentProcessId() || std::wstring(kind) != L"#32770" ||
        !::IsWindowVisible(window))
      return TRUE;
    auto* boxes = reinterpret_cast<TErrorBoxes*>(self);
    std::lock_guard lock(boxes->FLock);
    // A box being closed may still be found on the next round.
    if (std::find(boxes->FAnswered.begin(), boxes->FAnswered.end(), window) !=
        boxes->FAnswered.end())
      return TRUE;
    boxes->FAnswered.push_back(window);
    boxes->FTexts.push_back(TextOf(::GetDlgItem(window, 0xFFFF)));
    boxes->FTitles.push_back(TextOf(window));
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
  }

  std::mutex FLock;
  std::vector<std::wstring> FTexts, FTitles;
  std::vector<HWND> FAnswered;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

// The window as a 24-bit BMP, taken from the screen as it is shown.
void SaveScreenshot(HWND window, const std::string& file) {
  RECT r;
  ::GetWindowRect(window, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  int stride = (w * 3 + 3) & ~3;
  std::vector<char> pixels(size_t(stride) * size_t(h));
  ::GetDIBits(memory, bitmap, 0, UINT(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
  BITMAPFILEHEADER head{};
  head.bfType = 0x4D42;
  head.bfOffBits = sizeof head + sizeof info;
  head.bfSize = DWORD(head.bfOffBits + pixels.size());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&head), sizeof head);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), std::streamsize(pixels.size()));
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
}

// Shown when the tray icon is visible and the window hidden, or (without a tray) minimised.
bool InTheTray(TForm1& form) {
  return form.TrayIconVisible() ? !::IsWindowVisible(form.Handle())
                                : ::IsIconic(form.Handle()) != 0;
}

}  // namespace

TEST(Win32TForm1, StartsRunningThenHidesIntoTheTray) {
  TErrorBoxes boxes;
  int port = FreePort();
  TForm1 form(std::to_string(port));
  EXPECT_EQ(TextOf(form.LabelSTATO), L"Server in funzione");
  EXPECT_TRUE(Listening(port));
  EXPECT_FALSE(::IsWindowEnabled(form.ButtonStart));
  EXPECT_TRUE(::IsWindowEnabled(form.ButtonStop));
  EXPECT_FALSE(::IsWindowEnabled(form.EditPort));
  EXPECT_FALSE(MenuEnabled(form.PopupMenu1, TForm1::idPopupAvvia));
  EXPECT_TRUE(MenuEnabled(form.PopupMenu1, TForm1::idPopupArresta));
  EXPECT_FALSE(TextOf(form.EditIP).empty());
  for (auto [control, caption] : {std::pair{form.Label3, L"Stato:"},
                                  {form.Label2, L"Ip:"},
                                  {form.Label1, L"Porta:"},
                                  {form.ButtonStart, L"Avvia"},
                                  {form.ButtonStop, L"Arresta"},
                                  {form.ButtonTERMINA, L"Termina"},
                                  {form.ButtonCHIUDI, L"Riduci a icona"}})
    EXPECT_EQ(TextOf(control), caption);
  RECT client;
  ::GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 389);
  EXPECT_EQ(client.bottom, 134);
  // Timer1 sends the window away as soon as the loop runs.
  EXPECT_TRUE(PumpUntil(form, [&] { return InTheTray(form); }));
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST(Win32TForm1, StopAndStartFollowTheStateTable) {
  int port = FreePort();
  TForm1 form(std::to_string(port));
  PumpUntil(form, [&] { return InTheTray(form); });
  Click(form.ButtonStop);
  EXPECT_EQ(TextOf(form.LabelSTATO), L"Server non in funzione");
  EXPECT_FALSE(Listening(port));
  form.ProcessMessages(false);
  EXPECT_TRUE(::IsWindowEnabled(form.ButtonStart));
  EXPECT_FALSE(::IsWindowEnabled(form.ButtonStop));
  EXPECT_TRUE(::IsWindowEnabled(form.EditPort));
  EXPECT_TRUE(MenuEnabled(form.PopupMenu1, TForm1::idPopupAvvia));
  EXPECT_FALSE(MenuEnabled(form.PopupMenu1, TForm1::idPopupArresta));
  // The tray menu's "Avvia" runs the same start.
  ::SendMessageW(form.Handle(), WM_COMMAND, TForm1::idPopupAvvia, 0);
  EXPECT_EQ(TextOf(form.LabelSTATO), L"Server in funzione");
  EXPECT_TRUE(Listening(port));
  ::SendMessageW(form.Handle(), WM_COMMAND, TForm1::idPopupArresta, 0);
  EXPECT_FALSE(Listening(port));
}

TEST(Win32TForm1, StartErrorsShowTheErrorBoxAndLeaveTheWindowStopped) {
  int port = FreePort();
  TForm1 first(std::to_string(port));
  TErrorBoxes boxes;
  {
    TForm1 second(std::to_string(port));  // the box comes up during creation
    EXPECT_EQ(TextOf(second.LabelSTATO), L"Server non in funzione");
    EXPECT_FALSE(PumpUntil(
        second, [&] { return InTheTray(second); }, 300));  // Timer1 never armed
    EXPECT_TRUE(::IsWindowVisible(second.Handle()));

    ::SetWindowTextW(second.EditPort, L"abc");
    Click(second.ButtonStart);
    EXPECT_EQ(TextOf(second.LabelSTATO), L"Server non in funzione");
  }
  EXPECT_TRUE(Listening(port));  // the first one kept serving
  std::vector<std::wstring> expected = {
      L"Could not bind socket. Address and port are already in use.",
      L"'abc' is not a valid integer value."};
  EXPECT_EQ(boxes.Texts(), expected);
  EXPECT_EQ(boxes.Titles(), std::vector<std::wstring>(2, L""));
}

TEST(Win32TForm1, HidesAndComesBackThroughTheTray) {
  TForm1 form(std::to_string(FreePort()));
  PumpUntil(form, [&] { return InTheTray(form); });
  // Double click on the tray icon.
  ::SendMessageW(form.Handle(), TForm1::kTrayMessage, 1, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(::IsWindowVisible(form.Handle()));
  EXPECT_FALSE(::IsIconic(form.Handle()));
  EXPECT_FALSE(form.TrayIconVisible());
  PumpUntil(
      form, [] { return false; }, 300);
  std::string shot = platform::EnvironmentVariable("QUILLARA_SCREENSHOT");
  if (!shot.empty()) SaveScreenshot(form.Handle(), shot);

  Click(form.ButtonCHIUDI);
  EXPECT_TRUE(InTheTray(form));
  ::SendMessageW(form.Handle(), WM_COMMAND, TForm1::idPopupApri, 0);
  EXPECT_TRUE(::IsWindowVisible(form.Handle()));
  // The application being minimised goes to the tray as well.
  ::SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(InTheTray(form));
}

TEST(Win32TForm1, TerminaStopsAndEndsTheLoopEsciEndsIt) {
  for (int id : {int(TForm1::idButtonTERMINA), int(TForm1::idPopupEsci)}) {
    int port = FreePort();
    TForm1 form(std::to_string(port));
    ::SendMessageW(form.Handle(), WM_COMMAND, WPARAM(id), 0);
    if (id == TForm1::idButtonTERMINA) {
      EXPECT_EQ(TextOf(form.LabelSTATO), L"Server non in funzione");
    }
    bool ended = false;
    PumpUntil(form, [&] { return ended = !form.ProcessMessages(false); });
    EXPECT_TRUE(ended);
    EXPECT_FALSE(::IsWindow(form.Handle()));
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }
}
