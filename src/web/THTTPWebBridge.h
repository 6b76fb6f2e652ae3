#pragma once
#include "http/TCustomHTTPServer.h"

namespace quillara {

// The HTTP server that hands every request to the process-wide web request handler.
class THTTPWebBridge : public TCustomHTTPServer {
 public:
  ~THTTPWebBridge() override { SetActive(false); }

 protected:
  void DoCommandGet(THTTPRequestInfo& request, THTTPResponseInfo& response) override;
  void DoCommandOther(THTTPRequestInfo& request, THTTPResponseInfo& response) override;
};

}  // namespace quillara
