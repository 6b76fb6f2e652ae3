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
