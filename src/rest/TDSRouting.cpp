#include "rest/TDSRouting.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "http/THTTPRequestLoop.h"
#include "rest/TDSMessages.h"
#include "web/TWebRequest.h"

namespace quillara {

bool MatchContext(const std::string& prefix, const std::string& text, std::string& rest) {
  if (prefix.empty()) {
    rest = text;
    return true;
  }
  size_t start = 0;
  size_t d = text.find('/');
  if (d == 0) {
    start = 1;
    d = text.find('/', 1);
  }
  if (d == std::string::npos) d = text.find('?', start);
  if (d == std::string::npos) d = text.size();
  if (!SameTextAscii(prefix, std::string_view(text).substr(start, d - start))) return false;
  rest.assign(text, d);
  return true;
}

std::vector<std::string> SplitRestPath(const std::string& text) {
  if (text.find('/') == std::string::npos) throw Exception(TDSMessages::kInvalidRequestFormat);
  std::string_view t(text);
  if (t[0] == '/') t.remove_prefix(1);
  std::vector<std::string> segments;
  segments.reserve(size_t(std::count(t.begin(), t.end(), '/')) + 1);
  for (std::string_view piece : SplitSegments(t, "/")) {
    if (piece.find('%') == std::string_view::npos)
      segments.emplace_back(piece);
    else
      segments.push_back(DecodeRequestPath(std::string(piece)));
  }
  if (segments.size() < 2 || segments[0].empty() || segments[1].empty())
    throw Exception(TDSMessages::kInvalidRequestFormat);
  return segments;
}

std::string BuildMethodName(TDSHTTPCommandType type, const std::string& className,
                            const std::string& methodName) {
  std::string prefix;
  if (type == TDSHTTPCommandType::hcPOST) prefix = "update";
  if (type == TDSHTTPCommandType::hcPUT) prefix = "accept";
  if (type == TDSHTTPCommandType::hcDELETE) prefix = "cancel";
  if ((!methodName.empty() && (methodName[0] == '"' || methodName[0] == '\'')) ||
      className == "DSAdmin" || className == "DSMetadata")
    prefix.clear();
  std::string name;
  name.reserve(className.size() + 1 + prefix.size() + methodName.size());
  name.append(className).append(".").append(prefix).append(methodName);
  return name;
}

TDSHTTPCommandType CommandTypeOf(TWebRequest& request) {
  if (request.Method() == "DELETE") return TDSHTTPCommandType::hcDELETE;
  switch (request.MethodType()) {
    case TMethodType::mtAny:
      return TDSHTTPCommandType::hcUnknown;
    case TMethodType::mtGet:
      return TDSHTTPCommandType::hcGET;
    case TMethodType::mtPut:
      return TDSHTTPCommandType::hcPUT;
    case TMethodType::mtPost:
      return TDSHTTPCommandType::hcPOST;
    case TMethodType::mtHead:
      return TDSHTTPCommandType::hcOther;
    default:
      throw Exception(TDSMessages::kUnknownCommandType);
  }
}

std::string PragmaSessionId(const std::string& pragma) {
  // name=value items separated by commas or blanks; double quotes group. The first item named
  // dssession is the one.
  std::string item;
  auto value = [&item]() -> std::optional<std::string> {
    size_t eq = item.find('=');
    if (eq != std::string::npos && SameTextAscii(std::string_view(item).substr(0, eq), "dssession"))
      return item.substr(eq + 1);
    return std::nullopt;
  };
  bool quoted = false;
  for (char c : pragma) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || c == ' ')) {
      if (auto id = value()) return *id;
      item.clear();
    } else {
      item.push_back(c);
    }
  }
  return value().value_or("");
}

}  // namespace quillara
