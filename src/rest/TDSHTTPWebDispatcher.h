#pragma once
// The remoting dispatcher: requests below /dataserver routed to REST calls of the server's
// methods, with sessions in the "Pragma" header and answers as JSON envelopes or raw bytes.
#include <string>
#include <vector>

#include "rest/TDSServer.h"
#include "rest/TDSSessionManager.h"
#include "web/TCustomWebDispatcher.h"

namespace quillara {

enum class TDSHTTPCommandType { hcUnknown, hcGET, hcPOST, hcDELETE, hcPUT, hcOther };

// The segment at the start of text (after one leading "/") compared with prefix without regard
// to case; rest gets the text from the delimiter on.
bool MatchContext(const std::string& prefix, const std::string& text, std::string& rest);
// "/A/B//C" -> A, B, "", C, each decoded when it holds "%". Fails with the format message.
std::vector<std::string> SplitRestPath(const std::string& text);
std::string BuildMethodName(TDSHTTPCommandType type, const std::string& className,
                            const std::string& methodName);

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
  static void AnswerSessionExpired(TWebResponse& response);

  TPathMask FMask;
};

}  // namespace quillara
