#pragma once
// Answers under /dataserver/cache: the items a session keeps and the values in them.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rest/TDSRouting.h"
#include "rest/TDSSessionManager.h"

namespace quillara {

class TWebRequest;
class TWebResponse;
struct TQuery;

// "/{cacheId}/{cmdIndex}/{paramIndex}" or a leading part of it (nothing at all included); none
// when an index is not a decimal integer or there are more than three.
std::optional<std::vector<int>> ReadCacheIndexes(const std::string& rest);
// {"commands": [{"parameters": [type name, ...]}, ...]}
std::unique_ptr<TJSONObject> CacheItemJSON(const TDSCacheItem& item);
// Answers the cache request of the session for the path rest after the cache context.
void AnswerCacheRequest(TWebRequest& request, TWebResponse& response, const std::string& rest,
                        TDSHTTPCommandType type, TDSSessionCache& cache, const TQuery& query);

}  // namespace quillara
