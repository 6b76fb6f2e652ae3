#pragma once
// The bodies and statuses of remoting answers.
#include <memory>
#include <string>

#include "json/TJSON.h"

namespace quillara {

class TWebResponse;

// The byte form is plain ASCII: it goes out as it is, without passing through text.
void SetJSONBody(TWebResponse& response, const TJSONValue& value);
// {member: value}
void SetJSONAnswer(TWebResponse& response, const char* member, std::unique_ptr<TJSONValue> value);
// {"error": message}
void SetErrorAnswer(TWebResponse& response, const std::string& message);
// An answer whose body stays empty (not the HTTP layer's default page).
void EmptyBody(TWebResponse& response);
// status with the reason phrase and an empty body
void AnswerStatus(TWebResponse& response, int status, const std::string& reason);
// 403 with the expired-session envelope.
void AnswerSessionExpired(TWebResponse& response);
// 501 naming the request's method.
void AnswerCommandNotSupported(TWebResponse& response, const std::string& method);

}  // namespace quillara
