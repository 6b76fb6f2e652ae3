#pragma once
// One parsed HTTP request as the request loop hands it on.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/TStream.h"

namespace quillara {

struct THTTPCookie {
  std::string Name;
  std::string Value;
  std::string Domain;
  std::string Path;
  std::string Expires;  // as written in Set-Cookie, empty when unset
  bool Secure = false;
};

enum THTTPCommandType { hcUnknown, hcHEAD, hcGET, hcPOST, hcDELETE, hcPUT, hcTRACE, hcOPTION };

struct THTTPRequestInfo {
  std::string RawHTTPCommand;
  std::string Command;
  THTTPCommandType CommandType = hcUnknown;
  std::string Version;
  int VersionMajor = -1;
  int VersionMinor = -1;
  std::string URI;
  std::string QueryParams;
  std::string Document;  // decoded, UTF-8
  std::vector<std::string> RawHeaders;
  std::string Host, Accept, AcceptCharSet, AcceptEncoding, AcceptLanguage, From, Referer, UserAgent,
      Connection, CacheControl, ContentEncoding, ContentLanguage, ContentVersion,
      ContentDisposition, Pragma, ETag, TransferEncoding;
  std::string ContentType;
  std::string CharSet;
  int64_t ContentLength = -1;
  std::string MethodOverride;
  std::string RemoteIP;
  uint16_t LocalPort = 0;
  std::unique_ptr<TMemoryStream> PostStream;
  std::string FormParams;
  std::string UnparsedParams;
  std::vector<THTTPCookie> Cookies;
  bool AuthExists = false;
  std::string AuthUsername;
  std::string AuthPassword;

  // The first header line whose name matches without regard to case, with its continuation
  // lines joined by one blank; empty when absent.
  std::string RawHeaderValue(std::string_view name) const;
};

// "type/sub; charset=x; q=1" -> "type/sub; q=1" and "x".
void SplitContentType(const std::string& value, std::string& type, std::string& charSet);
// The charset a text media type takes when it names none: "us-ascii" for XML, else
// "ISO-8859-1"; empty for other media types.
std::string DefaultCharSet(const std::string& type);

}  // namespace quillara
