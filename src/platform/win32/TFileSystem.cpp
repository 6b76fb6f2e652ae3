#include <windows.h>
// The header's DeleteFile is ours, not the wide-or-narrow macro.
#undef DeleteFile

#include "platform/TFileSystem.h"

#include <atomic>
#include <utility>
#include <vector>

#include "platform/win32/Win32Text.h"

namespace quillara::platform {

namespace {

// FILETIME counts 100 ns steps from 1601; the Unix epoch is this many steps later.
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;

HANDLE AsHandle(intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

TFileTime FromFileTime(const FILETIME& time) {
  int64_t ticks =
      int64_t(uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime) - kUnixEpochTicks;
  int64_t seconds = ticks / 10000000;
  int64_t rest = ticks % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  return TFileTime{seconds, rest * 100};
}
}  // namespace

std::filesystem::path ExecutableFile() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
    if (n == 0) return {};
    if (n < name.size()) return std::filesystem::path(std::wstring(name.data(), n));
    name.resize(name.size() * 2);
  }
}

std::optional<TFileTime> LastWriteTime(const std::filesystem::path& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return FromFileTime(data.ftLastWriteTime);
}

std::optional<TFileStamp> FileStamp(const std::filesystem::path& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return std::nullopt;
  return TFileStamp{FromFileTime(data.ftLastWriteTime),
                    int64_t(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow)};
}

std::filesystem::path ResolvedPath(const std::filesystem::path& path, std::error_code& error) {
  return std::filesystem::weakly_canonical(path, error);
}

bool FileExists(const std::filesystem::path& file) {
  DWORD attributes = ::GetFileAttributesW(file.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::filesystem::path& folder) {
  DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

uint32_t LocalDosDateTime(int64_t unixSeconds) {
  // Far outside 1980..2107 in any time zone; also keeps the tick count from overflowing.
  if (unixSeconds < 0 || unixSeconds > 4600000000LL) return 0;
  uint64_t ticks = uint64_t(unixSeconds * 10000000 + kUnixEpochTicks);
  FILETIME utc{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
  FILETIME local{};
  WORD date = 0, time = 0;
  if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  SYSTEMTIME parts{};
  if (!::FileTimeToSystemTime(&local, &parts) || parts.wYear < 1980 || parts.wYear > 2107) return 0;
  return uint32_t(date) << 16 | time;
}

std::string SystemErrorMessage(int error) {
  return SystemErrorText(DWORD(error));
}

bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) {
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  error = SystemErrorMessage(int(::GetLastError()));
  return false;
}

bool DeleteFile(const std::filesystem::path& file) {
  return ::DeleteFileW(file.c_str()) != 0;
}

std::string UniqueFileSuffix() {
  static std::atomic<unsigned long> counter{0};
  return std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

TWritableFile::~TWritableFile() {
  Close();
}

TWritableFile& TWritableFile::operator=(TWritableFile&& other) noexcept {
  if (this != &other) {
    Close();
    FHandle = std::exchange(other.FHandle, -1);
  }
  return *this;
}

// Kernel handles hold 32 significant bits, so the class's int keeps them.
bool TWritableFile::Create(const std::filesystem::path& file, std::string& error) {
  Close();
  HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = SystemErrorMessage(int(::GetLastError()));
    return false;
  }
  FHandle = int(reinterpret_cast<intptr_t>(h));
  return true;
}

bool TWritableFile::Write(const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    // WriteAt moves the handle's position; only bytes already written are rewritten, so the
    // append position is the file's end.
    LARGE_INTEGER none{};
    if (!::SetFilePointerEx(AsHandle(FHandle), none, nullptr, FILE_END)) return false;
    DWORD piece = count > 0x40000000u ? 0x40000000u : DWORD(count);
    DWORD written = 0;
    if (!::WriteFile(AsHandle(FHandle), p, piece, &written, nullptr) || written == 0) return false;
    p += written;
    count -= written;
  }
  return true;
}

bool TWritableFile::WriteAt(uint64_t offset, const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    OVERLAPPED at{};
    at.Offset = DWORD(offset & 0xFFFFFFFFu);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD piece = count > 0x40000000u ? 0x40000000u : DWORD(count);
    DWORD written = 0;
    if (!::WriteFile(AsHandle(FHandle), p, piece, &written, &at) || written == 0) return false;
    p += written;
    count -= written;
    offset += written;
  }
  return true;
}

void TWritableFile::Close() {
  if (FHandle != -1) ::CloseHandle(AsHandle(std::exchange(FHandle, -1)));
}

}  // namespace quillara::platform
