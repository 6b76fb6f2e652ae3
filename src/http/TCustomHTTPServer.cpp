#include "http/TCustomHTTPServer.h"

#include <algorithm>
#include <ctime>

#include "http/TAccessLog.h"
#include "http/THTTPLimits.h"
#include "platform/TSocket.h"

namespace quillara {

namespace {

class TSocketConnection : public IHTTPConnection {
 public:
  explicit TSocketConnection(TConnection& connection)
      : FConnection(connection), FSocket(connection.Socket()) {}
  // A read that waits for the idle timeout fails, and the request loop ends quietly.
  long Read(char* buffer, size_t size) override { return FConnection.Receive(buffer, size); }
  bool WaitReadable(int timeoutMs) override { return FConnection.WaitReadable(timeoutMs); }
  // A peer that is gone or takes nothing for the stall timeout gets a reset: the answer it has
  // is incomplete. Once that is decided, later writes (an error page, say) fail at once.
  bool Write(const char* data, size_t size) override { return Send(data, size, false); }
  bool WriteLast(const char* data, size_t size) override { return Send(data, size, true); }
  bool CanWriteFile() const override { return true; }
  long WriteFile(intptr_t fileHandle, int64_t offset, size_t size) override {
    if (FConnection.Aborted()) return -1;
    platform::TSocketResult r;
    long n = platform::SendFile(FSocket, fileHandle, offset, size, FStallTimeoutMs, r);
    if (n < 0) Abort();
    return n;
  }
  void Abort() override { FConnection.Abort(); }
  std::string PeerAddress() const override {
    return FConnection.PeerAddress().empty() ? platform::PeerAddressText(FSocket)
                                             : FConnection.PeerAddress();
  }
  uint16_t LocalPort() const override {
    return FConnection.LocalPort() ? FConnection.LocalPort() : platform::LocalPort(FSocket);
  }

 private:
  bool Send(const char* data, size_t size, bool holdTail) {
    if (FConnection.Aborted()) return false;
    if (platform::SendAll(FSocket, data, size, FStallTimeoutMs, holdTail).Ok()) return true;
    Abort();
    return false;
  }

  TConnection& FConnection;
  const platform::TSocket& FSocket;
  int FStallTimeoutMs = std::max(1, HTTPLimits().SendStallTimeoutMs.load());
};

}  // namespace

void TCustomHTTPServer::DoExecute(TConnection& connection) {
  TSocketConnection socket(connection);
  auto handler = [this](THTTPRequestInfo& request, THTTPResponseInfo& response) {
    if (request.CommandType == hcHEAD || request.CommandType == hcGET ||
        request.CommandType == hcPOST) {
      DoCommandGet(request, response);
    } else {
      DoCommandOther(request, response);
    }
  };
  THTTPRequestLoop::TRequestEnd end;
  if (TAccessLog* log = TAccessLog::Current()) {
    TLoggedConnection logged(socket, *log);
    end = THTTPRequestLoop::Run(logged, handler);
  } else {
    end = THTTPRequestLoop::Run(socket, handler);
  }
  if (end != THTTPRequestLoop::reCutShort)
    connection.MarkRequestRead(end == THTTPRequestLoop::reLast);
}

std::string TCustomHTTPServer::BusyAnswer() const {
  return "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Length: 0\r\nDate: " +
         FormatHTTPDate(std::time(nullptr)) + "\r\n\r\n";
}

void TCustomHTTPServer::DoCommandGet(THTTPRequestInfo&, THTTPResponseInfo&) {}
void TCustomHTTPServer::DoCommandOther(THTTPRequestInfo&, THTTPResponseInfo&) {}

}  // namespace quillara
