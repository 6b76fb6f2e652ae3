#include "platform/TProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

#include <fstream>
#include <string>
#include <vector>

namespace quillara::platform {

namespace {

std::string WinePath() {
  for (const char* dir :
       {"/usr/bin/wine", "/usr/local/bin/wine", "/usr/lib/wine/wine64", "/usr/lib/wine/wine"})
    if (::access(dir, X_OK) == 0) return dir;
  return {};
}

}  // namespace

TStartedProgram& TStartedProgram::operator=(TStartedProgram&& other) noexcept {
  if (this != &other) {
    if (FMarker >= 0) ::close(FMarker);
    FMarker = other.FMarker;
    other.FMarker = -1;
  }
  return *this;
}

TStartedProgram::~TStartedProgram() {
  if (FMarker >= 0) ::close(FMarker);
}

bool TStartedProgram::Running() const {
  if (FMarker < 0) return false;
  pollfd p{FMarker, POLLIN, 0};
  int n;
  while ((n = ::poll(&p, 1, 0)) < 0 && errno == EINTR) {
  }
  // Nobody ever writes: readable or hung up means every holder of the write end is gone.
  return n == 0;
}

TStartedProgram ShellOpen(const std::filesystem::path& program) {
  struct stat st {};
  if (::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  char magic[4] = {0, 0, 0, 0};
  std::ifstream(program, std::ios::binary).read(magic, 4);
  std::vector<std::string> args;
  bool native = (magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F') ||
                (magic[0] == '#' && magic[1] == '!');
  if (native) {
    if (::access(program.c_str(), X_OK) != 0) return {};
    args = {program.string()};
  } else if (magic[0] == 'M' && magic[1] == 'Z') {
    std::string wine = WinePath();
    if (wine.empty()) return {};
    args = {wine, program.string()};
  } else {
    return {};
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::string folder = program.parent_path().string();
  // Two forks: the program is adopted by init at once, so nothing waits for it and no zombie
  // stays behind. Between fork and exec only async-signal-safe calls are made.
  int marker[2];
  if (::pipe2(marker, O_CLOEXEC) != 0) return {};
  pid_t child = ::fork();
  if (child < 0) {
    ::close(marker[0]);
    ::close(marker[1]);
    return {};
  }
  if (child == 0) {
    ::setsid();
    if (::fork() == 0) {
      ::fcntl(marker[1], F_SETFD, 0);  // the program keeps the write end across exec
      int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
      }
      if (::chdir(folder.c_str()) != 0) _exit(127);
      ::execv(argv[0], argv.data());
      _exit(127);
    }
    _exit(0);
  }
  ::close(marker[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return TStartedProgram(marker[0]);
}

}  // namespace quillara::platform
