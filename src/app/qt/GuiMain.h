#pragma once
#include <string>

namespace quillara {

// Creates the application and the control window and runs the message loop until it closes.
int RunWindow(int argc, char** argv, const std::string& portText);

}  // namespace quillara
