#include "platform/TFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

namespace quillara::platform {

std::filesystem::path ExecutableFile() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec);
}

namespace {
TFileTime WriteTimeOf(const struct stat& st) {
  return TFileTime{int64_t(st.st_mtim.tv_sec), int64_t(st.st_mtim.tv_nsec)};
}
}  // namespace

std::optional<TFileTime> LastWriteTime(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return WriteTimeOf(st);
}

std::optional<TFileStamp> FileStamp(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return TFileStamp{WriteTimeOf(st), int64_t(st.st_size)};
}

std::filesystem::path ResolvedPath(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  // An existing path: the kernel names what it opened, in three calls instead of a look at
  // every part of the path.
  int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd >= 0) {
    char link[4096];
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(self.c_str(), link, sizeof link);
    ::close(fd);
    std::string_view named(link, n > 0 ? size_t(n) : 0);
    // Without /proc, or for a file removed meanwhile, the general way answers.
    if (n > 0 && size_t(n) < sizeof link && named.front() == '/' && !named.ends_with(" (deleted)"))
      return std::filesystem::path(named);
  }
  return std::filesystem::weakly_canonical(path, error);
}

bool FileExists(const std::filesystem::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::filesystem::path& folder) {
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint32_t LocalDosDateTime(int64_t unixSeconds) {
  std::time_t t = std::time_t(unixSeconds);
  std::tm local{};
  if (!::localtime_r(&t, &local)) return 0;
  int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  uint32_t date = uint32_t((year - 1980) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  uint32_t time = uint32_t(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
  return date << 16 | time;
}

std::string SystemErrorMessage(int error) {
  char buf[256];
  return ::strerror_r(error, buf, sizeof buf);
}

bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = SystemErrorMessage(errno);
  return false;
}

bool DeleteFile(const std::filesystem::path& file) {
  return ::unlink(file.c_str()) == 0;
}

std::string UniqueFileSuffix() {
  static std::atomic<unsigned long> counter{0};
  return std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

TWritableFile::~TWritableFile() {
  Close();
}

TWritableFile& TWritableFile::operator=(TWritableFile&& other) noexcept {
  if (this != &other) {
    Close();
    FHandle = other.FHandle;
    other.FHandle = -1;
  }
  return *this;
}

bool TWritableFile::Create(const std::filesystem::path& file, std::string& error) {
  Close();
  FHandle = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (FHandle < 0) {
    error = SystemErrorMessage(errno);
    return false;
  }
  return true;
}

bool TWritableFile::Write(const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = ::write(FHandle, p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    count -= size_t(n);
  }
  return true;
}

bool TWritableFile::WriteAt(uint64_t offset, const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = ::pwrite(FHandle, p, count, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    count -= size_t(n);
    offset += uint64_t(n);
  }
  return true;
}

void TWritableFile::Close() {
  if (FHandle >= 0) ::close(FHandle);
  FHandle = -1;
}

}  // namespace quillara::platform
