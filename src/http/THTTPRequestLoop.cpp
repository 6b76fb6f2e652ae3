#include "http/THTTPRequestLoop.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <string_view>

#include "base/Base64.h"
#include "base/CodePages.h"
#include "base/SysUtils.h"
#include "http/THTTPErrors.h"
#include "http/THTTPLimits.h"

namespace quillara {

namespace {

std::atomic<int64_t> gBodyBytesInFlight{0};

// This request's share of the process-wide budget for buffered bodies; given back when the
// request is done with its body.
class TBodyReservation {
 public:
  TBodyReservation() = default;
  TBodyReservation(const TBodyReservation&) = delete;
  TBodyReservation& operator=(const TBodyReservation&) = delete;
  ~TBodyReservation() { gBodyBytesInFlight -= FHeld; }

  // Room for a body of total bytes in all; false when the budget cannot take it now.
  bool Grow(int64_t total) {
    if (total <= kSmallBodySize || total <= FHeld) return true;
    int64_t budget = HTTPLimits().BodyBudget;
    int64_t inFlight = gBodyBytesInFlight;
    do {
      if (inFlight - FHeld + total > budget) return false;
    } while (!gBodyBytesInFlight.compare_exchange_weak(inFlight, inFlight - FHeld + total));
    FHeld = total;
    return true;
  }

 private:
  int64_t FHeld = 0;
};

// Buffered reading of lines and bytes from the connection.
class TReader {
 public:
  explicit TReader(IHTTPConnection& connection) : FConnection(connection) {}

  enum TResult { rOk, rClosed, rTooLong };

  TResult ReadLine(std::string& line) {
    line.clear();
    for (;;) {
      const char* start = FBuffer.data() + FPos;
      const void* lf = std::memchr(start, '\n', FBuffer.size() - FPos);
      if (lf) {
        size_t n = size_t(static_cast<const char*>(lf) - start);
        if (line.size() + n > kMaxLineLength) return rTooLong;
        line.append(start, n);
        FPos += n + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return rOk;
      }
      line.append(start, FBuffer.size() - FPos);
      FPos = FBuffer.size();
      if (line.size() > kMaxLineLength) return rTooLong;
      if (!Fill()) return rClosed;
    }
  }

  bool ReadBytes(int64_t count, std::string& into) {
    into.reserve(into.size() + size_t(count));  // one allocation, not a doubling series
    while (count > 0) {
      if (FPos == FBuffer.size() && !Fill()) return false;
      size_t n = size_t(std::min<int64_t>(count, int64_t(FBuffer.size() - FPos)));
      into.append(FBuffer.data() + FPos, n);
      FPos += n;
      count -= int64_t(n);
    }
    return true;
  }

  // Bytes, not the end of the input: a peer that has half-closed sends no body.
  bool DataWaiting(int timeoutMs) {
    return FPos < FBuffer.size() || FConnection.WaitReadable(timeoutMs);
  }

  std::string_view Pending() const { return std::string_view(FBuffer).substr(FPos); }
  void Skip(size_t count) { FPos += count; }

  // Appends what the peer sends next; false when it has closed.
  bool Fill() {
    FBuffer.erase(0, FPos);
    FPos = 0;
    char chunk[32768];
    long n = FConnection.Read(chunk, sizeof chunk);
    if (n <= 0) return false;
    FBuffer.append(chunk, size_t(n));
    return true;
  }

