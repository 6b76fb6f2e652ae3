#pragma once
// The web response as dispatch code writes it; the HTTP adapter writes through to the HTTP
// response record.
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/TStream.h"
#include "base/Text.h"
#include "http/THTTPResponseInfo.h"
#include "web/TWebRequest.h"

namespace quillara {

struct TWebCookie {
  Text Name;
  Text Value;
  std::string Domain;
  std::string Path;
  std::time_t Expires = -1;
  bool Secure = false;
};

class TWebResponse {
 public:
  virtual ~TWebResponse() = default;

  // String variables 0..11, integer 0, dates 0..2; other numbers fail with
  // "Invalid Index %s in THTTPAppResponse.<accessor>".
  virtual std::string GetStringVariable(int index) const = 0;
  virtual void SetStringVariable(int index, const std::string& value) = 0;
  virtual int64_t GetIntegerVariable(int index) const = 0;
  virtual void SetIntegerVariable(int index, int64_t value) = 0;
  virtual std::time_t GetDateVariable(int index) const = 0;
  virtual void SetDateVariable(int index, std::time_t value) = 0;

  std::string ContentType() const { return GetStringVariable(8); }
  void SetContentType(const std::string& value) { SetStringVariable(8, value); }
  std::string Location() const { return GetStringVariable(6); }
  void SetLocation(const std::string& value) { SetStringVariable(6, value); }
  std::string ReasonString() const { return GetStringVariable(1); }
  void SetReasonString(const std::string& value) { SetStringVariable(1, value); }
  int64_t ContentLength() const { return GetIntegerVariable(0); }
  void SetContentLength(int64_t value) { SetIntegerVariable(0, value); }
  std::time_t LastModified() const { return GetDateVariable(2); }
  void SetLastModified(std::time_t value) { SetDateVariable(2, value); }

  virtual int StatusCode() const = 0;
  // Also sets the reason text from the status table.
  virtual void SetStatusCode(int code) = 0;
  // The content as text, encoded as the content type says (UTF-8 when it names charset UTF-8,
  // else the ANSI code page).
  virtual Text Content() const = 0;
  virtual void SetContent(const Text& text) = 0;
  // Raw content bytes, read with the charset of the response.
  virtual void SetRawContent(const std::string& bytes) = 0;
  virtual TStream* ContentStream() const = 0;
  // The response holds the stream until it is gone; replacing it lets the old one go. A stream
  // that lives inside another object is passed with that object as its owner:
  // std::shared_ptr<TStream>(owner, &owner->Stream).
  virtual void SetContentStream(std::shared_ptr<TStream> stream) = 0;

  std::vector<std::pair<std::string, std::string>>& CustomHeaders() { return FCustomHeaders; }
  std::vector<TWebCookie>& Cookies() { return FCookies; }
  bool Sent() const { return FSent; }

  virtual void SendResponse() = 0;
  virtual void SendRedirect(const std::string& uri) = 0;
  virtual void SendStream(TStream& stream) = 0;

 protected:
  std::vector<std::pair<std::string, std::string>> FCustomHeaders;
  std::vector<TWebCookie> FCookies;
  bool FSent = false;
};

// A stream that reads from another object it does not own: the object is held as long as the
// stream and let go after it.
std::shared_ptr<TStream> StreamWithOwner(std::unique_ptr<TStream> stream,
                                         std::shared_ptr<const void> owner);

// Letters, digits and @ ! $ ' ( ) * - . _ unchanged, a blank "+", everything else "%XX" of
// its UTF-8 bytes.
std::string URLEncodeCookie(const Text& text);

class THTTPAppResponse : public TWebResponse {
 public:
  THTTPAppResponse(THTTPResponseInfo& response, TWebRequest& request);
  ~THTTPAppResponse() override;

  std::string GetStringVariable(int index) const override;
  void SetStringVariable(int index, const std::string& value) override;
  int64_t GetIntegerVariable(int index) const override;
  void SetIntegerVariable(int index, int64_t value) override;
  std::time_t GetDateVariable(int index) const override;
  void SetDateVariable(int index, std::time_t value) override;

  int StatusCode() const override { return FResponse.ResponseNo(); }
  void SetStatusCode(int code) override { FResponse.SetResponseNo(code); }
  Text Content() const override;
  void SetContent(const Text& text) override;
  void SetRawContent(const std::string& bytes) override;
  TStream* ContentStream() const override { return FStream.get(); }
  void SetContentStream(std::shared_ptr<TStream> stream) override;

  void SendResponse() override;
  void SendRedirect(const std::string& uri) override;
  void SendStream(TStream& stream) override;

 private:
  void CopyHeadersAndCookies();
  bool ContentTypeSaysUtf8() const;

  THTTPResponseInfo& FResponse;
  TWebRequest& FRequest;
  std::string FContentType;
  std::string FRealm;
  std::shared_ptr<TStream> FStream;
};

}  // namespace quillara
