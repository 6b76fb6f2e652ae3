#include "http/THTTPResponseInfo.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "http/Messages.h"
#include "http/THTTPErrors.h"
#include "platform/TSystem.h"

namespace quillara {

const char* StatusText(int code) {
  switch (code) {
    case 100:
      return "Continue";
    case 200:
      return "OK";
    case 201:
      return "Created";
    case 202:
      return "Accepted";
    case 203:
      return "Non-authoritative Information";
    case 204:
      return "No Content";
    case 205:
      return "Reset Content";
    case 206:
      return "Partial Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Moved Temporarily";
    case 303:
      return "See Other";
    case 304:
      return "Not Modified";
    case 305:
      return "Use Proxy";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method not allowed";
    case 406:
      return "Not Acceptable";
    case 407:
      return "Proxy Authentication Required";
    case 408:
      return "Request Timeout";
    case 409:
      return "Conflict";
    case 410:
      return "Gone";
    case 411:
      return "Length Required";
    case 412:
      return "Precondition Failed";
    case 413:
      return "Request Entity Too Long";
    case 414:
      return "Request-URI Too Long. 256 Chars max";
    case 415:
      return "Unsupported Media Type";
    case 417:
      return "Expectation Failed";
    case 428:
      return "Precondition Required";
    case 429:
      return "Too Many Requests";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway timeout";
    case 505:
      return "HTTP version not supported";
    case 511:
      return "Network Authentication Required";
    default:
      return "Unknown Response Code";
  }
}

namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

namespace {

// Every answer of one second asks for the same text.
const std::string& CachedHTTPDate(std::time_t time) {
  thread_local std::time_t cachedTime = -1;
  thread_local std::string cachedText;
  if (time == cachedTime) return cachedText;
  std::tm gmt{};
  gmtime_r(&time, &gmt);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %.2d %s %.4d %.2d:%.2d:%.2d GMT", kDays[gmt.tm_wday],
                gmt.tm_mday, kMonths[gmt.tm_mon], gmt.tm_year + 1900, gmt.tm_hour, gmt.tm_min,
                gmt.tm_sec);
  cachedTime = time;
  cachedText = buf;
  return cachedText;
}

}  // namespace

std::string FormatHTTPDate(std::time_t time) {
  return CachedHTTPDate(time);
}

std::time_t ParseHTTPDate(const std::string& text) {
  std::tm tm{};
  const char* formats[] = {"%a, %d %b %Y %H:%M:%S GMT", "%A, %d-%b-%y %H:%M:%S GMT",
                           "%a %b %d %H:%M:%S %Y"};
  for (const char* f : formats) {
    tm = {};
    const char* end = platform::ParseTime(text.c_str(), f, tm);
    if (end && *end == '\0') return platform::UtcTime(tm);
  }
  return -1;
}

THTTPResponseInfo::~THTTPResponseInfo() = default;

void THTTPResponseInfo::SetResponseNo(int code) {
  FResponseNo = code;
  ResponseText = StatusText(code);
  if (code == 404) CloseConnection = true;
}

void THTTPResponseInfo::SetFullContentType(const std::string& value) {
  std::string type, charSet;
  SplitContentType(value, type, charSet);
  ContentType = type;
  if (!charSet.empty()) {
    CharSet = charSet;
  } else if (std::string def = DefaultCharSet(type); !def.empty()) {
    CharSet = def;
  }
}

bool THTTPResponseInfo::WillWriteBody() const {
  return !(FResponseNo >= 100 && FResponseNo < 200) && FResponseNo != 204 && FResponseNo != 304;
}

std::string THTTPResponseInfo::DefaultBody() const {
  return "<HTML><BODY><B>" + std::to_string(FResponseNo) + " " + ResponseText +
         "</B></BODY></HTML>\r\n";
}

