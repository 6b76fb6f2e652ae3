#include "web/TWebResponse.h"

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "http/Messages.h"
#include "http/THTTPErrors.h"
#include "web/Messages.h"

namespace quillara {

namespace {

[[noreturn]] void InvalidIndex(int index, const char* accessor) {
  throw Exception(FormatMessage(kInvalidResponseIndex, {std::to_string(index), accessor}));
}

std::string CustomHeader(const std::vector<std::pair<std::string, std::string>>& headers,
                         const std::string& name) {
  for (const auto& [n, v] : headers)
    if (SameTextAscii(n, name)) return v;
  return {};
}

void SetCustomHeader(std::vector<std::pair<std::string, std::string>>& headers,
                     const std::string& name, const std::string& value) {
  for (auto& [n, v] : headers)
    if (SameTextAscii(n, name)) {
      v = value;
      return;
    }
  headers.emplace_back(name, value);
}

}  // namespace

std::shared_ptr<TStream> StreamWithOwner(std::unique_ptr<TStream> stream,
                                         std::shared_ptr<const void> owner) {
  struct THeld {
    std::shared_ptr<const void> Owner;  // first, so that it outlives the stream
    std::unique_ptr<TStream> Stream;
  };
  auto held = std::make_shared<THeld>(THeld{std::move(owner), std::move(stream)});
  TStream* view = held->Stream.get();
  return std::shared_ptr<TStream>(std::move(held), view);
}

std::string URLEncodeCookie(const Text& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : TextToUtf8(text)) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::string_view("@!$'()*-._").find(char(c)) != std::string_view::npos) {
      out.push_back(char(c));
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

THTTPAppResponse::THTTPAppResponse(THTTPResponseInfo& response, TWebRequest& request)
    : FResponse(response), FRequest(request) {
  SetStatusCode(200);
  SetContentType("text/html");
}

THTTPAppResponse::~THTTPAppResponse() {
  // The stream and what it holds (a file a method returned) go with this response, sent or not:
  // the request loop does not send it afterwards.
  if (FStream && FResponse.ContentStream() == FStream.get()) FResponse.SetContentStream(nullptr);
}

std::string THTTPAppResponse::GetStringVariable(int index) const {
  switch (index) {
    case 0:
      return FRequest.ProtocolVersion();
    case 1:
      return FResponse.ResponseText;
    case 2:
      return FResponse.ServerSoftware;
    case 3:
      return FResponse.WWWAuthenticate;
    case 4:
      return FRealm;
    case 5:
      return CustomHeader(FCustomHeaders, "Allow");
    case 6:
      return FResponse.Location;
    case 7:
      return FResponse.ContentEncoding;
    case 8:
      return FContentType;
    case 9:
      return FResponse.ContentVersion;
    case 10:
      return CustomHeader(FCustomHeaders, "Derived-From");
    case 11:
      return CustomHeader(FCustomHeaders, "Title");
    default:
      InvalidIndex(index, "GetStringVariable");
  }
}

void THTTPAppResponse::SetStringVariable(int index, const std::string& value) {
  switch (index) {
    case 0:
      break;  // the version comes from the request
    case 1:
      FResponse.ResponseText = value;
      break;
    case 2:
      FResponse.ServerSoftware = value;
      break;
    case 3:
      FResponse.WWWAuthenticate = value;
      break;
    case 4:
      FRealm = value;
      break;
    case 5:
      SetCustomHeader(FCustomHeaders, "Allow", value);
      break;
    case 6:
      FResponse.Location = value;
      break;
    case 7:
      FResponse.ContentEncoding = value;
      break;
    case 8:
      FContentType = value;
      FResponse.SetFullContentType(value);
      break;
    case 9:
      FResponse.ContentVersion = value;
      break;
    case 10:
      SetCustomHeader(FCustomHeaders, "Derived-From", value);
      break;
    case 11:
      SetCustomHeader(FCustomHeaders, "Title", value);
      break;
    default:
      InvalidIndex(index, "SetStringVariable");
  }
}

int64_t THTTPAppResponse::GetIntegerVariable(int index) const {
  if (index != 0) InvalidIndex(index, "GetIntegerVariable");
  return FResponse.ContentLength;
}

void THTTPAppResponse::SetIntegerVariable(int index, int64_t value) {
  if (index != 0) InvalidIndex(index, "SetIntegerVariable");
  FResponse.ContentLength = value;
}

std::time_t THTTPAppResponse::GetDateVariable(int index) const {
  switch (index) {
    case 0:
      return FResponse.Date;
    case 1:
      return FResponse.Expires;
    case 2:
      return FResponse.LastModified;
    default:
      InvalidIndex(index, "GetDateVariable");
  }
}

void THTTPAppResponse::SetDateVariable(int index, std::time_t value) {
  switch (index) {
    case 0:
      FResponse.Date = value;
      break;
    case 1:
      FResponse.Expires = value;
      break;
    case 2:
      FResponse.LastModified = value;
      break;
    default:
      InvalidIndex(index, "SetDateVariable");
  }
}

bool THTTPAppResponse::ContentTypeSaysUtf8() const {
  std::string type = UpperAscii(FContentType);
  return type.find("CHARSET") != std::string::npos && type.find("UTF-8") != std::string::npos;
}

void THTTPAppResponse::SetContent(const Text& text) {
  SetRawContent(EncodeText(text, ContentTypeSaysUtf8() ? TCodePage::cpUTF8 : kAnsiCodePage));
}

void THTTPAppResponse::SetRawContent(const std::string& bytes) {
  auto cp = FResponse.CharSet.empty() ? std::optional<TCodePage>(kAnsiCodePage)
                                      : CodePageOfCharSet(FResponse.CharSet);
  FResponse.ContentText = DecodeBytes(bytes, cp.value_or(kAnsiCodePage));
}

Text THTTPAppResponse::Content() const {
  auto cp = CodePageOfCharSet(FResponse.CharSet).value_or(kAnsiCodePage);
  std::string bytes = EncodeText(FResponse.ContentText, cp);
  return DecodeBytes(bytes, ContentTypeSaysUtf8() ? TCodePage::cpUTF8 : kAnsiCodePage);
}

void THTTPAppResponse::SetContentStream(std::shared_ptr<TStream> stream) {
  FResponse.SetContentStream(stream);
  FResponse.ContentLength = stream ? stream->Size() : -1;
  FStream = std::move(stream);
}

void THTTPAppResponse::CopyHeadersAndCookies() {
  for (const TWebCookie& c : FCookies) {
    THTTPCookie cookie;
    cookie.Name = URLEncodeCookie(c.Name);
    cookie.Value = URLEncodeCookie(c.Value);
    cookie.Domain = c.Domain;
    cookie.Path = c.Path;
    cookie.Expires = c.Expires >= 0 ? FormatHTTPDate(c.Expires) : "";
    cookie.Secure = c.Secure;
    FResponse.Cookies.push_back(std::move(cookie));
  }
  FResponse.CustomHeaders = FCustomHeaders;
}

void THTTPAppResponse::SendResponse() {
  FSent = true;
  // Recomputed in bytes by the header writer; a length set without any content (the answer to
  // HEAD for a file) stays, or HEAD would announce the length of the default body instead.
  if (!FResponse.ContentText.empty() || FResponse.ContentStream()) FResponse.ContentLength = -1;
  CopyHeadersAndCookies();
  FResponse.WriteContent();
}

void THTTPAppResponse::SendRedirect(const std::string& uri) {
  FSent = true;
  CopyHeadersAndCookies();
  SetStatusCode(302);
  FResponse.Location = uri;
}

void THTTPAppResponse::SendStream(TStream& stream) {
  char buffer[32768];
  for (size_t n; (n = stream.Read(buffer, sizeof buffer)) > 0;)
    if (!FResponse.WriteRaw(std::string(buffer, n))) throw EHTTPSocketError(kClosedWhileWriting);
}

}  // namespace quillara
