#pragma once
// The Win32 control window's message loop.
#include <string>

namespace quillara {

int RunWindow(int argc, char** argv, const std::string& portText);

}  // namespace quillara
