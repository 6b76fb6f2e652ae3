// Requests below /dataserver on arbitrary bytes, read by the real request loop and dispatched to
// the remoting dispatcher of a server that publishes only its built-in classes: paths, query
// filters, sessions and parameter bodies give an answer, never a crash.
#include <cstdint>
#include <string>

#include "base/Exceptions.h"
#include "fuzz/TFuzzConnection.h"
#include "http/THTTPRequestLoop.h"
#include "rest/TDSHTTPWebDispatcher.h"
#include "rest/TDSServer.h"
#include "web/TCustomWebDispatcher.h"
#include "web/TWebRequest.h"
#include "web/TWebResponse.h"

using namespace quillara;
using quillara::testing::TFuzzConnection;

namespace {

struct TRestUnderTest {
  TRestUnderTest() {
    server.Start();
    dispatcher.Server = &server;
  }
  TDSServer server;
  TDSHTTPWebDispatcher dispatcher;
  TCustomWebDispatcher owner;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TRestUnderTest rest;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    (void)SplitRestPath(bytes);
  } catch (const Exception&) {
    // not a path: the request's error answer
  }
  std::string after;
  (void)MatchContext("dataserver", bytes, after);
  TFuzzConnection connection(data, size);
  THTTPRequestLoop::Run(connection, [&](THTTPRequestInfo& info, THTTPResponseInfo& http) {
    THTTPAppRequest request(info);
    THTTPAppResponse response(http, request);
    rest.dispatcher.DispatchRequest(rest.owner, request, response);
  });
  return 0;
}
