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

void SplitContentType(const std::string& value, std::string& type, std::string& charSet) {
  type.clear();
  charSet.clear();
  if (value.find(';') == std::string::npos) {  // the usual case: no parameters
    type.assign(Trimmed(value));
    return;
  }
  bool first = true;
  for (std::string_view piece : SplitText(value, ";")) {
    std::string part = TrimBlanks(piece);
    size_t eq = part.find('=');
    if (!first && eq != std::string::npos &&
        SameTextAscii(TrimBlanks(part.substr(0, eq)), "charset")) {
      charSet = TrimBlanks(part.substr(eq + 1));
      if (charSet.size() >= 2 && charSet.front() == '"' && charSet.back() == '"')
        charSet = charSet.substr(1, charSet.size() - 2);
    } else if (!part.empty()) {
      type += (type.empty() ? "" : "; ") + part;
    }
    first = false;
  }
}

std::string DefaultCharSet(const std::string& type) {
  std::string_view media = Trimmed(std::string_view(type).substr(0, type.find(';')));
  if (!SameTextAscii(media.substr(0, 5), "text/")) return "";
  std::string_view sub = media.substr(5);
  if (SameTextAscii(sub, "xml") || SameTextAscii(sub, "xml-external-parsed-entity") ||
      (sub.size() >= 4 && SameTextAscii(sub.substr(sub.size() - 4), "+xml")))
    return "us-ascii";
  return "ISO-8859-1";
}

}  // namespace quillara
