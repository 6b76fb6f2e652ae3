#pragma once
// The control window's stand-in without a display: the same start/stop operations, driven by
// lines on standard input and by SIGINT/SIGTERM, reporting on standard output.
#include <string>

namespace quillara {

// Returns the process exit status: 0 after "Termina" or a signal, 1 when the start at launch fails.
int RunHeadless(const std::string& portText);

}  // namespace quillara
