#include "rest/TDSHTTPWebDispatcher.h"

#include <string_view>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "rest/TDSCacheAnswers.h"
#include "rest/TDSMessages.h"
#include "rest/TDSQueryFilters.h"
#include "rest/TDSRESTCall.h"
#include "rest/TDSResponses.h"
#include "rest/TDSSessionManager.h"

namespace quillara {

namespace {

bool IsServedCommand(TDSHTTPCommandType type) {
  return type == TDSHTTPCommandType::hcGET || type == TDSHTTPCommandType::hcPOST ||
         type == TDSHTTPCommandType::hcPUT || type == TDSHTTPCommandType::hcDELETE;
}

void AnswerProtocolNotSupported(TWebResponse& response, const std::string& rest,
                                const std::string& restContext) {
  std::string context = TrimBlanks(restContext);
  response.SetStatusCode(501);
  response.SetContent(Utf8ToText(
      FormatMessage(TDSMessages::kProtocolNotSupported,
                    {rest, context.empty() ? std::string(TDSMessages::kNoRESTContext) : context})));
}

}  // namespace

TDSHTTPWebDispatcher::TDSHTTPWebDispatcher() {
  FMask.SetPath("dataserver*");
}

bool TDSHTTPWebDispatcher::DispatchRequest(TCustomWebDispatcher&, TWebRequest& request,
                                           TWebResponse& response) {
  try {
    std::string uri = request.RawPathInfo();
    std::string rest, after;
    if (!MatchContext(DSContext, uri, rest)) {
      AnswerStatus(response, 404, FormatMessage(TDSMessages::kContextExpected, {uri}));
    } else if (MatchContext(RESTContext, rest, after)) {
      ProcessRESTCall(request, response, after);
    } else if (MatchContext(CacheContext, rest, after)) {
      ProcessCacheRequest(request, response, after);
    } else if (MatchContext("tunnel", rest, after)) {
      response.SetStatusCode(501);  // no client of this server uses the tunnel
      response.SetContent(Utf8ToText(TDSMessages::kTunnelNotServed));
    } else {
      AnswerProtocolNotSupported(response, rest, RESTContext);
    }
  } catch (const std::exception& e) {
    response.SetStatusCode(500);
    response.SetContent(u"");
    if (*e.what()) {
      SetErrorAnswer(response, e.what());
    } else {
      EmptyBody(response);
    }
  }
  TDSSessionManager::SetCurrentSession(nullptr);
  return true;
}

std::shared_ptr<TDSSession> TDSHTTPWebDispatcher::LoadSession(TWebRequest& request,
                                                              const std::string& sessionId) {
  std::string id =
      sessionId.empty() ? PragmaSessionId(request.GetFieldByName("Pragma")) : sessionId;
  // The same four entries on every call: kept per thread, their storage serves the next call.
  thread_local std::map<std::string, std::string> data;
  data["RemoteIP"] = request.RemoteAddr();
  data["RemoteAppName"] = request.UserAgent();
  data["CommunicationProtocol"] = request.ProtocolVersion();
  data["ProtocolSubType"] = "rest";
  if (!TDSSessionManager::Instance().LoadRESTSession(id, "", SessionTimeout, data).Ok)
    return nullptr;
  std::shared_ptr<TDSSession> session = TDSSessionManager::CurrentSession();
  session->SetLastResult(nullptr);  // the previous call's stored answer goes now
  return session;
}

void TDSHTTPWebDispatcher::ProcessCacheRequest(TWebRequest& request, TWebResponse& response,
                                               const std::string& rest) {
  TDSHTTPCommandType type = CommandTypeOf(request);
  const TStrings& fields = request.QueryFields();
  std::string sessionId = TextToUtf8(fields.Values(u"SESSIONID"));
  if (sessionId.empty()) sessionId = TextToUtf8(fields.Values(u"sid"));
  std::shared_ptr<TDSSession> session = LoadSession(request, sessionId);
  if (!session) return AnswerSessionExpired(response);
  TQuery query;
  try {
    // a rejected filter is left out: a cache answer has no status for it
    for (size_t i = 0; i < fields.Count(); ++i)
      ProcessQueryParameter(query, TextToUtf8(fields.Names(i)),
                            TextToUtf8(fields.ValueFromIndex(i)));
  } catch (const EConvertError& e) {
    response.SetStatusCode(500);
    return SetErrorAnswer(response, e.what());
  }
  AnswerCacheRequest(request, response, rest, type, *session->Cache(), query);
}

void TDSHTTPWebDispatcher::ProcessRESTCall(TWebRequest& request, TWebResponse& response,
                                           const std::string& rest) {
  TDSHTTPCommandType type = CommandTypeOf(request);
  TCallQuery call = ReadCallQuery(request.QueryFields());
  std::shared_ptr<TDSSession> session = LoadSession(request, call.SessionId);
  if (!session) return AnswerSessionExpired(response);
  constexpr std::string_view kCloseSession = "/closesession/";
  if (SameTextAscii(std::string_view(rest).substr(0, kCloseSession.size()), kCloseSession)) {
    TDSSessionManager::Instance().CloseSession(session->SessionName());
    return AnswerStatus(response, 200, TDSMessages::kSessionClosed);
  }
  if (call.Status >= 300) return AnswerStatus(response, call.Status, call.StatusText);
  std::string pragma;
  pragma.reserve(64);
  pragma.append("dssession=")
      .append(session->SessionName())
      .append(",dssessionexpires=")
      .append(std::to_string(session->ExpiresIn()));
  response.CustomHeaders().emplace_back("Pragma", std::move(pragma));
  if (!IsServedCommand(type)) return AnswerCommandNotSupported(response, request.Method());

  std::string ownBody;
  const std::string& body = CallBody(request, type, ownBody);
  std::shared_ptr<TExecution> execution = ExecuteCall(*Server, type, rest, body, call.Error);
  bool cacheMode = request.GetFieldByName("Accept").find("application/rest") != std::string::npos;
  AnswerCall(response, type, cacheMode, *session, call.Query, std::move(execution));
}

}  // namespace quillara
