// Process entry: the control window where a display exists, the headless controller otherwise.
#include <iostream>
#include <string>

#include "app/THeadless.h"
#include "app/TWebModule1.h"
#include "http/THTTPLimits.h"
#include "platform/TSystem.h"

#ifdef QUILLARA_WITH_GUI
#include "app/qt/GuiMain.h"
#endif

namespace {

int Usage() {
  std::cerr << "usage: quillara [--headless] [--port TEXT] [--limit NAME=VALUE]...\n"
               "limits: idle-timeout=SECONDS send-timeout=SECONDS max-connections=N\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  std::string port = "12388";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--headless") {
      headless = true;
    } else if (arg == "--port" && i + 1 < argc) {
      port = argv[++i];
    } else if (arg.rfind("--port=", 0) == 0) {
      port = arg.substr(7);
    } else if (arg == "--limit" && i + 1 < argc) {
      if (!quillara::SetHTTPLimit(argv[++i])) return Usage();
    } else {
      return Usage();
    }
  }
  quillara::platform::SetDefaultThreadStackSize(quillara::platform::kConnectionThreadStack);
  // The web module class reaches the request handler before anything else exists.
  quillara::TWebModule1::Register();
  using quillara::platform::EnvironmentVariable;
  // Decided before any window object exists: creating one without a display aborts.
  if (EnvironmentVariable("DISPLAY").empty() && EnvironmentVariable("WAYLAND_DISPLAY").empty())
    headless = true;
#ifdef QUILLARA_WITH_GUI
  if (!headless) return quillara::RunWindow(argc, argv, port);
#else
  (void)headless;  // built without the window: always headless
#endif
  return quillara::RunHeadless(port);
}
