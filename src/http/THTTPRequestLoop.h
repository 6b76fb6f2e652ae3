#pragma once
// Reads one HTTP/1.1 request from a connection (RFC 9112), hands it to a handler and writes the
// answer; keep-alive is off, so the connection closes afterwards.
#include <cstdint>
#include <functional>
#include <string>

#include "http/IHTTPConnection.h"
#include "http/THTTPRequestHead.h"
#include "http/THTTPRequestInfo.h"
#include "http/THTTPResponseInfo.h"

namespace quillara {

// Bodies live in memory whole: a larger one is refused before anything is buffered, and all
// bodies together stay within the budget of THTTPLimits.
constexpr int64_t kMaxBodySize = int64_t(256) << 20;

class THTTPRequestLoop {
 public:
  using THandler = std::function<void(THTTPRequestInfo&, THTTPResponseInfo&)>;
  // How far the peer's side of the connection was read.
  enum TRequestEnd {
    reCutShort,  // the request was not read to its end: bytes of it may still be on the way
    reReadWhole,
    reLast,  // read whole, and the peer said it sends nothing more on this connection
  };
  // Returns when the connection is to be closed; never throws.
  static TRequestEnd Run(IHTTPConnection& connection, const THandler& handler);
  // Bytes of request bodies counted against the budget right now, across all connections.
  static int64_t BodyBytesInFlight();
};

// "%XX" bytes, "%uXXXX" UTF-16 units as UTF-8, invalid escapes dropped with what they span;
// the result read as UTF-8 (returned as UTF-8).
std::string DecodeRequestPath(const std::string& path);

}  // namespace quillara
