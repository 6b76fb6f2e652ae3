#include "web/TWebRequest.h"

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "http/THTTPResponseInfo.h"
#include "web/Messages.h"

namespace quillara {

int64_t TWebRequest::GetIntegerVariable(int index) const {
  auto v = TryStrToInt64(Utf8ToText(GetStringVariable(index)));
  return v ? *v : -1;
}

std::time_t TWebRequest::GetDateVariable(int index) const {
  std::string text = GetStringVariable(index);
  return text.empty() ? -1 : ParseHTTPDate(text);
}

void TWebRequest::SetMethodType(const std::string& method) {
  static const std::pair<const char*, TMethodType> kTypes[] = {
      {"GET", TMethodType::mtGet},       {"PUT", TMethodType::mtPut},
      {"POST", TMethodType::mtPost},     {"HEAD", TMethodType::mtHead},
      {"DELETE", TMethodType::mtDelete}, {"PATCH", TMethodType::mtPatch}};
  FMethodType = TMethodType::mtAny;
  for (const auto& [name, type] : kTypes)
    if (method == name) {
      FMethodType = type;
      break;
    }
}

std::string TWebRequest::Content() {
  TStream& stream = ContentStream();
  int64_t position = stream.Position();
  stream.SetPosition(0);
  std::string bytes = stream.ReadRest();
  stream.SetPosition(position);
  return bytes;
}

Text TWebRequest::ContentAsText() {
  std::string type = UpperAscii(ContentType());
  bool utf8 = type.find("CHARSET") != std::string::npos && type.find("UTF-8") != std::string::npos;
  return DecodeBytes(Content(), utf8 ? TCodePage::cpUTF8 : kAnsiCodePage);
}

const TStrings& TWebRequest::QueryFields() {
  if (!FQueryFields) {
    TStrings fields;
    ExtractFields("&", Query(), fields);
    FQueryFields = std::move(fields);
  }
  return *FQueryFields;
}

const TStrings& TWebRequest::ContentFields() {
  if (!FContentFields) {
    TStrings fields;
    if (ContentLength() != 0) ExtractFields("&", Content(), fields);
    FContentFields = std::move(fields);
  }
  return *FContentFields;
}

Text DecodeURLField(const std::string& field) {
  std::string bytes;
  for (size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c == '+') {
      bytes.push_back(' ');
    } else if (c == '%') {
      if (i + 1 < field.size() && field[i + 1] == '%') {
        bytes.push_back('%');
        ++i;
        continue;
      }
      if (i + 2 >= field.size())
        throw EConvertError(FormatMessage(kURLEncodingIncomplete, {std::to_string(i)}));
      int hi = HexDigitValue(field[i + 1]), lo = HexDigitValue(field[i + 2]);
      if (hi < 0 || lo < 0)
        throw EConvertError(
            FormatMessage(kURLEncodingInvalid, {field.substr(i, 3), std::to_string(i)}));
      bytes.push_back(char(hi * 16 + lo));
      i += 2;
    } else {
      bytes.push_back(c);
    }
  }
  return Utf8ToText(bytes);
}

void ExtractFields(const std::string& separators, const std::string& content, TStrings& into,
                   bool skipLeadingBlanks) {
  size_t i = 0;
  const size_t n = content.size();
  if (n == 0) return;
  for (;;) {
    while (i < n &&
           (content[i] == '\r' || content[i] == '\n' || (skipLeadingBlanks && content[i] == ' ')))
      ++i;
    size_t start = i;
    bool quoted = false;
    while (i < n) {
      char c = content[i];
      if (c == '"') quoted = !quoted;
      if (!quoted && (separators.find(c) != std::string::npos || c == '\r' || c == '\n')) break;
      ++i;
    }
    std::string field = content.substr(start, i - start);
    into.Add(field.empty() ? Text() : DecodeURLField(field));
    if (i >= n) return;
    ++i;                 // the separator
    if (i >= n) return;  // the end after a separator adds nothing
  }
}

THTTPAppRequest::THTTPAppRequest(THTTPRequestInfo& request) : FRequest(request) {
  SetMethodType(request.Command);
  for (const THTTPCookie& c : request.Cookies)
    FCookieFields.Add(Utf8ToText(c.Name + "=" + c.Value));
}

std::string THTTPAppRequest::GetStringVariable(int index) const {
  const THTTPRequestInfo& r = FRequest;
  switch (index) {
    case 0:
      return r.Command;
    case 1:
      return r.Version;
    case 3:
      return r.QueryParams;
    case 4:
    case 5:
      return r.Document;
    case 6:
      return r.RawHeaderValue("Cache-Control");
    case 7:
      return r.RawHeaderValue("Date");
    case 8:
      return r.Accept;
    case 9:
      return r.From;
    case 10:
      return r.Host.substr(0, r.Host.find(':'));
    case 11:
      return r.RawHeaderValue("If-Modified-Since");
    case 12:
      return r.Referer;
    case 13:
      return r.UserAgent;
    case 14:
      return r.ContentEncoding;
    case 15:
      return r.ContentType;
    case 16:
      return std::to_string(const_cast<THTTPAppRequest*>(this)->ContentStream().Size());
    case 17:
      return r.RawHeaderValue("CONTENT_VERSION");
    case 18:
      return r.RawHeaderValue("Derived-From");
    case 19:
      return r.RawHeaderValue("Expires");
    case 20:
      return r.RawHeaderValue("Title");
    case 21:
      return r.RemoteIP;
    case 22:
      return r.RawHeaderValue("REMOTE_HOST");
    case 24: {
      size_t colon = r.Host.find(':');
      return colon == std::string::npos ? std::to_string(r.LocalPort) : r.Host.substr(colon + 1);
    }
    case 25:
      return const_cast<THTTPAppRequest*>(this)->Content();
    case 26:
      return r.RawHeaderValue("Connection");
    case 28:
      return r.RawHeaderValue("Authorization");
    default:
      return {};
  }
}

TStream& THTTPAppRequest::ContentStream() {
  if (FRequest.PostStream) return *FRequest.PostStream;
  if (!FOwnedContent) {
    // Form and query texts keep their bytes as they came: re-encoding them through the ANSI
    // code page would turn UTF-8 bytes such as those of "€" into "?".
    FOwnedContent = std::make_unique<TMemoryStream>(
        FRequest.FormParams.empty() ? FRequest.UnparsedParams : FRequest.FormParams);
  }
  return *FOwnedContent;
}

}  // namespace quillara
