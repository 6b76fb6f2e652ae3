#include "http/TCustomHTTPServer.h"

#include "http/TAccessLog.h"
#include "platform/TSocket.h"

namespace quillara {

namespace {

class TSocketConnection : public IHTTPConnection {
 public:
  explicit TSocketConnection(const platform::TSocket& socket) : FSocket(socket) {}
  long Read(char* buffer, size_t size) override {
    platform::TSocketResult r;
    return platform::Receive(FSocket, buffer, size, r);
  }
  bool WaitReadable(int timeoutMs) override { return platform::WaitReadable(FSocket, timeoutMs) > 0; }
  bool Write(const char* data, size_t size) override { return platform::SendAll(FSocket, data, size).Ok(); }
  std::string PeerAddress() const override { return platform::PeerAddressText(FSocket); }
  uint16_t LocalPort() const override { return platform::LocalPort(FSocket); }

 private:
  const platform::TSocket& FSocket;
};

}  // namespace

void TCustomHTTPServer::DoExecute(TConnection& connection) {
  TSocketConnection socket(connection.Socket());
  auto handler = [this](THTTPRequestInfo& request, THTTPResponseInfo& response) {
    if (request.CommandType == hcHEAD || request.CommandType == hcGET || request.CommandType == hcPOST) {
      DoCommandGet(request, response);
    } else {
      DoCommandOther(request, response);
    }
  };
  if (TAccessLog* log = TAccessLog::Current()) {
    TLoggedConnection logged(socket, *log);
    THTTPRequestLoop::Run(logged, handler);
  } else {
    THTTPRequestLoop::Run(socket, handler);
  }
}

void TCustomHTTPServer::DoCommandGet(THTTPRequestInfo&, THTTPResponseInfo&) {}
void TCustomHTTPServer::DoCommandOther(THTTPRequestInfo&, THTTPResponseInfo&) {}

}  // namespace quillara
