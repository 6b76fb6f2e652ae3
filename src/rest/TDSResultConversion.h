#pragma once
// Output values as JSON: by type code, or cropped by a result filter.
#include <cstdint>
#include <memory>

#include "rest/TDSServer.h"

namespace quillara {

struct TFilter;

// The JSON table form: {"table":[column descriptors], column: [values], ...}, rows from offset,
// at most count of them.
std::unique_ptr<TJSONValue> TableToJSON(const TDBXTable& table, int64_t offset, int64_t count);
// The stream's bytes from its position as numbers 0 to 255, offset skipped, at most count.
std::unique_ptr<TJSONValue> StreamToJSON(TStream& stream, int64_t offset, int64_t count);
// filter may be null; when given it must accept the parameter's code.
std::unique_ptr<TJSONValue> ResultToJSON(const TDSParameterInfo& p, const TDSValue& v,
                                         const TFilter* filter);
bool IsStream(TDBXDataType code);
// What the cache builder keeps: JSON objects, arrays and values, other objects, tables, streams.
bool IsCacheable(const TDSParameterInfo& p);

}  // namespace quillara
