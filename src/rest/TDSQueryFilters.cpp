#include "rest/TDSQueryFilters.h"

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "rest/TDSMessages.h"

namespace quillara {

using namespace TDBXDataTypes;

namespace {

int64_t FieldNumber(const std::string& value) {
  auto v = TryStrToInt64(Utf8ToText(TrimBlanks(value)));
  if (!v) throw EConvertError(FormatMessage(kInvalidInteger, {value}));
  return *v;
}

// One position of a list: decimal digits naming a place a method can have.
std::optional<int> ReadPosition(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > kMaxPosition) return std::nullopt;
  return value;
}

// "o" offset, "c" count, "r" offset "," count.
void SetField(TFilter& filter, const std::string& field, const std::string& value) {
  if (field == "o") {
    filter.Offset = FieldNumber(value);
  } else if (field == "c") {
    filter.Count = FieldNumber(value);
  } else {
    size_t comma = value.find(',');
    if (comma == std::string::npos) throw EConvertError(FormatMessage(kInvalidInteger, {value}));
    filter.Offset = FieldNumber(value.substr(0, comma));
    filter.Count = FieldNumber(value.substr(comma + 1));
  }
}

}  // namespace

bool TFilter::Accepts(TDBXDataType code) const {
  if (Kind == TFilterKind::fkTable) return code == TableType;
  return code == AnsiStringType || code == BlobType || code == WideStringType ||
         code == BinaryBlobType;
}

bool ReadBoolean(const std::string& text) {
  if (SameTextAscii(text, "true")) return true;
  if (SameTextAscii(text, "false")) return false;
  if (auto v = TryStrToInt64(Utf8ToText(text))) return *v != 0;
  throw EConvertError(FormatMessage(TDSMessages::kInvalidBoolean, {text}));
}

// The work is bounded by the text's length, not by the numbers in it.
std::optional<TPositions> ReadPositions(std::string_view list) {
  TPositions positions;
  for (std::string_view range : SplitText(list, ",")) {
    size_t dash = range.find('-', 1);
    auto from = ReadPosition(range.substr(0, dash));
    auto to = dash == std::string_view::npos ? from : ReadPosition(range.substr(dash + 1));
    if (!from || !to || *from > *to) return std::nullopt;
    for (int p = *from; p <= *to; ++p) positions.set(size_t(p));
  }
  return positions;
}

bool ProcessQueryParameter(TQuery& query, const std::string& name, const std::string& value) {
  if (name.empty()) return true;
  if (SameTextAscii(name, "json")) {
    query.StreamAsJSON = ReadBoolean(value);
    return true;
  }
  size_t dot = name.find('.');
  std::string filterPart = dot == std::string::npos ? "" : name.substr(0, dot);
  std::string field = LowerAscii(dot == std::string::npos ? name : name.substr(dot + 1));
  size_t cut = filterPart.find_first_of("0123456789-,");
  std::string filterName = LowerAscii(filterPart.substr(0, cut));
  if (field != "o" && field != "c" && field != "r") return true;  // unknown fields are ignored
  if (!filterName.empty() && filterName != "ss" && filterName != "t") return true;
  TPositions positions;
  if (cut != std::string::npos) {
    auto read = ReadPositions(std::string_view(filterPart).substr(cut));
    if (!read) return false;
    positions = *read;
  }
  if (filterName.empty()) {
    for (TFilter& f : query.Filters) SetField(f, field, value);
    return true;
  }
  std::string key = LowerAscii(filterPart);
  if (auto known = query.ByPart.find(key); known != query.ByPart.end()) {
    SetField(query.Filters[known->second], field, value);
    return true;
  }
  TFilter f;
  f.Part = key;
  f.Name = filterName;
  f.Kind = filterName == "t" ? TFilterKind::fkTable : TFilterKind::fkSubString;
  f.Positions = positions;
  f.OnResult = positions.none();
  SetField(f, field, value);
  if (query.Conflict) return true;
  if ((query.Covered & positions).any() || (f.OnResult && query.ResultCovered)) {
    query.Conflict = true;
    return true;
  }
  query.Covered |= positions;
  query.ResultCovered = query.ResultCovered || f.OnResult;
  query.ByPart[key] = query.Filters.size();
  query.Filters.push_back(std::move(f));
  return true;
}

bool CheckConvertersForConsistency(const TQuery& query) {
  return !query.Conflict;
}

const TFilter* FilterFor(const TQuery& query, size_t position, bool last) {
  const TFilter* found = nullptr;
  for (const TFilter& f : query.Filters) {
    if (!f.Covers(position) && !(f.OnResult && last)) continue;
    if (found) return nullptr;
    found = &f;
  }
  return found;
}

}  // namespace quillara
