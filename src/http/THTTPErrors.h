#pragma once
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

}  // namespace quillara
