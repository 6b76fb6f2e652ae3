#include "web/THTTPWebBridge.h"

#include "web/TWebRequestHandler.h"

namespace quillara {

void THTTPWebBridge::DoCommandGet(THTTPRequestInfo& request, THTTPResponseInfo& response) {
  TWebRequestHandler::Instance().HandleHTTPRequest(request, response);
}

void THTTPWebBridge::DoCommandOther(THTTPRequestInfo& request, THTTPResponseInfo& response) {
  TWebRequestHandler::Instance().HandleHTTPRequest(request, response);
}

}  // namespace quillara
