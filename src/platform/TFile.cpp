#include "platform/TFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace quillara::platform {

namespace fs = std::filesystem;

namespace {

struct TFd {
  int Handle = -1;
  TFd() = default;
  explicit TFd(int handle) : Handle(handle) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() {
    if (Handle >= 0) ::close(Handle);
  }
};

bool WriteWhole(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    p += n;
    left -= size_t(n);
  }
  return true;
}

}  // namespace

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    Close();
    FHandle = std::exchange(other.FHandle, -1);
  }
  return *this;
}

void TFile::Close() {
  if (FHandle >= 0) ::close(int(std::exchange(FHandle, -1)));
}

size_t TFile::ReadAt(void* buffer, size_t count, int64_t offset) const {
  for (;;) {
    ssize_t n = ::pread(int(FHandle), buffer, count, offset);
    if (n < 0 && errno == EINTR) continue;
    return n <= 0 ? 0 : size_t(n);
  }
}

TFile OpenWithoutSharing(const fs::path& file, TFileResult& result) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  // another holder of an exclusive lock makes this open fail
  if (fd < 0 || ::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    result.Error = errno;
    if (fd >= 0) ::close(fd);
    return {};
  }
  result.Error = 0;
  return TFile(fd);
}

TFile OpenForStreaming(const fs::path& file, bool regularOnly, int64_t& size, TFileResult& result) {
  TFile opened(::open(file.c_str(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0)));
  struct stat st {};
  result.Error = 0;
  if (!opened.Valid() || ::fstat(int(opened.FHandle), &st) != 0) {
    result.Error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    result.Error = EISDIR;
  }
  if (result.Error || (regularOnly && !S_ISREG(st.st_mode))) return {};
  size = st.st_size;
  return opened;
}

TFileResult ReplaceWholeFile(const fs::path& local, const std::string& bytes) {
  // Without sharing: a reader holding the present file makes the write fail.
  TFd present(::open(local.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (present.Handle >= 0 && ::flock(present.Handle, LOCK_EX | LOCK_NB) != 0) return {errno};
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(local, ec))) return {EISDIR};

  static std::atomic<unsigned> counter{0};
  fs::path temporary;
  TFd out;
  for (int attempt = 0; out.Handle < 0; ++attempt) {
    temporary = local.parent_path() / (".quillara-" + std::to_string(::getpid()) + "-" +
                                       std::to_string(counter++) + ".tmp");
    out.Handle = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out.Handle < 0 && (errno != EEXIST || attempt > 100)) return {errno};
  }
  if (!WriteWhole(out.Handle, bytes) || ::fsync(out.Handle) != 0 ||
      ::close(std::exchange(out.Handle, -1)) != 0 ||
      ::rename(temporary.c_str(), local.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    return {error};
  }
  return {};
}

TFileResult SharingViolation() {
  return {EWOULDBLOCK};
}

std::string FileErrorText(int error) {
  char buf[256];
  return ::strerror_r(error, buf, sizeof buf);
}

}  // namespace quillara::platform
