#include "platform/TLogFile.h"

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "platform/Messages.h"

namespace quillara::platform {

namespace {

int OpenForAppending(const std::string& fileName) {
  return ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
}

std::atomic<bool> gReopenRequested{false};

void OnHangUp(int) {
  gReopenRequested = true;
}

}  // namespace

TLogFile::TLogFile(std::string fileName) : FFileName(std::move(fileName)) {
  if (FFileName.empty()) return;
  FHandle = OpenForAppending(FFileName);
  if (FHandle < 0) {
    char buf[256];
    throw std::runtime_error(
        CannotOpenAccessLogText(FFileName, ::strerror_r(errno, buf, sizeof buf)));
  }
}

TLogFile::~TLogFile() {
  if (FHandle > 2) ::close(FHandle);
}

void TLogFile::Write(const std::string& lines) {
  const char* p = lines.data();
  size_t left = lines.size();
  while (left > 0) {
    ssize_t n = ::write(FHandle, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a full disk loses log lines, never requests
    p += n;
    left -= size_t(n);
  }
}

void TLogFile::Reopen() {
  if (FFileName.empty()) return;
  int handle = OpenForAppending(FFileName);
  if (handle < 0) return;
  ::close(FHandle);
  FHandle = handle;
}

void WatchReopenSignal() {
  struct sigaction action {};
  action.sa_handler = OnHangUp;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGHUP, &action, nullptr);
}

bool TakeReopenRequest() {
  return gReopenRequested.exchange(false);
}

}  // namespace quillara::platform
