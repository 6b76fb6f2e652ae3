#pragma once
// The process-wide pool of web modules: at most 32 in use at once, idle ones reused first in,
// first out.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "http/THTTPRequestInfo.h"
#include "http/THTTPResponseInfo.h"
#include "web/TCustomWebDispatcher.h"

namespace quillara {

class TWebRequestHandler {
 public:
  using TWebModuleClass = std::function<std::unique_ptr<TCustomWebDispatcher>()>;

  static TWebRequestHandler& Instance();

  void SetWebModuleClass(TWebModuleClass factory) { FWebModuleClass = std::move(factory); }
  int MaxConnections = 32;
  bool CacheConnections = true;
  // How long a request that finds every module taken waits for one before it is refused. Calls
  // take microseconds, but threads holding modules can be preempted for a while on a busy host.
  std::chrono::milliseconds MaxModuleWait{5000};

  // The bridge entry for one HTTP request.
  void HandleHTTPRequest(THTTPRequestInfo& request, THTTPResponseInfo& response);
  // Runs a request through a pooled module; failures to take a module pass on.
  bool HandleRequest(TWebRequest& request, TWebResponse& response);

  size_t ModuleCount() const;
  size_t ActiveCount() const;

 private:
  // Returns the module to the pool when it leaves scope, whatever happened inside.
  class TModuleLease {
   public:
    TModuleLease(TWebRequestHandler& owner, TCustomWebDispatcher* module)
        : FOwner(owner), FModule(module) {}
    ~TModuleLease() { FOwner.ReturnModule(FModule); }
    TModuleLease(const TModuleLease&) = delete;
    TModuleLease& operator=(const TModuleLease&) = delete;
    TCustomWebDispatcher& Module() const { return *FModule; }

   private:
    TWebRequestHandler& FOwner;
    TCustomWebDispatcher* FModule;
  };

  TCustomWebDispatcher* TakeModule();
  void ReturnModule(TCustomWebDispatcher* module);

  TWebModuleClass FWebModuleClass;
  mutable std::mutex FLock;
  std::condition_variable FModuleReturned;                      // under FLock
  std::vector<std::unique_ptr<TCustomWebDispatcher>> FModules;  // every module ever made
  std::vector<TCustomWebDispatcher*> FActive;
  std::deque<TCustomWebDispatcher*> FInactive;
};

}  // namespace quillara
