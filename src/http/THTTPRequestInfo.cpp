#include "http/THTTPRequestInfo.h"

#include "base/CodePages.h"

namespace quillara {

std::string THTTPRequestInfo::RawHeaderValue(std::string_view name) const {
  for (const std::string& line : RawHeaders) {
    size_t colon = line.find(':');
    if (colon != std::string::npos && SameTextAscii(TrimBlanks(line.substr(0, colon)), name))
      return TrimBlanks(line.substr(colon + 1));
  }
  return {};
}

}  // namespace quillara
