#pragma once
// The query parameters of a remoting URL: "json" and the result filters ("ss" on text and
// streams, "t" on tables) with their positions and fields.
#include <bitset>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rest/TDBXTypes.h"

namespace quillara {

// Positions index a method's whole parameter list, which never holds more than this many.
constexpr int kMaxPosition = 71;
using TPositions = std::bitset<kMaxPosition + 1>;

// Not a wire value: the filter name, "ss" or "t", is what messages show.
enum class TFilterKind { fkSubString, fkTable };

struct TFilter {
  std::string Part;  // the filter part of the query name, which names the instance
  std::string Name;  // "ss" or "t"
  TFilterKind Kind = TFilterKind::fkSubString;
  TPositions Positions;
  bool OnResult = false;
  int64_t Offset = 0;
  int64_t Count = INT32_MAX;
  bool Covers(size_t position) const {
    return position < Positions.size() && Positions.test(position);
  }
  bool Accepts(TDBXDataType code) const;
};

struct TQuery {
  bool StreamAsJSON = false;
  std::vector<TFilter> Filters;
  std::map<std::string, size_t> ByPart;
  TPositions Covered;
  bool ResultCovered = false;
  // Two filters on one place: the request is refused, so later filters are only checked, not
  // kept (there can be no more than one per place).
  bool Conflict = false;
};

// "true"/"false" (any case) or a number; fails with EConvertError.
bool ReadBoolean(const std::string& text);
// "0", "2-4", "1,3" and their combinations; none when a position lies outside what a method can
// have.
std::optional<TPositions> ReadPositions(std::string_view list);
// Returns false when the query parameter is rejected (a position list that cannot be read);
// a field value that is not a number fails with EConvertError.
bool ProcessQueryParameter(TQuery& query, const std::string& name, const std::string& value);
// False when two filters cover one position or both apply to the result.
bool CheckConvertersForConsistency(const TQuery& query);
// The filter that applies to the parameter at position (last: the method's last parameter, which
// filters on the result cover too); none unless exactly one covers it.
const TFilter* FilterFor(const TQuery& query, size_t position, bool last);

}  // namespace quillara
