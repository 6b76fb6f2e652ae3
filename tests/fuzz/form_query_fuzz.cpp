// Query, form and cookie texts on arbitrary bytes: split into decoded fields or the conversion
// error of a malformed escape, never a crash.
#include <cstdint>
#include <string>

#include "base/Exceptions.h"
#include "base/TStrings.h"
#include "http/THTTPRequestInfo.h"
#include "web/TWebRequest.h"

using namespace quillara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* separators : {"&", ";", "&;,"}) {
    for (bool skipBlanks : {false, true}) {
      TStrings fields;
      try {
        ExtractFields(separators, text, fields, skipBlanks);
      } catch (const EConvertError&) {
        // a broken escape
      }
    }
  }
  try {
    (void)DecodeURLField(text);
  } catch (const EConvertError&) {
  }
  // Through the request adapter, once as the query of a GET, once as the form of a POST.
  for (const char* command : {"GET", "POST"}) {
    THTTPRequestInfo info;
    info.Command = command;
    info.Document = "/f";
    info.URI = "/f";
    if (info.Command == "GET") {
      info.QueryParams = text;
      info.UnparsedParams = text;
    } else {
      info.FormParams = text;
      info.UnparsedParams = text;
      info.ContentType = "application/x-www-form-urlencoded";
    }
    THTTPAppRequest request(info);
    try {
      (void)request.QueryFields();
    } catch (const EConvertError&) {
    }
    try {
      (void)request.ContentFields();
    } catch (const EConvertError&) {
    }
    (void)request.ContentAsText();
  }
  return 0;
}
