#include "base/TStream.h"

#include <algorithm>
#include <cstring>

namespace quillara {

std::string TStream::ReadRest() {
  std::string out;
  char buffer[65536];
  for (size_t n; (n = Read(buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  return out;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  size_t n = std::min(count, FBytes.size() - std::min(FPosition, FBytes.size()));
  if (n) std::memcpy(buffer, FBytes.data() + FPosition, n);
  FPosition += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (FPosition > FBytes.size()) FBytes.resize(FPosition);
  size_t overlap = std::min(count, FBytes.size() - FPosition);
  FBytes.replace(FPosition, overlap, static_cast<const char*>(buffer), count);
  FPosition += count;
  return count;
}

void TMemoryStream::SetPosition(int64_t position) { FPosition = size_t(std::max<int64_t>(0, position)); }

}  // namespace quillara

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Exceptions.h"

namespace quillara {

TFileStream::TFileStream(const std::string& fileName, bool regularOnly) {
  FHandle = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
  struct stat st{};
  int error = 0;
  if (FHandle < 0 || ::fstat(FHandle, &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EISDIR;
  }
  if (error || (regularOnly && !S_ISREG(st.st_mode))) {
    if (FHandle >= 0) ::close(FHandle);
    char buf[256];
    const char* text = error ? ::strerror_r(error, buf, sizeof buf) : "The file is not a regular file";
    throw EFOpenError(FormatMessage("Cannot open file \"%s\". %s", {fileName, text}));
  }
  FSize = st.st_size;
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  for (;;) {
    ssize_t n = ::pread(FHandle, buffer, count, FPosition);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    FPosition += n;
    return size_t(n);
  }
}

size_t TFileStream::Write(const void*, size_t) { return 0; }

}  // namespace quillara
