#include "base/TStream.h"

#include <algorithm>
#include <cstring>

#include "platform/SystemText.h"

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

void TMemoryStream::SetPosition(int64_t position) {
  FPosition = size_t(std::max<int64_t>(0, position));
}

}  // namespace quillara

#include "base/Exceptions.h"
#include "base/Messages.h"

namespace quillara {

TFileStream::TFileStream(const std::string& fileName, bool regularOnly) {
  platform::TFileResult result;
  FFile = platform::OpenForStreaming(platform::PathFromUtf8(fileName), regularOnly, FSize, result);
  if (!FFile.Valid()) {
    std::string text = result.Error ? platform::FileErrorText(result.Error) : kNotARegularFile;
    throw EFOpenError(FormatMessage(kCannotOpenFile, {fileName, text}));
  }
}

TFileStream::~TFileStream() = default;

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t n = FFile.ReadAt(buffer, count, FPosition);
  FPosition += int64_t(n);
  return n;
}

size_t TFileStream::Write(const void*, size_t) {
  return 0;
}

}  // namespace quillara
