#pragma once
#include <string>

#include "base/Exceptions.h"

namespace quillara {

// The peer went away or the socket failed: the request loop ends quietly.
class EHTTPSocketError : public ESocketError {
  using ESocketError::ESocketError;
};

// The request cannot be read: the connection is closed without an answer.
class EHTTPProtocolError : public Exception {
  using Exception::Exception;
};

// "type/sub; charset=x; q=1" -> "type/sub; q=1" and "x".
void SplitContentType(const std::string& value, std::string& type, std::string& charSet);
// The charset a text media type takes when it names none: "us-ascii" for XML, else
// "ISO-8859-1"; empty for other media types.
std::string DefaultCharSet(const std::string& type);

}  // namespace quillara
