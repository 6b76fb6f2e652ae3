#include "http/THTTPRequestHead.h"

#include "base/CodePages.h"

namespace quillara {

namespace {

// HTTP-version = "HTTP/" DIGIT "." DIGIT (RFC 9112 section 2.3), case-sensitive.
bool IsHTTPVersion(std::string_view v) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return v.size() == 8 && v.substr(0, 5) == "HTTP/" && digit(v[5]) && v[6] == '.' && digit(v[7]);
}

THTTPHeadResult TakeRequestLine(std::string_view line, size_t start, THTTPRequestHead& head) {
  size_t lastBlank = line.rfind(' ');
  if (lastBlank == std::string_view::npos) return {hsMalformed, heNoBlank, start};
  std::string_view version = line.substr(lastBlank + 1);
  if (!IsHTTPVersion(version)) return {hsMalformed, heBadVersion, start + lastBlank + 1};
  std::string_view command = line.substr(0, lastBlank);
  size_t firstBlank = command.find(' ');
  head.RequestLine = line;
  head.Version = version;
  head.Method = command.substr(0, firstBlank);
  head.Target = firstBlank == std::string_view::npos ? "" : command.substr(firstBlank + 1);
  return {hsIncomplete, heNone, 0};
}

}  // namespace

THTTPHeadResult ReadRequestHead(std::string_view bytes, THTTPRequestHead& head) {
  size_t pos = 0;
  for (;;) {
    size_t lf = bytes.find('\n', pos);
    size_t length = (lf == std::string_view::npos ? bytes.size() : lf) - pos;
    if (length > kMaxLineLength) return {hsTooLarge, heLineTooLong, pos};
    if (lf == std::string_view::npos) return {hsIncomplete, heNone, pos};
    std::string_view line = bytes.substr(pos, length);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t start = pos;
    pos = lf + 1;
    if (head.RequestLine.empty()) {
      THTTPHeadResult result = TakeRequestLine(line, start, head);
      if (result.Status != hsIncomplete) return result;
      continue;
    }
    if (line.empty()) return {hsComplete, heNone, pos};
    if (head.HeaderLines++ >= kMaxHeaderLines) return {hsTooLarge, heTooManyHeaderLines, start};
    if (!head.Headers.empty() && (line[0] == ' ' || line[0] == '\t')) {
      head.Headers.back() += " " + TrimBlanks(line);
    } else {
      if (head.Headers.empty()) head.Headers.reserve(16);  // one allocation for most requests
      head.Headers.emplace_back(line);
    }
  }
}

}  // namespace quillara
