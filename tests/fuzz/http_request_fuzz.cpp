// The request loop on arbitrary bytes, delivered in arbitrary pieces: it never crashes, never
// answers twice and never reads past its limits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/TFuzzConnection.h"
#include "http/THTTPRequestLoop.h"

using namespace quillara;
using quillara::testing::TFuzzConnection;

namespace {

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
  return 0;
}
