#pragma once
// One REST call from the request to the filled answer: its query, its body, the invocation and
// the answer built from the command's outputs.
#include <memory>
#include <string>

#include "rest/TDSQueryFilters.h"
#include "rest/TDSRouting.h"
#include "rest/TDSServer.h"
#include "rest/TDSSessionManager.h"

namespace quillara {

class TStrings;
class TWebRequest;
class TWebResponse;

// What the query string of a call says.
struct TCallQuery {
  TQuery Query;
  std::string SessionId;
  std::string Error;  // a value that cannot be read fails the call, not the request
  int Status = 200;   // 409 when a query parameter is rejected or the filters conflict
  std::string StatusText;
};
// Reads the fields in order, stopping at the first rejection or unreadable value.
TCallQuery ReadCallQuery(const TStrings& fields);

// The body the call reads its inputs from: the request's own bytes where they lie (a copy would
// double what a large body costs), or own when it has to be made; empty for GET and DELETE.
const std::string& CallBody(TWebRequest& request, TDSHTTPCommandType type, std::string& own);

// One call's outcome, kept until the answer is built and, for an answer sent from a stream,
// until it has been sent.
struct TExecution;

// Runs the method the path names; a failure is kept in the outcome, not thrown.
std::shared_ptr<TExecution> ExecuteCall(TDSServer& server, TDSHTTPCommandType type,
                                        const std::string& rest, const std::string& body,
                                        const std::string& queryError);

// Status and body from the outcome: {"result": [...]}, {"error": ...}, a raw stream, or the
// cached form when cacheMode.
void AnswerCall(TWebResponse& response, TDSHTTPCommandType type, bool cacheMode,
                TDSSession& session, const TQuery& query, std::shared_ptr<TExecution> execution);

}  // namespace quillara
