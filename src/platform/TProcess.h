#pragma once
// Starting a program the way the shell's "open" does: at once, without waiting for it.
#include <filesystem>

namespace quillara::platform {

// A program started by ShellOpen. It is never waited for; it only tells whether the program,
// and whatever it started that is still running, has ended.
class TStartedProgram {
 public:
  TStartedProgram() = default;
  explicit TStartedProgram(int marker) : FMarker(marker) {}
  TStartedProgram(TStartedProgram&& other) noexcept : FMarker(other.FMarker) { other.FMarker = -1; }
  TStartedProgram& operator=(TStartedProgram&& other) noexcept;
  TStartedProgram(const TStartedProgram&) = delete;
  TStartedProgram& operator=(const TStartedProgram&) = delete;
  ~TStartedProgram();

  explicit operator bool() const { return FMarker >= 0; }
  bool Running() const;

 private:
  // Read end of a pipe whose write end only the started program holds: it reaches end of file
  // when the program and every process that inherited it have ended.
  int FMarker = -1;
};

// A native executable (ELF, or a script with "#!" and the execute bit) starts directly, a
// Windows executable through wine when wine is installed. Empty when nothing could be started;
// never leaves a zombie.
TStartedProgram ShellOpen(const std::filesystem::path& program);

}  // namespace quillara::platform
