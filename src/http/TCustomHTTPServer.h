#pragma once
#include "http/TCustomTCPServer.h"
#include "http/THTTPRequestLoop.h"

namespace quillara {

// The HTTP server over the TCP server: one request per connection, then the connection closes.
class TCustomHTTPServer : public TCustomTCPServer {
 public:
  ~TCustomHTTPServer() override { SetActive(false); }

 protected:
  void DoExecute(TConnection& connection) override;
  // A header-only 503 for connections past the cap.
  std::string BusyAnswer() const override;
  // HEAD, GET and POST arrive here, every other method at DoCommandOther.
  virtual void DoCommandGet(THTTPRequestInfo& request, THTTPResponseInfo& response);
  virtual void DoCommandOther(THTTPRequestInfo& request, THTTPResponseInfo& response);
};

}  // namespace quillara
