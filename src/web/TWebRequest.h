#pragma once
// The web request as all dispatch code sees it: numbered variables, field lists and content.
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "base/TStream.h"
#include "base/TStrings.h"
#include "base/Text.h"
#include "http/THTTPRequestInfo.h"

namespace quillara {

enum class TMethodType { mtAny, mtGet, mtPut, mtPost, mtHead, mtDelete, mtPatch };

class TWebRequest {
 public:
  virtual ~TWebRequest() = default;

  // Variables 0..28; any other number reads as empty.
  virtual std::string GetStringVariable(int index) const = 0;
  // -1 when the variable is not a number.
  int64_t GetIntegerVariable(int index) const;
  // -1 when the variable is empty or no HTTP date.
  std::time_t GetDateVariable(int index) const;

  std::string Method() const { return GetStringVariable(0); }
  std::string ProtocolVersion() const { return GetStringVariable(1); }
  std::string URL() const { return GetStringVariable(2); }
  std::string Query() const { return GetStringVariable(3); }
  std::string PathInfo() const { return GetStringVariable(4); }
  std::string PathTranslated() const { return GetStringVariable(5); }
  std::string Host() const { return GetStringVariable(10); }
  std::string IfModifiedSince() const { return GetStringVariable(11); }
  std::string UserAgent() const { return GetStringVariable(13); }
  std::string ContentType() const { return GetStringVariable(15); }
  int64_t ContentLength() const { return GetIntegerVariable(16); }
  std::string RemoteAddr() const { return GetStringVariable(21); }
  std::string ScriptName() const { return GetStringVariable(23); }
  int64_t ServerPort() const { return GetIntegerVariable(24); }
  std::string Authorization() const { return GetStringVariable(28); }

  TMethodType MethodType() const { return FMethodType; }
  std::string InternalPathInfo() const { return PathInfo(); }
  std::string InternalScriptName() const { return ScriptName(); }
  virtual std::string RawPathInfo() const = 0;
  virtual std::string RemoteIP() const = 0;
  // The value of a request header (first line wins, name without regard to case).
  virtual std::string GetFieldByName(const std::string& name) const = 0;

  // The request content: the body, or the form or query text when there is no body.
  virtual TStream& ContentStream() = 0;
  // All content bytes; the stream position is kept.
  std::string Content();
  // The content as text: UTF-8 when the content type names charset UTF-8, else ANSI.
  Text ContentAsText();
  size_t ReadClient(void* buffer, size_t count) { return ContentStream().Read(buffer, count); }

  // Built on first use; malformed escapes fail with EConvertError then.
  const TStrings& QueryFields();
  const TStrings& ContentFields();
  virtual const TStrings& CookieFields() const = 0;

 protected:
  void SetMethodType(const std::string& method);

 private:
  TMethodType FMethodType = TMethodType::mtAny;
  std::optional<TStrings> FQueryFields;
  std::optional<TStrings> FContentFields;
};

// Splits "a=1&b=2" style text into decoded entries (see the field rules of the web layer).
void ExtractFields(const std::string& separators, const std::string& content, TStrings& into,
                   bool skipLeadingBlanks = false);
// "+" a blank, "%XX" a byte, "%%" a percent sign; the bytes read as UTF-8.
Text DecodeURLField(const std::string& field);

// The HTTP adapter.
class THTTPAppRequest : public TWebRequest {
 public:
  explicit THTTPAppRequest(THTTPRequestInfo& request);
  std::string GetStringVariable(int index) const override;
  std::string RawPathInfo() const override { return FRequest.URI; }
  std::string RemoteIP() const override { return FRequest.RemoteIP; }
  std::string GetFieldByName(const std::string& name) const override {
    return FRequest.RawHeaderValue(name);
  }
  TStream& ContentStream() override;
  const TStrings& CookieFields() const override { return FCookieFields; }

 private:
  THTTPRequestInfo& FRequest;
  std::unique_ptr<TMemoryStream> FOwnedContent;
  TStrings FCookieFields;
};

}  // namespace quillara
