#pragma once
#include "http/TCustomTCPServer.h"

namespace quillara {

// The HTTP server over the TCP server. For now a connection is read up to the end of its
// request head and then closed without an answer.
class TCustomHTTPServer : public TCustomTCPServer {
 public:
  ~TCustomHTTPServer() override { SetActive(false); }

 protected:
  void DoExecute(TConnection& connection) override;
};

}  // namespace quillara
