#include "http/THTTPRequestInfo.h"

#include "base/CodePages.h"

namespace quillara {

namespace {

std::string_view Trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

// Looked up a few dozen times per request: nothing is copied but the value found.
std::string THTTPRequestInfo::RawHeaderValue(std::string_view name) const {
  for (const std::string& line : RawHeaders) {
    std::string_view view(line);
    size_t colon = view.find(':');
    if (colon != std::string_view::npos && SameTextAscii(Trimmed(view.substr(0, colon)), name))
      return std::string(Trimmed(view.substr(colon + 1)));
  }
  return {};
}

}  // namespace quillara
