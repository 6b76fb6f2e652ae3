#include "rest/TDSCacheAnswers.h"

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "rest/TDSMessages.h"
#include "rest/TDSQueryFilters.h"
#include "rest/TDSResponses.h"
#include "rest/TDSResultConversion.h"
#include "rest/TDSStreams.h"
#include "web/TWebRequest.h"
#include "web/TWebResponse.h"

namespace quillara {

namespace {

constexpr size_t kMaxCacheIndexes = 3;

std::unique_ptr<TJSONObject> CachedCommandJSON(const std::vector<TDSCachedValue>& command) {
  auto types = std::make_unique<TJSONArray>();
  for (const TDSCachedValue& v : command) types->Add(Utf8ToText(v.Parameter.TypeName));
  auto object = std::make_unique<TJSONObject>();
  object->AddPair(u"parameters", std::move(types));
  return object;
}

std::unique_ptr<TJSONValue> OrNull(std::unique_ptr<TJSONObject> object) {
  if (object) return object;
  return std::make_unique<TJSONNull>();
}

// The cached value itself: a stream's bytes raw unless JSON is asked for, filtered like a result.
void AnswerCachedValue(TWebRequest& request, TWebResponse& response, const TDSCachedValue& cached,
                       const TQuery& query) {
  bool wantsJSON = query.StreamAsJSON ||
                   request.GetFieldByName("Accept").find("application/json") != std::string::npos;
  const TFilter* filter =
      query.Filters.size() == 1 && query.Filters[0].Accepts(cached.Parameter.Code)
          ? &query.Filters[0]
          : nullptr;
  if (cached.Snapshot) {
    // every reader gets a position of its own over the bytes as they were at the call
    if (!wantsJSON) return response.SetContentStream(cached.Snapshot->NewReader());
    std::shared_ptr<TStream> reader = cached.Snapshot->NewReader();
    return response.SetContentStream(std::make_unique<TJSONByteArrayStream>(
        reader, filter ? filter->Offset : 0, filter ? filter->Count : INT64_MAX,
        "{\"result\":", "}"));
  }
  SetJSONAnswer(response, "result", ResultToJSON(cached.Parameter, cached.Value, filter));
}

void AnswerGet(TWebRequest& request, TWebResponse& response, const std::vector<int>& indexes,
               TDSSessionCache& cache, const TQuery& query) {
  if (indexes.empty()) {
    auto all = std::make_unique<TJSONObject>();
    for (auto& [id, item] : cache.Items())
      all->AddPair(AsciiToText(std::to_string(id)), CacheItemJSON(*item));
    return SetJSONAnswer(response, "result", std::move(all));
  }
  std::shared_ptr<TDSCacheItem> item = cache.Get(indexes[0]);
  if (indexes.size() == 1)
    return SetJSONAnswer(response, "result", OrNull(item ? CacheItemJSON(*item) : nullptr));
  bool commandKnown = item && indexes[1] >= 0 && size_t(indexes[1]) < item->Commands.size();
  if (indexes.size() == 2) {
    return SetJSONAnswer(
        response, "result",
        OrNull(commandKnown ? CachedCommandJSON(item->Commands[size_t(indexes[1])]) : nullptr));
  }
  if (!item)
    return SetErrorAnswer(response,
                          FormatMessage(TDSMessages::kNoCachedItem, {std::to_string(indexes[0])}));
  if (!commandKnown || indexes[2] < 0 ||
      size_t(indexes[2]) >= item->Commands[size_t(indexes[1])].size()) {
    return SetErrorAnswer(response,
                          FormatMessage(TDSMessages::kNoCachedParameter,
                                        {std::to_string(indexes[1]), std::to_string(indexes[2])}));
  }
  AnswerCachedValue(request, response, item->Commands[size_t(indexes[1])][size_t(indexes[2])],
                    query);
}

}  // namespace

std::optional<std::vector<int>> ReadCacheIndexes(const std::string& rest) {
  std::vector<int> indexes;
  bool malformed = false;
  std::string_view path(rest);
  if (!path.empty() && path[0] == '/') path.remove_prefix(1);
  for (std::string_view piece : SplitSegments(path, "/")) {
    auto n = TryStrToInt(Utf8ToText(piece));
    if (!n) malformed = true;
    indexes.push_back(n.value_or(0));
  }
  if (malformed || indexes.size() > kMaxCacheIndexes) return std::nullopt;
  return indexes;
}

std::unique_ptr<TJSONObject> CacheItemJSON(const TDSCacheItem& item) {
  auto commands = std::make_unique<TJSONArray>();
  for (const auto& command : item.Commands) commands->AddElement(CachedCommandJSON(command));
  auto object = std::make_unique<TJSONObject>();
  object->AddPair(u"commands", std::move(commands));
  return object;
}

void AnswerCacheRequest(TWebRequest& request, TWebResponse& response, const std::string& rest,
                        TDSHTTPCommandType type, TDSSessionCache& cache, const TQuery& query) {
  std::optional<std::vector<int>> indexes = ReadCacheIndexes(rest);
  auto invalid = [&] {
    AnswerStatus(response, 400, FormatMessage(TDSMessages::kInvalidCachePath, {rest}));
  };
  if (!indexes) return invalid();
  if (type == TDSHTTPCommandType::hcDELETE) {
    if (indexes->size() > 1) return invalid();
    if (indexes->empty()) {
      cache.Clear();
    } else {
      cache.Remove((*indexes)[0]);
    }
    return EmptyBody(response);
  }
  if (type != TDSHTTPCommandType::hcGET)
    return AnswerCommandNotSupported(response, request.Method());
  AnswerGet(request, response, *indexes, cache, query);
}

}  // namespace quillara
