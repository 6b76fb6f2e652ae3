// The request loop on arbitrary bytes, delivered in arbitrary pieces: it never crashes, never
// answers twice and never reads past its limits. The head reader alone reads the same head
// whether the bytes come whole or in those pieces.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/TFuzzConnection.h"
#include "http/THTTPRequestLoop.h"

using namespace quillara;
using quillara::testing::TFuzzConnection;

namespace {

struct THeadRead {
  THTTPHeadResult Result;  // Offset from the start of the data
  THTTPRequestHead Head;
};

// As the request loop feeds it: what a call takes is dropped, the rest waits for more.
THeadRead ReadHeadInPieces(const std::string& data, bool whole) {
  THeadRead read;
  std::string pending;
  size_t taken = 0;
  for (size_t pos = 0;;) {
    size_t n = whole ? data.size() - pos
                     : std::min(data.size() - pos, size_t(1 + uint8_t(data[pos]) % 61));
    pending.append(data, pos, n);
    pos += n;
    read.Result = ReadRequestHead(pending, read.Head);
    read.Result.Offset += taken;
    if (read.Result.Status != hsIncomplete || pos == data.size()) return read;
    pending.erase(0, read.Result.Offset - taken);
    taken = read.Result.Offset;
  }
}

size_t CountAnswers(const std::string& out) {
  size_t n = 0;
  for (size_t p = out.find("HTTP/1.1 "); p != std::string::npos; p = out.find("HTTP/1.1 ", p + 1))
    if (p == 0 || out[p - 1] == '\n') ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzConnection connection(data, size);
  int calls = 0;
  THTTPRequestLoop::Run(connection, [&](THTTPRequestInfo& request, THTTPResponseInfo& response) {
    ++calls;
    if (request.PostStream && request.PostStream->Size() > kMaxBodySize) std::abort();
    for (const std::string& h : request.RawHeaders)
      if (h.size() > 2 * kMaxLineLength * kMaxHeaderLines) std::abort();
    response.ContentText = u"x";
  });
  if (calls > 1) std::abort();
  if (CountAnswers(connection.FOutput) > 2) std::abort();  // a 100 Continue and the answer

  THeadRead whole = ReadHeadInPieces(connection.FData, true);
  THeadRead pieces = ReadHeadInPieces(connection.FData, false);
  if (whole.Result.Status != pieces.Result.Status || whole.Result.Error != pieces.Result.Error ||
      whole.Result.Offset != pieces.Result.Offset || whole.Head.Headers != pieces.Head.Headers ||
      whole.Head.RequestLine != pieces.Head.RequestLine)
    std::abort();
  if (whole.Result.Offset > connection.FData.size()) std::abort();
  return 0;
}
