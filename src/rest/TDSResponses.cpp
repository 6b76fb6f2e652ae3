#include "rest/TDSResponses.h"

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/TStream.h"
#include "rest/TDSMessages.h"
#include "web/TWebResponse.h"

namespace quillara {

void SetJSONBody(TWebResponse& response, const TJSONValue& value) {
  response.SetContentStream(std::make_unique<TMemoryStream>(value.ToJSON()));
}

void SetJSONAnswer(TWebResponse& response, const char* member, std::unique_ptr<TJSONValue> value) {
  TJSONObject answer;
  answer.AddPair(Utf8ToText(member), std::move(value));
  SetJSONBody(response, answer);
}

void SetErrorAnswer(TWebResponse& response, const std::string& message) {
  SetJSONAnswer(response, "error", std::make_unique<TJSONString>(Utf8ToText(message)));
}

void EmptyBody(TWebResponse& response) {
  response.SetContentStream(std::make_unique<TMemoryStream>());
}

void AnswerStatus(TWebResponse& response, int status, const std::string& reason) {
  response.SetStatusCode(status);
  response.SetReasonString(reason);
  EmptyBody(response);
}

void AnswerSessionExpired(TWebResponse& response) {
  response.SetStatusCode(403);
  response.SetReasonString(TDSMessages::kSessionExpiredReason);
  response.SetContent(
      Utf8ToText(std::string("{\"SessionExpired\":\"") + TDSMessages::kSessionExpired + "\"}"));
}

void AnswerCommandNotSupported(TWebResponse& response, const std::string& method) {
  response.SetStatusCode(501);
  response.SetContent(Utf8ToText(FormatMessage(TDSMessages::kCommandNotSupported, {method})));
}

}  // namespace quillara
