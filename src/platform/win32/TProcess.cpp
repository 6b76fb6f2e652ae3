#include "platform/TProcess.h"

#include <windows.h>

#include <shellapi.h>

namespace quillara::platform {

namespace {

// Process handles are 32-bit values sign-extended, so the marker's int holds one.
HANDLE AsHandle(int marker) {
  return reinterpret_cast<HANDLE>(intptr_t(marker));
}

}  // namespace

TStartedProgram& TStartedProgram::operator=(TStartedProgram&& other) noexcept {
  if (this != &other) {
    if (FMarker >= 0) ::CloseHandle(AsHandle(FMarker));
    FMarker = other.FMarker;
    other.FMarker = -1;
  }
  return *this;
}

TStartedProgram::~TStartedProgram() {
  if (FMarker >= 0) ::CloseHandle(AsHandle(FMarker));
}

// The program's own process: a program it started itself is not followed.
bool TStartedProgram::Running() const {
  if (FMarker < 0) return false;
  return ::WaitForSingleObject(AsHandle(FMarker), 0) == WAIT_TIMEOUT;
}

TStartedProgram ShellOpen(const std::filesystem::path& program) {
  DWORD attributes = ::GetFileAttributesW(program.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = program.c_str();
  info.nShow = SW_SHOWNORMAL;  // no working folder: the exporter finds its files by itself
  if (!::ShellExecuteExW(&info)) return {};
  if (info.hProcess == nullptr) return TStartedProgram();
  auto value = reinterpret_cast<intptr_t>(info.hProcess);
  if (value < 0 || value > 0x7FFFFFFF) {
    ::CloseHandle(info.hProcess);
    return {};
  }
  return TStartedProgram(int(value));
}

}  // namespace quillara::platform