std::string THTTPResponseInfo::EncodedContentText() const {
  if (auto cp = CodePageOfCharSet(CharSet)) return EncodeText(ContentText, *cp);
  std::string bytes;
  bytes.reserve(ContentText.size());
  for (char16_t c : ContentText) bytes.push_back(char(c & 0xFF));
  return bytes;
}

void THTTPResponseInfo::WriteHeader() {
  WriteHeader(false);
}

void THTTPResponseInfo::WriteHeader(bool forContent) {
  // Written alone, the header is the whole answer.
  std::string out = HeaderText(forContent, -1);
  if (!FConnection.WriteLast(out.data(), out.size())) throw EHTTPSocketError(kClosedWhileWriting);
}

std::string THTTPResponseInfo::HeaderText(bool forContent, int64_t textBytes) {
  if (FHeaderWritten) throw EHTTPProtocolError(kHeaderAlreadyWritten);
  FHeaderWritten = true;
  if (ContentType.empty() && (!ContentText.empty() || FContentStream)) {
    ContentType = "text/html";
    CharSet = "ISO-8859-1";
  }
  if (ContentLength < 0 &&
      (TransferEncoding.empty() || SameTextAscii(TransferEncoding, "identity"))) {
    if (!ContentText.empty()) {
      ContentLength = textBytes >= 0 ? textBytes : int64_t(EncodedContentText().size());
    } else if (FContentStream) {
      ContentLength = FContentStream->Size();
    } else if (forContent && WillWriteBody()) {
      ContentLength = int64_t(DefaultBody().size());
    } else {
      ContentLength = 0;
    }
  }
  if (Date < 0) Date = std::time(nullptr);
  FAnnouncedLength = ContentLength;

  std::string out;
  out.reserve(256);
  out.append("HTTP/1.1 ")
      .append(std::to_string(FResponseNo))
      .append(" ")
      .append(ResponseText)
      .append("\r\n");
  auto line = [&](std::string_view name, std::string_view value) {
    if (!value.empty()) out.append(name).append(": ").append(value).append("\r\n");
  };
  line("Connection", CloseConnection ? "close" : "keep-alive");
  line("Content-Version", ContentVersion);
  line("Content-Disposition", ContentDisposition);
  line("Content-Encoding", ContentEncoding);
  line("Content-Language", ContentLanguage);
  if (!ContentType.empty()) {
    out.append("Content-Type: ").append(ContentType);
    if (!CharSet.empty()) out.append("; charset=").append(CharSet);
    out.append("\r\n");
  }
  if (ContentLength >= 0)
    out.append("Content-Length: ").append(std::to_string(ContentLength)).append("\r\n");
  line("Cache-control", CacheControl);
  line("Date", CachedHTTPDate(Date));
  line("ETag", ETag);
  if (Expires >= 0) line("Expires", CachedHTTPDate(Expires));
  line("Pragma", Pragma);
  line("Transfer-Encoding", TransferEncoding);
  for (const auto& [name, value] : CustomHeaders)
    out.append(name).append(": ").append(value).append("\r\n");
  line("Content-Range", ContentRange);
  line("Accept-Patch", AcceptPatch);
  line("Accept-Ranges", AcceptRanges);
  if (LastModified >= 0) line("Last-Modified", CachedHTTPDate(LastModified));
  line("Server", ServerSoftware);
  line("Location", Location);
  line("WWW-Authenticate", WWWAuthenticate);
  for (const THTTPCookie& c : Cookies) {
    out.append("Set-Cookie: ").append(c.Name).append("=").append(c.Value);
    if (!c.Path.empty()) out.append("; path=").append(c.Path);
    if (!c.Domain.empty()) out.append("; domain=").append(c.Domain);
    if (!c.Expires.empty()) out.append("; expires=").append(c.Expires);
    if (c.Secure) out.append("; secure");
    out.append("\r\n");
  }
  out.append("\r\n");
  return out;
}

// Up to the bytes still announced; a body written without a length goes out whole.
void THTTPResponseInfo::AppendBody(std::string& out, const char* data, size_t size, int64_t& left) {
  if (left >= 0) size = size_t(std::min<int64_t>(left, int64_t(size)));
  if (left > 0) left -= int64_t(size);
  out.append(data, size);
}

