#pragma once
// The remoting dispatcher: requests below /dataserver routed to REST calls of the server's
// methods, with sessions in the "Pragma" header and answers as JSON envelopes or raw bytes.
#include <string>
#include <vector>

#include "rest/TDSRouting.h"
#include "rest/TDSServer.h"
#include "rest/TDSSessionManager.h"
#include "web/TCustomWebDispatcher.h"

namespace quillara {

class TDSHTTPWebDispatcher : public IWebDispatch {
 public:
  TDSHTTPWebDispatcher();

  TDSServer* Server = nullptr;
  std::string DSContext = "dataserver";
  std::string RESTContext = "rest";
  std::string CacheContext = "cache";
  int64_t SessionTimeout = 1200000;
  void SetPathInfo(const std::string& path) { FMask.SetPath(path); }

  bool DispatchEnabled() const override { return true; }
  TMethodType DispatchMethodType() const override { return TMethodType::mtAny; }
  bool DispatchMatches(const std::string& path) override { return FMask.Matches(path); }
  bool DispatchRequest(TCustomWebDispatcher& sender, TWebRequest& request,
                       TWebResponse& response) override;

 private:
  void ProcessRESTCall(TWebRequest& request, TWebResponse& response, const std::string& rest);
  void ProcessCacheRequest(TWebRequest& request, TWebResponse& response, const std::string& rest);
  // The session named by the request (or a new one); none when the id is unknown or expired.
  std::shared_ptr<TDSSession> LoadSession(TWebRequest& request, const std::string& sessionId);

  TPathMask FMask;
};

}  // namespace quillara
