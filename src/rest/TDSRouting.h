#pragma once
// The remoting URL grammar: contexts, REST path segments, the invoked method's name, the
// request's command type and the session id a "Pragma" header names.
#include <string>
#include <vector>

namespace quillara {

class TWebRequest;

enum class TDSHTTPCommandType { hcUnknown, hcGET, hcPOST, hcDELETE, hcPUT, hcOther };

// The segment at the start of text (after one leading "/") compared with prefix without regard
// to case; rest gets the text from the delimiter on.
bool MatchContext(const std::string& prefix, const std::string& text, std::string& rest);
// "/A/B//C" -> A, B, "", C, each decoded when it holds "%". Fails with the format message.
std::vector<std::string> SplitRestPath(const std::string& text);
std::string BuildMethodName(TDSHTTPCommandType type, const std::string& className,
                            const std::string& methodName);
// Fails with "Unknown command type" for a method kind the protocol does not know.
TDSHTTPCommandType CommandTypeOf(TWebRequest& request);
// The "dssession" item of a "Pragma" header; empty when there is none.
std::string PragmaSessionId(const std::string& pragma);

}  // namespace quillara