bool THTTPResponseInfo::Flush(std::string& out, bool last) {
  bool ok = out.empty() || (last ? FConnection.WriteLast(out.data(), out.size())
                                 : FConnection.Write(out.data(), out.size()));
  out.clear();
  return ok;
}

bool THTTPResponseInfo::WriteStream(std::string& out, int64_t& left) {
  FContentStream->SetPosition(0);
  // A file goes from the page cache to the socket inside the kernel where the connection can.
  if (auto* file = dynamic_cast<TFileStream*>(FContentStream.get());
      file && FConnection.CanWriteFile()) {
    if (!Flush(out)) return false;
    int64_t offset = file->FileOffset();
    while (left != 0) {
      // At most 1 GiB a call: the count comes back as a long, 32 bits wide on Windows.
      constexpr int64_t kPerCall = int64_t(1) << 30;
      long n = FConnection.WriteFile(file->Handle(), offset,
                                     size_t(left > 0 ? std::min(left, kPerCall) : kPerCall));
      if (n < 0) return false;
      if (n == 0) break;  // the end of the file
      offset += n;
      if (left > 0) left -= n;
    }
    return true;
  }
  // Large pieces: a download of gigabytes costs few system calls. The first one goes out with
  // the header.
  constexpr size_t kPiece = 256 * 1024;
  // Bytes already in memory that fit one piece go out from where they are.
  if (auto* memory = dynamic_cast<TMemoryStream*>(FContentStream.get());
      memory && memory->Bytes().size() <= kPiece) {
    const std::string& bytes = memory->Bytes();
    if (left != 0) {
      AppendBody(out, bytes.data(), bytes.size(), left);
      memory->SetPosition(memory->Size());
    }
    return Flush(out, true);
  }
  auto buffer = std::make_unique_for_overwrite<char[]>(kPiece);
  for (size_t n; left != 0 && (n = FContentStream->Read(buffer.get(), kPiece)) > 0;) {
    if (!out.empty()) {
      AppendBody(out, buffer.get(), n, left);
      if (!Flush(out)) return false;
      continue;
    }
    if (left >= 0) n = size_t(std::min<int64_t>(left, int64_t(n)));
    if (left > 0) left -= int64_t(n);
    if (!FConnection.Write(buffer.get(), n)) return false;
  }
  return Flush(out, true);
}

void THTTPResponseInfo::WriteContent() {
  bool body = WillWriteBody() && FRequest.CommandType != hcHEAD;
  // Text is encoded once, for its length and for the wire; a short answer leaves in one write
  // with its header.
  std::string text = ContentText.empty() ? std::string() : EncodedContentText();
  std::string out;
  if (!FHeaderWritten) out = HeaderText(true, ContentText.empty() ? -1 : int64_t(text.size()));
  bool ok = true;
  if (body) {
    // The peer frames the body by the announced length (RFC 9112 section 6.3): a file that grew
    // while it is sent is cut there; one that shrank cannot fill it, and padding or closing in
    // order would pass a short body off as complete, so the transfer is reset instead.
    int64_t left = FAnnouncedLength;
    if (!ContentText.empty()) {
      AppendBody(out, text.data(), text.size(), left);
      ok = Flush(out, true);
    } else if (FContentStream) {
      ok = WriteStream(out, left);
    } else {
      std::string bytes = DefaultBody();
      AppendBody(out, bytes.data(), bytes.size(), left);
      ok = Flush(out, true);
    }
    if (ok && left > 0) {
      FConnection.Abort();
      ok = false;
    }
  } else {
    ok = Flush(out, true);
  }
  ContentText.clear();
  FContentStream.reset();  // sent: what it holds (an open file, say) goes now
  if (!ok) throw EHTTPSocketError(kClosedWhileWriting);
}

}  // namespace quillara
