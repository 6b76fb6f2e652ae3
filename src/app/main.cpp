// Process entry: the control window where a display exists, the headless controller otherwise.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "app/THeadless.h"
#include "app/TWebModule1.h"
#include "base/Exceptions.h"
#include "http/TAccessLog.h"
#include "http/THTTPLimits.h"
#include "platform/SystemText.h"
#include "platform/TSystem.h"

#ifdef QUILLARA_WITH_GUI
#include "app/qt/GuiMain.h"
#endif
#ifdef QUILLARA_WITH_WIN32_GUI
#include "app/win32/GuiMain.h"
#endif

namespace {

using quillara::kUsage;

// The option's value, from "--name VALUE" or "--name=VALUE".
bool OptionValue(const std::string& name, int argc, char** argv, int& i, std::string& value) {
  std::string arg = argv[i];
  if (arg == name && i + 1 < argc) {
    value = argv[++i];
    return true;
  }
  if (arg.rfind(name + "=", 0) == 0) {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments = quillara::platform::CommandLineArguments(argc, argv);
  std::vector<char*> utf8Argv;
  for (std::string& argument : arguments) utf8Argv.push_back(argument.data());
  utf8Argv.push_back(nullptr);
  argc = int(arguments.size());
  argv = utf8Argv.data();
  bool headless = false;
  std::string port = "12388";
  std::string accessLog;
  bool accessLogGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--headless") {
      headless = true;
    } else if (arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--version") {
      std::cout << quillara::FormatMessage(quillara::kVersionLine, {QUILLARA_VERSION});
      return 0;
    } else if (OptionValue("--port", argc, argv, i, port)) {
    } else if (OptionValue("--access-log", argc, argv, i, accessLog)) {
      accessLogGiven = true;
    } else if (std::string limit; OptionValue("--limit", argc, argv, i, limit)) {
      if (!quillara::SetHTTPLimit(limit) && !quillara::TWebModule1::SetSessionLimit(limit)) {
        std::cerr << kUsage;
        return 2;
      }
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  quillara::platform::IgnoreWriteSignals();
  quillara::platform::ReturnLargeBlocksToTheSystem();
  quillara::platform::SetDefaultThreadStackSize(quillara::platform::kConnectionThreadStack);
  // The web module class reaches the request handler before anything else exists.
  quillara::TWebModule1::Register();
  // Decided before any window object exists: creating one without a display aborts.
  if (!quillara::platform::DisplayAvailable()) headless = true;
  // Headless, the log goes to standard output unless a file is named; the window has no such
  // output, so it keeps its log in the user's state folder.
  if (!headless && !accessLogGiven) accessLog = quillara::platform::AccessLogFileOfUser();
  try {
    quillara::TAccessLog::Install(std::make_unique<quillara::TAccessLog>(accessLog));
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
    if (accessLogGiven) return 1;  // the operator asked for that file
  }
#if defined(QUILLARA_WITH_GUI) || defined(QUILLARA_WITH_WIN32_GUI)
  if (!headless) return quillara::RunWindow(argc, argv, port);
#else
  (void)headless;  // built without the window: always headless
#endif
  return quillara::RunHeadless(port);
}
