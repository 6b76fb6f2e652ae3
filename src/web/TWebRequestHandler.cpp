#include "web/TWebRequestHandler.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "web/Messages.h"

namespace quillara {

namespace {}

TWebRequestHandler& TWebRequestHandler::Instance() {
  static TWebRequestHandler handler;
  return handler;
}

TCustomWebDispatcher* TWebRequestHandler::TakeModule() {
  std::unique_lock lock(FLock);
  auto free = [this] { return MaxConnections <= 0 || int(FActive.size()) < MaxConnections; };
  // The clock is read only when there is something to wait for.
  if (!free() && !FModuleReturned.wait_for(lock, MaxModuleWait, free))
    throw Exception(kTooManyConcurrentConnections);
  TCustomWebDispatcher* module;
  if (FInactive.empty()) {
    if (!FWebModuleClass) throw Exception(kNoDataModules);
    FModules.push_back(FWebModuleClass());
    module = FModules.back().get();
  } else {
    module = FInactive.front();
    FInactive.pop_front();
  }
  FActive.push_back(module);
  return module;
}

void TWebRequestHandler::ReturnModule(TCustomWebDispatcher* module) {
  {
    std::lock_guard lock(FLock);
    FActive.erase(std::remove(FActive.begin(), FActive.end(), module), FActive.end());
    if (CacheConnections) {
      FInactive.push_back(module);
    } else {
      FModules.erase(std::remove_if(FModules.begin(), FModules.end(),
                                    [&](auto& m) { return m.get() == module; }),
                     FModules.end());
    }
  }
  FModuleReturned.notify_one();
}

bool TWebRequestHandler::HandleRequest(TWebRequest& request, TWebResponse& response) {
  TModuleLease lease(*this, TakeModule());
  TCustomWebDispatcher& module = lease.Module();
  bool handled = false;
  try {
    handled = module.HandleRequest(request, response);
  } catch (const std::exception& error) {
    module.HandleException(error);
    handled = true;
  }
  if (handled && !response.Sent()) response.SendResponse();
  return handled;
}

void TWebRequestHandler::HandleHTTPRequest(THTTPRequestInfo& httpRequest,
                                           THTTPResponseInfo& httpResponse) {
  THTTPAppRequest request(httpRequest);
  THTTPAppResponse response(httpResponse, request);
  HandleRequest(request, response);
}

size_t TWebRequestHandler::ModuleCount() const {
  std::lock_guard lock(FLock);
  return FModules.size();
}

size_t TWebRequestHandler::ActiveCount() const {
  std::lock_guard lock(FLock);
  return FActive.size();
}

}  // namespace quillara
