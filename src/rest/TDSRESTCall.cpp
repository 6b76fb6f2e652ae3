#include "rest/TDSRESTCall.h"

#include <map>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/TStrings.h"
#include "rest/TDSMessages.h"
#include "rest/TDSParameterConversion.h"
#include "rest/TDSResponses.h"
#include "rest/TDSResultConversion.h"
#include "rest/TDSStreams.h"
#include "web/TWebRequest.h"
#include "web/TWebResponse.h"

namespace quillara {

using namespace TDBXDataTypes;

struct TExecution {
  TTreeReservation BodyTree;  // first, so that it is given back after the inputs are gone
  std::unique_ptr<TDSServerConnection> Connection;
  std::unique_ptr<TDSServerCommand> Command;
  std::string Error;
  bool Failed = false;
  std::shared_ptr<TStream> Returned;  // the stream the method returned, sent as the raw answer
  std::map<size_t, std::shared_ptr<TDSStreamSnapshot>> Snapshots;  // by parameter, for the cache
};

namespace {

// The answer built from an outcome, before it is sent.
struct TCallAnswer {
  std::unique_ptr<TJSONValue> Value;
  bool Error = false;
  bool RawStream = false;               // send the returned stream as it is
  std::unique_ptr<TStream> JSONStream;  // a lone stream result written as JSON while it is sent
};

// A POST body that is no JSON text but a lone "dss..." or query parameter: the parameter's value
// stands for the body. False when the body stays.
bool SingleParameterBody(TWebRequest& request, std::string& own) {
  const TStrings& fields = request.QueryFields();
  std::vector<std::pair<Text, Text>> params;
  for (size_t i = 0; i < fields.Count(); ++i)
    params.emplace_back(fields.Names(i), fields.ValueFromIndex(i));
  if (SameTextAscii(request.ContentType(), "application/x-www-form-urlencoded")) {
    const TStrings& form = request.ContentFields();
    for (size_t i = 0; i < form.Count(); ++i)
      if (LowerAscii(TextToUtf8(form[i])).rfind("dss", 0) == 0)
        params.emplace_back(form.Names(i), form.ValueFromIndex(i));
  }
  if (params.size() != 1 || params[0].first.empty()) return false;
  own = EncodeText(params[0].second, kAnsiCodePage);
  return true;
}

// A cached stream keeps the bytes as they are now, not the file: it holds nothing open and
// answers later readers with what the call returned.
void TakeStreamSnapshots(TExecution& execution) {
  try {
    const auto& declared = execution.Command->Method()->Declaration->Parameters;
    auto& values = execution.Command->Parameters();
    for (size_t i = 0; i < declared.size(); ++i)
      if (declared[i].Direction != pdIn && IsStream(declared[i].Code) && values[i].AsStream())
        execution.Snapshots[i] = TDSStreamSnapshot::Take(*values[i].AsStream());
  } catch (const std::exception& e) {
    execution.Failed = true;
    execution.Error = e.what();
  }
}

// Keeps the output in the session's cache and returns its place, "cacheId/0/index".
Text CacheOutput(TExecution& execution, size_t i, const TDSParameterInfo& p, TDSSession& session,
                 std::shared_ptr<TDSCacheItem>& item, int& cacheId) {
  if (!item) {
    item = std::make_shared<TDSCacheItem>();
    item->Commands.emplace_back();
    cacheId = session.Cache()->Add(item);
  }
  auto& kept = item->Commands.back();
  Text place = Utf8ToText(std::to_string(cacheId) + "/0/" + std::to_string(kept.size()));
  if (auto snapshot = execution.Snapshots.find(i); snapshot != execution.Snapshots.end()) {
    kept.push_back({p, TDSValue(), snapshot->second});
  } else {
    kept.push_back({p, execution.Command->Parameters()[i], nullptr});
  }
  return place;
}

// {"result": [outputs]} (with "cacheId" and "cmdIndex" when something was cached); a lone stream
// output goes raw or as a JSON stream instead of into the array.
void BuildResult(TCallAnswer& answer, TExecution& execution, bool cacheMode, TDSSession& session,
                 const TQuery& query) {
  const auto& declared = execution.Command->Method()->Declaration->Parameters;
  auto& values = execution.Command->Parameters();
  int outputs = 0;
  for (const auto& p : declared) outputs += p.Direction != pdIn ? 1 : 0;
  std::shared_ptr<TDSCacheItem> cacheItem;
  int cacheId = -1;
  auto results = std::make_unique<TJSONArray>();
  for (size_t i = 0; i < declared.size(); ++i) {
    const TDSParameterInfo& p = declared[i];
    if (p.Direction == pdIn) continue;
    if (cacheMode && IsCacheable(p) && !values[i].IsNull()) {
      results->Add(CacheOutput(execution, i, p, session, cacheItem, cacheId));
      continue;
    }
    if (!query.StreamAsJSON && outputs == 1 && p.Code == BinaryBlobType) {
      execution.Returned = values[i].AsStream();
      if (execution.Returned) {
        // Sent straight from the returned stream, piece by piece: a download of any size keeps
        // the server's memory flat.
        answer.RawStream = true;
      } else {
        results->AddElement(std::make_unique<TJSONNull>());
      }
      continue;
    }
    const TFilter* filter = FilterFor(query, i, i + 1 == declared.size());
    if (filter && !filter->Accepts(p.Code))
      throw Exception(
          FormatMessage(TDSMessages::kOutputNotConvertible, {std::to_string(i), filter->Name}));
    if (outputs == 1 && IsStream(p.Code) && values[i].AsStream()) {
      // as numbers, written while they are read: never a node per byte
      answer.JSONStream = std::make_unique<TJSONByteArrayStream>(
          values[i].AsStream(), filter ? filter->Offset : 0, filter ? filter->Count : INT64_MAX,
          "{\"result\":[", "]}");
      continue;
    }
    results->AddElement(ResultToJSON(p, values[i], filter));
  }
  auto object = std::make_unique<TJSONObject>();
  object->AddPair(u"result", std::move(results));
  if (cacheItem) {
    object->AddPair(u"cacheId", std::make_unique<TJSONNumber>(int32_t(cacheId)));
    object->AddPair(u"cmdIndex", std::make_unique<TJSONNumber>(int32_t(0)));
  }
  answer.Value = std::move(object);
}

TCallAnswer BuildAnswer(TExecution& execution, bool cacheMode, TDSSession& session,
                        const TQuery& query) {
  TCallAnswer answer;
  if (!execution.Failed && cacheMode) TakeStreamSnapshots(execution);
  if (execution.Failed) {
    auto object = std::make_unique<TJSONObject>();
    object->AddPair(u"error", std::make_unique<TJSONString>(Utf8ToText(execution.Error)));
    answer.Value = std::move(object);
    answer.Error = true;
    return answer;
  }
  try {
    BuildResult(answer, execution, cacheMode, session, query);
  } catch (const std::exception& e) {
    answer.Value = std::make_unique<TJSONString>(Utf8ToText(e.what()));
    answer.Error = true;
  }
  return answer;
}

}  // namespace

TCallQuery ReadCallQuery(const TStrings& fields) {
  TCallQuery call;
  for (size_t i = 0; i < fields.Count(); ++i) {
    // a field without "=" has an empty name, which is ignored
    std::string name = TextToUtf8(fields.Names(i));
    std::string value = TextToUtf8(fields.ValueFromIndex(i));
    if (UpperAscii(name) == "SESSIONID" || UpperAscii(name) == "SID") {
      call.SessionId = value;
      continue;
    }
    bool accepted = true;
    try {
      accepted = ProcessQueryParameter(call.Query, name, value);
    } catch (const EConvertError& e) {
      call.Error = e.what();
      break;
    }
    if (!accepted) {
      call.Status = 409;
      call.StatusText = FormatMessage(TDSMessages::kConverterNotAccepted, {name, value});
      break;
    }
  }
  if (call.Status < 300 && !CheckConvertersForConsistency(call.Query)) {
    call.Status = 409;
    call.StatusText = TDSMessages::kConvertersConflict;
  }
  return call;
}

const std::string& CallBody(TWebRequest& request, TDSHTTPCommandType type, std::string& own) {
  static const std::string kNoBody;
  if (type != TDSHTTPCommandType::hcPOST && type != TDSHTTPCommandType::hcPUT) return kNoBody;
  const std::string* body = &own;
  if (auto* memory = dynamic_cast<TMemoryStream*>(&request.ContentStream())) {
    body = &memory->Bytes();
  } else {
    own = request.Content();
  }
  if (type == TDSHTTPCommandType::hcPOST && body->size() >= 2 && (*body)[0] != '[' &&
      (*body)[0] != '{' && SingleParameterBody(request, own))
    return own;
  return *body;
}

std::shared_ptr<TExecution> ExecuteCall(TDSServer& server, TDSHTTPCommandType type,
                                        const std::string& rest, const std::string& body,
                                        const std::string& queryError) {
  auto execution = std::make_shared<TExecution>();
  try {
    if (!queryError.empty()) throw Exception(queryError);
    std::vector<std::string> segments = SplitRestPath(rest);
    std::string name = BuildMethodName(type, segments[0], segments[1]);
    segments.erase(segments.begin(), segments.begin() + 2);
    execution->Connection = server.GetServerConnection();
    execution->Command = std::make_unique<TDSServerCommand>(*execution->Connection);
    execution->Command->CommandText = name;
    execution->Command->Prepare();
    FillInputs(execution->BodyTree, name, segments, body,
               execution->Command->Method()->Declaration->Parameters,
               execution->Command->Parameters());
    execution->Command->Execute();
  } catch (const std::exception& e) {
    execution->Command.reset();
    execution->Connection.reset();
    execution->Failed = true;
    execution->Error = e.what();
    if (execution->Error.empty()) throw Exception(TDSMessages::kCommandClosed);
  }
  return execution;
}

void AnswerCall(TWebResponse& response, TDSHTTPCommandType type, bool cacheMode,
                TDSSession& session, const TQuery& query, std::shared_ptr<TExecution> execution) {
  TCallAnswer answer = BuildAnswer(*execution, cacheMode, session, query);
  if (cacheMode) response.SetContentType("application/rest");
  if (answer.RawStream) {
    // Kept only while it is being sent: the file is released with the answer, whatever the
    // client does with its session.
    response.SetContentStream(std::shared_ptr<TStream>(execution, execution->Returned.get()));
  } else if (answer.JSONStream && !answer.Error) {
    response.SetContentStream(StreamWithOwner(std::move(answer.JSONStream), execution));
  } else {
    SetJSONBody(response, *answer.Value);
  }
  response.SetStatusCode(answer.Error ? 500 : type == TDSHTTPCommandType::hcPUT ? 201 : 200);
}

}  // namespace quillara
