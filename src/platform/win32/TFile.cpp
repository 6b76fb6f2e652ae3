#include "platform/TFile.h"

#include <windows.h>

#include <atomic>
#include <utility>

#include "platform/win32/Win32Text.h"

namespace quillara::platform {

namespace fs = std::filesystem;

namespace {

HANDLE AsHandle(intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

struct THandle {
  HANDLE Value = INVALID_HANDLE_VALUE;
  explicit THandle(HANDLE value) : Value(value) {}
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  ~THandle() {
    if (Value != INVALID_HANDLE_VALUE) ::CloseHandle(Value);
  }
};

}  // namespace

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    Close();
    FHandle = std::exchange(other.FHandle, -1);
  }
  return *this;
}

void TFile::Close() {
  if (FHandle != -1) ::CloseHandle(AsHandle(std::exchange(FHandle, -1)));
}

size_t TFile::ReadAt(void* buffer, size_t count, int64_t offset) const {
  OVERLAPPED at{};
  at.Offset = DWORD(uint64_t(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = DWORD(uint64_t(offset) >> 32);
  DWORD read = 0;
  DWORD wanted = count > 0x40000000u ? 0x40000000u : DWORD(count);
  if (!::ReadFile(AsHandle(FHandle), buffer, wanted, &read, &at)) return 0;
  return read;
}

TFile OpenWithoutSharing(const fs::path& file, TFileResult& result) {
  HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  result.Error = h == INVALID_HANDLE_VALUE ? int(::GetLastError()) : 0;
  if (h == INVALID_HANDLE_VALUE) return {};
  return TFile(reinterpret_cast<intptr_t>(h));
}

TFile OpenForStreaming(const fs::path& file, bool regularOnly, int64_t& size, TFileResult& result) {
  // Sharing deletion too, as on POSIX: a file being sent can be replaced meanwhile (a package
  // rebuilt by a parallel request) while this handle keeps reading the old bytes.
  HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    // A folder does not open without backup semantics: say so as the POSIX build does.
    DWORD attributes = ::GetFileAttributesW(file.c_str());
    bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    result.Error = folder ? int(ERROR_DIRECTORY) : int(error);
    return {};
  }
  TFile opened(reinterpret_cast<intptr_t>(h));
  result.Error = 0;
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    if (regularOnly) return {};
    size = 0;
    return opened;
  }
  LARGE_INTEGER length{};
  if (!::GetFileSizeEx(h, &length)) {
    result.Error = int(::GetLastError());
    return {};
  }
  size = length.QuadPart;
  return opened;
}

TFileResult ReplaceWholeFile(const fs::path& local, const std::string& bytes) {
  // Without sharing: anyone holding the present file makes the write fail.
  {
    THandle present(::CreateFileW(local.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
    if (present.Value == INVALID_HANDLE_VALUE) {
      DWORD error = ::GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return {int(error)};
    }
  }
  DWORD attributes = ::GetFileAttributesW(local.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return {int(ERROR_DIRECTORY)};

  static std::atomic<unsigned> counter{0};
  fs::path temporary;
  HANDLE out = INVALID_HANDLE_VALUE;
  for (int attempt = 0; out == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = local.parent_path() / (".quillara-" + std::to_string(::GetCurrentProcessId()) +
                                       "-" + std::to_string(counter++) + ".tmp");
    out = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE && (::GetLastError() != ERROR_FILE_EXISTS || attempt > 100))
      return {int(::GetLastError())};
  }
  THandle written(out);
  const char* p = bytes.data();
  size_t left = bytes.size();
  DWORD error = 0;
  while (left > 0 && error == 0) {
    DWORD n = 0;
    DWORD piece = left > 0x40000000u ? 0x40000000u : DWORD(left);
    if (!::WriteFile(out, p, piece, &n, nullptr) || n == 0)
      error = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
    p += n;
    left -= n;
  }
  if (error == 0 && !::FlushFileBuffers(out)) error = ::GetLastError();
  ::CloseHandle(std::exchange(written.Value, INVALID_HANDLE_VALUE));
  if (error == 0 && !::MoveFileExW(temporary.c_str(), local.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = ::GetLastError();
  if (error != 0) {
    ::DeleteFileW(temporary.c_str());
    return {int(error)};
  }
  return {};
}

TFileResult SharingViolation() {
  return {int(ERROR_SHARING_VIOLATION)};
}

std::string FileErrorText(int error) {
  return SystemErrorText(DWORD(error));
}

}  // namespace quillara::platform
