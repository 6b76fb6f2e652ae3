#include "app/win32/GuiMain.h"

#include "app/win32/TForm1.h"

namespace quillara {

int RunWindow(int, char**, const std::string& portText) {
  // Started from Explorer, the console made for this program has nothing to show: let it go.
  DWORD processes[2];
  if (::GetConsoleProcessList(processes, 2) == 1) ::FreeConsole();
  TForm1 form(portText);
  while (form.ProcessMessages(true)) {
  }
  MSG quit;
  ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  return int(quit.wParam);
}

}  // namespace quillara
