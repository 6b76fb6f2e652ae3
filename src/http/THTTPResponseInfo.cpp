#include "http/THTTPResponseInfo.h"

#include <cstring>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "http/THTTPErrors.h"
#include "platform/TSystem.h"

namespace quillara {

const char* StatusText(int code) {
  switch (code) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 203: return "Non-authoritative Information";
    case 204: return "No Content";
    case 205: return "Reset Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Moved Temporarily";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 305: return "Use Proxy";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method not allowed";
    case 406: return "Not Acceptable";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Request Entity Too Long";
    case 414: return "Request-URI Too Long. 256 Chars max";
    case 415: return "Unsupported Media Type";
    case 417: return "Expectation Failed";
    case 428: return "Precondition Required";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway timeout";
    case 505: return "HTTP version not supported";
    case 511: return "Network Authentication Required";
    default: return "Unknown Response Code";
  }
}

namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string FormatHTTPDate(std::time_t time) {
  std::tm gmt{};
  gmtime_r(&time, &gmt);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %.2d %s %.4d %.2d:%.2d:%.2d GMT", kDays[gmt.tm_wday], gmt.tm_mday,
                kMonths[gmt.tm_mon], gmt.tm_year + 1900, gmt.tm_hour, gmt.tm_min, gmt.tm_sec);
  return buf;
}

std::time_t ParseHTTPDate(const std::string& text) {
  std::tm tm{};
  const char* formats[] = {"%a, %d %b %Y %H:%M:%S GMT", "%A, %d-%b-%y %H:%M:%S GMT", "%a %b %d %H:%M:%S %Y"};
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

void THTTPResponseInfo::SetContentStream(TStream* stream, bool owned) {
  if (FOwnedStream.get() != stream) FOwnedStream.reset();
  FContentStream = stream;
  FreeContentStream = owned;
  if (owned && stream && FOwnedStream.get() != stream) FOwnedStream.reset(stream);
}

void THTTPResponseInfo::ReleaseStream() {
  if (!FreeContentStream) FOwnedStream.release();  // belongs to someone else
  FOwnedStream.reset();
  FContentStream = nullptr;
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
  return "<HTML><BODY><B>" + std::to_string(FResponseNo) + " " + ResponseText + "</B></BODY></HTML>\r\n";
}

std::string THTTPResponseInfo::EncodedContentText() const {
  if (auto cp = CodePageOfCharSet(CharSet)) return EncodeText(ContentText, *cp);
  std::string bytes;
  bytes.reserve(ContentText.size());
  for (char16_t c : ContentText) bytes.push_back(char(c & 0xFF));
  return bytes;
}

void THTTPResponseInfo::WriteHeader() { WriteHeader(false); }

void THTTPResponseInfo::WriteHeader(bool forContent) {
  if (FHeaderWritten) throw EHTTPProtocolError("Header has already been written.");
  FHeaderWritten = true;
  if (ContentType.empty() && (!ContentText.empty() || FContentStream)) {
    ContentType = "text/html";
    CharSet = "ISO-8859-1";
  }
  if (ContentLength < 0 && (TransferEncoding.empty() || SameTextAscii(TransferEncoding, "identity"))) {
    if (!ContentText.empty()) {
      ContentLength = int64_t(EncodedContentText().size());
    } else if (FContentStream) {
      ContentLength = FContentStream->Size();
    } else if (forContent && WillWriteBody()) {
      ContentLength = int64_t(DefaultBody().size());
    } else {
      ContentLength = 0;
    }
  }
  if (Date < 0) Date = std::time(nullptr);

  std::string out = "HTTP/1.1 " + std::to_string(FResponseNo) + " " + ResponseText + "\r\n";
  auto line = [&](const char* name, const std::string& value) {
    if (!value.empty()) out.append(name).append(": ").append(value).append("\r\n");
  };
  line("Connection", CloseConnection ? "close" : "keep-alive");
  line("Content-Version", ContentVersion);
  line("Content-Disposition", ContentDisposition);
  line("Content-Encoding", ContentEncoding);
  line("Content-Language", ContentLanguage);
  line("Content-Type", ContentType.empty() ? "" : CharSet.empty() ? ContentType : ContentType + "; charset=" + CharSet);
  line("Content-Length", ContentLength >= 0 ? std::to_string(ContentLength) : "");
  line("Cache-control", CacheControl);
  line("Date", FormatHTTPDate(Date));
  line("ETag", ETag);
  line("Expires", Expires >= 0 ? FormatHTTPDate(Expires) : "");
  line("Pragma", Pragma);
  line("Transfer-Encoding", TransferEncoding);
  for (const auto& [name, value] : CustomHeaders) out.append(name).append(": ").append(value).append("\r\n");
  line("Content-Range", ContentRange);
  line("Accept-Patch", AcceptPatch);
  line("Accept-Ranges", AcceptRanges);
  line("Last-Modified", LastModified >= 0 ? FormatHTTPDate(LastModified) : "");
  line("Server", ServerSoftware);
  line("Location", Location);
  line("WWW-Authenticate", WWWAuthenticate);
  for (const THTTPCookie& c : Cookies) {
    std::string text = c.Name + "=" + c.Value;
    if (!c.Path.empty()) text += "; path=" + c.Path;
    if (!c.Domain.empty()) text += "; domain=" + c.Domain;
    if (!c.Expires.empty()) text += "; expires=" + c.Expires;
    if (c.Secure) text += "; secure";
    out.append("Set-Cookie: ").append(text).append("\r\n");
  }
  out.append("\r\n");
  if (!FConnection.Write(out.data(), out.size())) throw EHTTPSocketError("Connection closed while writing");
}

void THTTPResponseInfo::WriteContent() {
  if (!FHeaderWritten) WriteHeader(true);
  bool body = WillWriteBody() && FRequest.CommandType != hcHEAD;
  if (body) {
    bool ok = true;
    if (!ContentText.empty()) {
      std::string bytes = EncodedContentText();
      ok = FConnection.Write(bytes.data(), bytes.size());
    } else if (FContentStream) {
      FContentStream->SetPosition(0);
      // Large pieces: a download of gigabytes costs few system calls.
      constexpr size_t kPiece = 256 * 1024;
      auto buffer = std::make_unique_for_overwrite<char[]>(kPiece);
      for (size_t n; ok && (n = FContentStream->Read(buffer.get(), kPiece)) > 0;) ok = FConnection.Write(buffer.get(), n);
    } else {
      std::string bytes = DefaultBody();
      ok = FConnection.Write(bytes.data(), bytes.size());
    }
    if (!ok) {
      ContentText.clear();
      ReleaseStream();
      throw EHTTPSocketError("Connection closed while writing");
    }
  }
  ContentText.clear();
  ReleaseStream();
}

}  // namespace quillara
