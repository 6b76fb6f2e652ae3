#pragma once
// Starting a program the way the shell's "open" does: at once, without waiting for it.
#include <filesystem>

namespace quillara::platform {

// A native executable (ELF, or a script with "#!" and the execute bit) starts directly, a
// Windows executable through wine when wine is installed. Returns false when nothing could be
// started; never waits and never leaves a zombie.
bool ShellOpen(const std::filesystem::path& program);

}  // namespace quillara::platform
