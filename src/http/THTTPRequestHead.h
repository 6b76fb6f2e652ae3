#pragma once
// The head of an HTTP/1.1 request (RFC 9112 sections 2 to 5): the request line and the header
// lines up to the empty line, read from bytes as they arrive. No I/O and no exception: the
// caller reads the socket and feeds what came.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillara {

constexpr size_t kMaxLineLength = 16384;
constexpr size_t kMaxHeaderLines = 1025;

enum THTTPHeadStatus { hsIncomplete, hsComplete, hsTooLarge, hsMalformed };

enum THTTPHeadError {
  heNone,
  heLineTooLong,         // a line longer than kMaxLineLength before its line feed
  heTooManyHeaderLines,  // more than kMaxHeaderLines header lines, continuations included
  heNoBlank,             // a request line without a blank before the version
  heBadVersion,          // the last word of the request line is not "HTTP/" DIGIT "." DIGIT
};

struct THTTPHeadResult {
  THTTPHeadStatus Status = hsIncomplete;
  THTTPHeadError Error = heNone;
  // Complete or incomplete: the bytes taken, whole lines only; the next call starts after them.
  // Too large or malformed: where the fault is (the start of the line, or of the version).
  size_t Offset = 0;
};

struct THTTPRequestHead {
  std::string RequestLine;  // as sent, without its line end; empty until it has been read
  std::string Method;       // the first word, case kept
  std::string Target;       // between the first and the last blank; empty for a two-word line
  std::string Version;
  std::vector<std::string> Headers;  // a continuation line joined to the line it continues
  size_t HeaderLines = 0;            // header lines read, continuations included
};

// Reads the head on from where an earlier call on the same head stopped: bytes start with what
// that call did not take. A line ends at LF, with an optional CR before it.
THTTPHeadResult ReadRequestHead(std::string_view bytes, THTTPRequestHead& head);

}  // namespace quillara
