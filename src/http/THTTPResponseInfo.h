#pragma once
// One HTTP response as the request loop writes it: status, headers in a fixed order, content.
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/TStream.h"
#include "base/Text.h"
#include "http/IHTTPConnection.h"
#include "http/THTTPRequestInfo.h"

namespace quillara {

// The reason text of a status number; "Unknown Response Code" for numbers not in the table.
const char* StatusText(int code);
// RFC 1123 date in GMT from a local time ("Tue, 09 Dec 2025 14:03:07 GMT").
std::string FormatHTTPDate(std::time_t time);
// Parses the three HTTP date forms of RFC 9110; -1 when unreadable.
std::time_t ParseHTTPDate(const std::string& text);

class THTTPResponseInfo {
 public:
  THTTPResponseInfo(IHTTPConnection& connection, const THTTPRequestInfo& request)
      : FConnection(connection), FRequest(request) {}
  ~THTTPResponseInfo();
  THTTPResponseInfo(const THTTPResponseInfo&) = delete;
  THTTPResponseInfo& operator=(const THTTPResponseInfo&) = delete;

  int ResponseNo() const { return FResponseNo; }
  // Also replaces the text from the table; 404 marks the connection for closing.
  void SetResponseNo(int code);
  std::string ResponseText = "OK";
  std::string ContentType;  // media type only; the charset lives in CharSet
  std::string CharSet;
  int64_t ContentLength = -1;
  Text ContentText;  // written in the encoding CharSet names, else one byte per character
  // The content stream, held until it is sent or replaced. A stream that lives
  // inside another object comes with that object as its owner (std::shared_ptr's aliasing
  // constructor), so it cannot die while it is sent.
  TStream* ContentStream() const { return FContentStream.get(); }
  void SetContentStream(std::shared_ptr<TStream> stream) { FContentStream = std::move(stream); }
  std::vector<std::pair<std::string, std::string>> CustomHeaders;
  std::vector<THTTPCookie> Cookies;
  std::string Location, ContentDisposition, ContentEncoding, ContentVersion, ContentLanguage,
      CacheControl, Pragma, ETag, ServerSoftware, WWWAuthenticate, ContentRange, AcceptPatch,
      AcceptRanges, TransferEncoding;
  std::time_t Date = -1, Expires = -1, LastModified = -1;  // local time, -1 unset
  bool CloseConnection = false;
  bool HeaderHasBeenWritten() const { return FHeaderWritten; }

  // Sets the media type and charset from a full Content-Type value, with the text defaults.
  void SetFullContentType(const std::string& value);
  // Fails with EHTTPProtocolError "Header has already been written.".
  void WriteHeader();
  // As WriteHeader, from inside WriteContent: the default body counts towards the length.
  void WriteHeader(bool forContent);
  // Writes exactly the length the header announced: longer content is cut there, shorter
  // content ends the connection as a failed transfer (EHTTPSocketError).
  void WriteContent();
  // Bytes at once on the connection, no header.
  bool WriteRaw(const std::string& bytes) { return FConnection.Write(bytes.data(), bytes.size()); }
  const THTTPRequestInfo& Request() const { return FRequest; }

 private:
  bool WillWriteBody() const;
  // Marks the header written and returns its text; textBytes is the encoded length of
  // ContentText when the caller has it.
  std::string HeaderText(bool forContent, int64_t textBytes);
  static void AppendBody(std::string& out, const char* data, size_t size, int64_t& left);
  // Writes out (and empties it); false when the connection failed. last: nothing follows on
  // the connection.
  bool Flush(std::string& out, bool last = false);
  // out (the header, if still unwritten) and then the content stream, up to left bytes.
  bool WriteStream(std::string& out, int64_t& left);
  std::string DefaultBody() const;
  std::string EncodedContentText() const;

  IHTTPConnection& FConnection;
  const THTTPRequestInfo& FRequest;
  int FResponseNo = 200;
  bool FHeaderWritten = false;
  int64_t FAnnouncedLength = -1;  // the Content-Length the header carried; -1 for none
  std::shared_ptr<TStream> FContentStream;
};

}  // namespace quillara
