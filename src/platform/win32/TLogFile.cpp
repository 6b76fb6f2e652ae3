#include "platform/TLogFile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdexcept>

#include "platform/Messages.h"
#include "platform/win32/Win32Text.h"

namespace quillara::platform {

namespace {

// A handle opened for appending only: every write lands at the end as one piece, whoever else
// appends. Kept as a C runtime descriptor, as the class holds one.
int OpenForAppending(const std::string& fileName, DWORD& error) {
  HANDLE h = ::CreateFileW(WideOf(fileName).c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return -1;
  }
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_APPEND | _O_BINARY);
  if (fd < 0) {
    error = ::GetLastError();
    ::CloseHandle(h);
  }
  return fd;
}

}  // namespace

TLogFile::TLogFile(std::string fileName) : FFileName(std::move(fileName)) {
  if (FFileName.empty()) return;  // standard output, in the console's own line ends
  DWORD error = 0;
  FHandle = OpenForAppending(FFileName, error);
  if (FHandle < 0)
    throw std::runtime_error(CannotOpenAccessLogText(FFileName, SystemErrorText(error)));
}

TLogFile::~TLogFile() {
  if (FHandle > 2) ::_close(FHandle);
}

void TLogFile::Write(const std::string& lines) {
  const char* p = lines.data();
  size_t left = lines.size();
  while (left > 0) {
    int n = ::_write(FHandle, p, unsigned(left > 0x10000000u ? 0x10000000u : left));
    if (n <= 0) return;  // a full disk loses log lines, never requests
    p += n;
    left -= size_t(n);
  }
}

void TLogFile::Reopen() {
  if (FFileName.empty()) return;
  DWORD error = 0;
  int handle = OpenForAppending(FFileName, error);
  if (handle < 0) return;
  ::_close(FHandle);
  FHandle = handle;
}

// No hang-up signal here: rotation tools on this system copy and truncate instead.
void WatchReopenSignal() {}

bool TakeReopenRequest() {
  return false;
}

}  // namespace quillara::platform