 private:
  IHTTPConnection& FConnection;
  std::string FBuffer;
  size_t FPos = 0;
};

void ParseCookies(const std::string& header, std::vector<THTTPCookie>& cookies) {
  for (std::string_view piece : SplitText(header, ";")) {
    std::string part = TrimBlanks(piece);
    if (!part.empty()) {
      size_t eq = part.find('=');
      THTTPCookie c;
      c.Name = TrimBlanks(part.substr(0, eq));
      if (eq != std::string::npos) c.Value = TrimBlanks(part.substr(eq + 1));
      cookies.push_back(std::move(c));
    }
  }
}

int VersionNumber(std::string_view s) {
  if (s.empty() || s.size() > 9) return -1;
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

void SplitVersion(THTTPRequestInfo& r) {
  std::string_view version(r.Version);
  size_t slash = version.find('/');
  if (slash == std::string_view::npos) return;
  size_t dot = version.find('.', slash + 1);
  if (dot == std::string_view::npos) {
    r.VersionMajor = VersionNumber(version.substr(slash + 1));
    return;
  }
  r.VersionMajor = VersionNumber(version.substr(slash + 1, dot - slash - 1));
  r.VersionMinor = VersionNumber(version.substr(dot + 1));
}

THTTPCommandType CommandTypeOf(const std::string& command) {
  static const char* const kMethods[] = {"HEAD", "GET",   "POST",   "DELETE",
                                         "PUT",  "TRACE", "OPTIONS"};
  for (int i = 0; i < 7; ++i)
    if (command == kMethods[i]) return THTTPCommandType(i + 1);
  return hcUnknown;
}

std::string_view TrimmedView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// The headers the request info keeps, each taken from the first line of its name, in one pass
// over the header lines rather than one per name.
void TakeHeaders(THTTPRequestInfo& r) {
  std::string contentType, length;
  const std::pair<std::string_view, std::string*> fields[] = {
      {"Host", &r.Host},
      {"Accept", &r.Accept},
      {"Accept-Charset", &r.AcceptCharSet},
      {"Accept-Encoding", &r.AcceptEncoding},
      {"Accept-Language", &r.AcceptLanguage},
      {"From", &r.From},
      {"Referer", &r.Referer},
      {"User-Agent", &r.UserAgent},
      {"Connection", &r.Connection},
      {"Cache-control", &r.CacheControl},
      {"Content-Encoding", &r.ContentEncoding},
      {"Content-Language", &r.ContentLanguage},
      {"Content-Version", &r.ContentVersion},
      {"Content-Disposition", &r.ContentDisposition},
      {"Pragma", &r.Pragma},
      {"ETag", &r.ETag},
      {"Transfer-Encoding", &r.TransferEncoding},
      {"X-HTTP-Method-Override", &r.MethodOverride},
      {"Content-Type", &contentType},
      {"Content-Length", &length}};
  constexpr size_t kFields = std::size(fields);
  static_assert(kFields <= 32);
  uint32_t taken = 0;
  for (const std::string& line : r.RawHeaders) {
    std::string_view view(line);
    size_t colon = view.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view name = TrimmedView(view.substr(0, colon));
    for (size_t i = 0; i < kFields; ++i) {
      if (name.size() != fields[i].first.size() || !SameTextAscii(name, fields[i].first)) continue;
      if (!(taken & (1u << i))) {
        taken |= 1u << i;
        fields[i].second->assign(TrimmedView(view.substr(colon + 1)));
      }
      break;
    }
  }
  SplitContentType(contentType, r.ContentType, r.CharSet);
  if (r.CharSet.empty()) r.CharSet = DefaultCharSet(r.ContentType);
  auto value = TryStrToInt64(Utf8ToText(TrimBlanks(length)));
  r.ContentLength = value && *value >= 0 ? *value : -1;
}

// Splits an absolute target "scheme://host[:port]/path" and decodes the path.
void TakeTarget(THTTPRequestInfo& r, const std::string& target) {
  size_t q = target.find('?');
  r.URI.assign(target, 0, q);
  if (q == std::string::npos)
    r.QueryParams.clear();
  else
    r.QueryParams.assign(target, q + 1);
  if (r.URI == "*") {
    r.Document = "*";
    return;
  }
  // An origin-form target, the usual kind, is decoded as it is.
  if (r.URI.find('\\') == std::string::npos && r.URI.find("://") == std::string::npos) {
    r.Document = DecodeRequestPath(r.URI);
    return;
  }
  std::string path = r.URI;
  std::replace(path.begin(), path.end(), '\\', '/');
  size_t scheme = path.find("://");
  if (scheme != std::string::npos && path.find('/') > scheme) {
    size_t hostStart = scheme + 3;
    size_t slash = path.find('/', hostStart);
    std::string host =
        path.substr(hostStart, slash == std::string::npos ? std::string::npos : slash - hostStart);
    path = slash == std::string::npos ? "/" : path.substr(slash);
    if (r.Host.empty()) r.Host = host;
  }
  r.Document = DecodeRequestPath(path);
}

// What becomes of a request after each step: it goes on, the connection is closed without an
// answer, or a status number (any other value) answers it with a bare header.
constexpr int kGoOn = 0;
constexpr int kClose = -1;

int Chunked(TReader& reader, TBodyReservation& reservation, std::string& body) {
  std::string line;
  for (;;) {
    if (reader.ReadLine(line) != TReader::rOk) return kClose;
    std::string size = TrimBlanks(line.substr(0, line.find(';')));
    uint64_t n = 0;
    bool hex = !size.empty() && size.size() <= 16;
    for (char c : size) hex = hex && HexDigitValue(c) >= 0;
    if (hex)
      for (char c : size) n = n * 16 + uint64_t(HexDigitValue(c));
    if (n == 0) break;
    if (n > uint64_t(kMaxBodySize) || body.size() + n > uint64_t(kMaxBodySize)) return 413;
    if (!reservation.Grow(int64_t(body.size() + n))) return 503;
    if (!reader.ReadBytes(int64_t(n), body)) return kClose;
    if (reader.ReadLine(line) != TReader::rOk) return kClose;
  }
  // trailer lines are read and dropped
  for (;;) {
    if (reader.ReadLine(line) != TReader::rOk) return kClose;
    if (line.empty()) return kGoOn;
  }
}

// False when the peer closed before the end of the head, or the head is malformed or too
// large: such a request is closed without an answer.
bool ReadHead(TReader& reader, THTTPRequestHead& head) {
  for (;;) {
    THTTPHeadResult result = ReadRequestHead(reader.Pending(), head);
    if (result.Status == hsComplete) {
      reader.Skip(result.Offset);
      return true;
    }
    if (result.Status != hsIncomplete) return false;
    reader.Skip(result.Offset);
    if (!reader.Fill()) return false;
  }
}

void TakeHead(THTTPRequestHead&& head, const IHTTPConnection& connection,
              THTTPRequestInfo& request) {
  request.Version = std::move(head.Version);
  SplitVersion(request);
  request.RawHeaders = std::move(head.Headers);
  TakeHeaders(request);
  request.Command = UpperAscii(head.Method);
  if (request.Command == "POST") {
    for (const char* name : {"X-HTTP-Method-Override", "X-HTTP-Method", "X-METHOD-OVERRIDE"}) {
      std::string v = request.RawHeaderValue(name);
      if (!v.empty()) {
        request.Command = UpperAscii(v);
        break;
      }
    }
  }
  request.RawHTTPCommand = std::move(head.RequestLine);
  request.RemoteIP = connection.PeerAddress();
  request.LocalPort = connection.LocalPort();
  request.CommandType = CommandTypeOf(request.Command);
  TakeTarget(request, head.Target);
}

// Host is required from HTTP/1.1 on (RFC 9112 section 3.2); Expect is RFC 9110 section 10.1.1.
int Admit(TReader& reader, IHTTPConnection& connection, const THTTPRequestInfo& request) {
  bool http11 =
      request.VersionMajor > 1 || (request.VersionMajor == 1 && request.VersionMinor >= 1);
  if (http11 && request.Host.empty()) return 400;
  std::string expect = request.RawHeaderValue("Expect");
  if (http11 && !expect.empty() && !reader.DataWaiting(0)) {
    if (!SameTextAscii(expect, "100-continue")) return 417;
    // Our version, as on every status line we write, whatever the request said.
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    if (!connection.Write(interim.data(), interim.size())) return kClose;
  }
  return kGoOn;
}

int ReadBody(TReader& reader, TBodyReservation& reservation, THTTPRequestInfo& request) {
  const std::string& te = request.TransferEncoding;
  if (te.empty() || SameTextAscii(te, "identity")) {
    if (request.ContentLength > kMaxBodySize) return 413;
    if (!reservation.Grow(request.ContentLength)) return 503;
    if (request.ContentLength >= 0) {
      std::string body;
      if (!reader.ReadBytes(request.ContentLength, body)) return kClose;
      request.PostStream = std::make_unique<TMemoryStream>(std::move(body));
    } else if ((request.CommandType == hcPOST || request.CommandType == hcPUT) &&
               reader.DataWaiting(1)) {
      return 411;
    }
    return kGoOn;
  }
  if (LowerAscii(te).find("chunked") == std::string::npos) return 400;
  std::string body;
  int step = Chunked(reader, reservation, body);
  if (step == kGoOn) request.PostStream = std::make_unique<TMemoryStream>(std::move(body));
  return step;
}

void TakeParams(THTTPRequestInfo& request) {
  std::string_view media =
      TrimmedView(std::string_view(request.ContentType).substr(0, request.ContentType.find(';')));
  if (request.PostStream && SameTextAscii(media, "application/x-www-form-urlencoded")) {
    request.FormParams = request.PostStream->Bytes();
    request.PostStream.reset();
  }
  request.UnparsedParams = request.FormParams;
  if (!request.QueryParams.empty())
    request.UnparsedParams += (request.UnparsedParams.empty() ? "" : "&") + request.QueryParams;

  for (const std::string& raw : request.RawHeaders) {
    size_t colon = raw.find(':');
    if (colon != std::string::npos &&
        SameTextAscii(TrimmedView(std::string_view(raw).substr(0, colon)), "Cookie"))
      ParseCookies(raw.substr(colon + 1), request.Cookies);
  }
}

int TakeAuthorization(THTTPRequestInfo& request) {
  std::string authorization = TrimBlanks(request.RawHeaderValue("Authorization"));
  if (authorization.empty()) return kGoOn;
  size_t blank = authorization.find(' ');
  if (!SameTextAscii(authorization.substr(0, blank), "Basic"))
    return kClose;  // "Unsupported authorization scheme."
  std::string credentials =
      DecodeBase64(blank == std::string::npos ? "" : TrimBlanks(authorization.substr(blank + 1)));
  size_t colon = credentials.find(':');
  request.AuthUsername = credentials.substr(0, colon);
  request.AuthPassword = colon == std::string::npos ? "" : credentials.substr(colon + 1);
  request.AuthExists = true;
  return kGoOn;
}

void AnswerHeaderOnly(THTTPResponseInfo& response, int code) {
  response.SetResponseNo(code);
  response.CloseConnection = true;
  response.WriteHeader();
}

void Answer(const THTTPRequestLoop::THandler& handler, THTTPRequestInfo& request,
            THTTPResponseInfo& response) {
  try {
    handler(request, response);
  } catch (const EHTTPSocketError&) {
    throw;
  } catch (const std::exception& e) {
    response.SetResponseNo(500);
    response.ContentText = Utf8ToText(e.what());
  }
  if (!response.ContentText.empty() || response.ContentStream()) {
    response.WriteContent();
  } else if (!response.HeaderHasBeenWritten()) {
    response.WriteHeader();
  }
}

// Whether the comma-separated options of a Connection header name this one.
bool HasConnectionOption(std::string_view options, std::string_view option) {
  for (std::string_view piece : SplitText(options, ","))
    if (SameTextAscii(TrimBlanks(piece), option)) return true;
  return false;
}

// A client that closes after this request sends nothing after it (a "close" option, or
// HTTP/1.0 without "keep-alive").
bool LastFromPeer(const THTTPRequestInfo& request) {
  if (HasConnectionOption(request.Connection, "close")) return true;
  return request.VersionMajor == 1 && request.VersionMinor == 0 &&
         !HasConnectionOption(request.Connection, "keep-alive");
}

THTTPRequestLoop::TRequestEnd Serve(IHTTPConnection& connection,
                                    const THTTPRequestLoop::THandler& handler) {
  TReader reader(connection);
  THTTPRequestHead head;
  if (!ReadHead(reader, head)) return THTTPRequestLoop::reCutShort;

  TBodyReservation reservation;  // outlives the request and its body
  THTTPRequestInfo request;
  THTTPResponseInfo response(connection, request);
  TakeHead(std::move(head), connection, request);
  response.CloseConnection = true;  // keep-alive is off

  int step = Admit(reader, connection, request);
  if (step == kGoOn) step = ReadBody(reader, reservation, request);
  THTTPRequestLoop::TRequestEnd end = step != kGoOn           ? THTTPRequestLoop::reCutShort
                                      : LastFromPeer(request) ? THTTPRequestLoop::reLast
                                                              : THTTPRequestLoop::reReadWhole;
  if (step == kGoOn) {
    TakeParams(request);
    step = TakeAuthorization(request);
  }
  if (step == kGoOn) {
    Answer(handler, request, response);
  } else if (step != kClose) {
    AnswerHeaderOnly(response, step);
  }
  return end;
}

}  // namespace

int64_t THTTPRequestLoop::BodyBytesInFlight() {
  return gBodyBytesInFlight;
}

THTTPRequestLoop::TRequestEnd THTTPRequestLoop::Run(IHTTPConnection& connection,
                                                    const THandler& handler) {
  try {
    return Serve(connection, handler);
  } catch (const std::exception&) {
    // A broken connection or an unreadable request: closed without further answer.
    return reCutShort;
  }
}

std::string DecodeRequestPath(const std::string& path) {
  auto ascii = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  // Most paths have nothing to decode and no byte to check as UTF-8.
  if (path.find('%') == std::string::npos && ascii(path)) return path;
  std::string bytes;
  bytes.reserve(path.size());
  auto hexRun = [&](size_t from, size_t count, int& value) {
    value = 0;
    if (from + count > path.size()) return false;
    for (size_t k = 0; k < count; ++k) {
      int h = HexDigitValue(path[from + k]);
      if (h < 0) return false;
      value = value * 16 + h;
    }
    return true;
  };
  for (size_t i = 0; i < path.size();) {
    if (path[i] != '%') {
      bytes.push_back(path[i++]);
      continue;
    }
    int value = 0;
    if (i + 1 < path.size() && (path[i + 1] == 'u' || path[i + 1] == 'U')) {
      if (hexRun(i + 2, 4, value)) bytes += TextToUtf8(std::u16string(1, char16_t(value)));
      i = std::min(path.size(), i + 6);
    } else {
      if (hexRun(i + 1, 2, value)) bytes.push_back(char(value));
      i = std::min(path.size(), i + 3);
    }
  }
  if (ascii(bytes)) return bytes;
  return TextToUtf8(Utf8ToText(bytes));
}

}  // namespace quillara
