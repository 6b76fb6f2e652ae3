#include "app/win32/GuiMain.h"

#include "app/THeadless.h"

namespace quillara {

int RunWindow(int, char**, const std::string& portText) { return RunHeadless(portText); }

}  // namespace quillara
