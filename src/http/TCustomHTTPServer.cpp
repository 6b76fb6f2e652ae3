#include "http/TCustomHTTPServer.h"

#include <string>

namespace quillara {

void TCustomHTTPServer::DoExecute(TConnection& connection) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    platform::TSocketResult r;
    long n = platform::Receive(connection.Socket(), buffer, sizeof buffer, r);
    if (n <= 0) return;
    head.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace quillara
