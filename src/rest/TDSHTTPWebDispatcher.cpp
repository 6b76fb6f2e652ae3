#include "rest/TDSHTTPWebDispatcher.h"

#include <atomic>
#include <bitset>
#include <map>
#include <optional>
#include <string_view>

#include "base/CodePages.h"
#include "base/SysUtils.h"
#include "http/THTTPRequestLoop.h"
#include "rest/TDSSessionManager.h"
#include "rest/TDSStreams.h"

namespace quillara {

using namespace TDBXDataTypes;

namespace {

const char* const kFormatError =
    "Invalid request format. /className/methodName and eventual parameters expected.";
const char* const kSessionExpired =
    "The specified session has expired due to inactivity or was an invalid Session ID";

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
      throw Exception("Unknown command type");
  }
}

std::string PragmaSessionId(const std::string& pragma) {
  // name=value items separated by commas or blanks; double quotes group
  std::vector<std::string> items;
  std::string item;
  bool quoted = false;
  for (char c : pragma) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || c == ' ')) {
      if (!item.empty()) items.push_back(item);
      item.clear();
    } else {
      item.push_back(c);
    }
  }
  if (!item.empty()) items.push_back(item);
  for (const std::string& i : items) {
    size_t eq = i.find('=');
    if (eq != std::string::npos && SameTextAscii(i.substr(0, eq), "dssession"))
      return i.substr(eq + 1);
  }
  return {};
}

// ---- result filters: "ss" on text and streams, "t" on tables ----

// Positions index a method's whole parameter list, which never holds more than this many.
constexpr int kMaxPosition = 71;
using TPositions = std::bitset<kMaxPosition + 1>;

struct TFilter {
  std::string Part;  // the filter part of the query name, which names the instance
  std::string Name;  // "ss" or "t"
  TPositions Positions;
  bool OnResult = false;
  int64_t Offset = 0;
  int64_t Count = INT32_MAX;
  bool Covers(size_t position) const {
    return position < Positions.size() && Positions.test(position);
  }
  bool Accepts(int code) const {
    return Name == "ss" ? (code == 1 || code == 3 || code == 26 || code == 33) : code == 23;
  }
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

int64_t FieldNumber(const std::string& value) {
  auto v = TryStrToInt64(Utf8ToText(TrimBlanks(value)));
  if (!v) throw EConvertError(FormatMessage("'%s' is not a valid integer value", {value}));
  return *v;
}

bool ReadBoolean(const std::string& text) {
  if (SameTextAscii(text, "true")) return true;
  if (SameTextAscii(text, "false")) return false;
  if (auto v = TryStrToInt64(Utf8ToText(text))) return *v != 0;
  throw EConvertError(FormatMessage("'%s' is not a valid boolean value", {text}));
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

// "0", "2-4", "1,3" and their combinations; none when a position lies outside what a method can
// have. The work is bounded by the text's length, not by the numbers in it.
std::optional<TPositions> ReadPositions(std::string_view list) {
  TPositions positions;
  size_t start = 0;
  for (;;) {
    size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view range = list.substr(start, end - start);
    size_t dash = range.find('-', 1);
    auto from = ReadPosition(range.substr(0, dash));
    auto to = dash == std::string_view::npos ? from : ReadPosition(range.substr(dash + 1));
    if (!from || !to || *from > *to) return std::nullopt;
    for (int p = *from; p <= *to; ++p) positions.set(size_t(p));
    if (end == list.size()) return positions;
    start = end + 1;
  }
}

// Returns false when the query parameter is rejected.
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
  auto apply = [&](TFilter& f) {
    if (field == "o") {
      f.Offset = FieldNumber(value);
    } else if (field == "c") {
      f.Count = FieldNumber(value);
    } else {
      size_t comma = value.find(',');
      if (comma == std::string::npos)
        throw EConvertError(FormatMessage("'%s' is not a valid integer value", {value}));
      f.Offset = FieldNumber(value.substr(0, comma));
      f.Count = FieldNumber(value.substr(comma + 1));
    }
  };
  if (filterName.empty()) {
    for (TFilter& f : query.Filters) apply(f);
    return true;
  }
  std::string key = LowerAscii(filterPart);
  if (auto known = query.ByPart.find(key); known != query.ByPart.end()) {
    apply(query.Filters[known->second]);
    return true;
  }
  TFilter f;
  f.Part = key;
  f.Name = filterName;
  f.Positions = positions;
  f.OnResult = positions.none();
  apply(f);
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

bool FiltersConsistent(const TQuery& query) {
  return !query.Conflict;
}

// ---- conversions ----

// The most memory the JSON tree of one request body may take; a body whose tree would pass it
// is refused (an array of one-digit numbers takes about 56 bytes of tree per input byte).
constexpr size_t kMaxBodyTreeBytes = size_t(64) << 20;
// ...and all request bodies being served together, so that parallel requests cannot add up.
constexpr size_t kMaxBodyTreeBytesTotal = size_t(256) << 20;
std::atomic<size_t> gBodyTreeBytes{0};

// A share of the process-wide bound, held while the call's inputs live.
class TTreeReservation {
 public:
  TTreeReservation() = default;
  TTreeReservation(const TTreeReservation&) = delete;
  TTreeReservation& operator=(const TTreeReservation&) = delete;
  ~TTreeReservation() { gBodyTreeBytes.fetch_sub(FBytes); }
  // Holds up to `wanted` bytes of the process-wide bound (less when others hold the rest);
  // returns what it holds.
  size_t Reserve(size_t wanted) {
    KeepOnly(0);
    size_t current = gBodyTreeBytes.load();
    size_t take = 0;
    do {
      take = std::min(wanted, kMaxBodyTreeBytesTotal - std::min(current, kMaxBodyTreeBytesTotal));
    } while (!gBodyTreeBytes.compare_exchange_weak(current, current + take));
    FBytes = take;
    return take;
  }
  // Gives back what the tree did not need.
  void KeepOnly(size_t bytes) {
    if (bytes >= FBytes) return;
    gBodyTreeBytes.fetch_sub(FBytes - bytes);
    FBytes = bytes;
  }

 private:
  size_t FBytes = 0;
};

[[noreturn]] void CannotConvert(const Text& text, int code) {
  throw Exception(FormatMessage("Cannot convert JSON value %s input into %s",
                                {TextToUtf8(text), DataTypeName(code)}));
}

// Whether an integer fits the parameter's type: a method must never see a wrapped value.
bool InRange(int code, int64_t v) {
  switch (code) {
    case Int8Type:
      return v >= INT8_MIN && v <= INT8_MAX;
    case UInt8Type:
      return v >= 0 && v <= UINT8_MAX;
    case Int16Type:
      return v >= INT16_MIN && v <= INT16_MAX;
    case UInt16Type:
      return v >= 0 && v <= UINT16_MAX;
    case Int32Type:
      return v >= INT32_MIN && v <= INT32_MAX;
    case UInt32Type:
      return v >= 0 && v <= int64_t(UINT32_MAX);
    default:
      return true;
  }
}

void FromText(TDSValue& value, const TDSParameterInfo& p, const Text& text) {
  switch (p.Code) {
    case AnsiStringType:
      value.Set(DecodeBytes(EncodeText(text, kAnsiCodePage), kAnsiCodePage));
      return;
    case DateType:
    case TimeType:
    case DateTimeType:
    case TimeStampType:
    case WideStringType:
      value.Set(text);
      return;
    case BooleanType:
      value.Set(ReadBoolean(TextToUtf8(text)));
      return;
    case Int16Type:
    case Int32Type:
    case DoubleType:
    case BcdType:
    case UInt16Type:
    case UInt32Type:
    case Int64Type:
    case CurrencyType:
    case SingleType:
    case Int8Type:
    case UInt8Type: {
      std::string t = TextToUtf8(text);
      if (SameTextAscii(t, "true") || SameTextAscii(t, "false")) {
        value.Set(int64_t(SameTextAscii(t, "true") ? 1 : 0));
      } else if (p.Code == DoubleType || p.Code == BcdType || p.Code == CurrencyType ||
                 p.Code == SingleType) {
        auto d = TryStrToFloat(text);
        if (!d) throw EConvertError(FormatMessage("'%s' is not a valid floating point value", {t}));
        value.Set(*d);
      } else {
        auto i = TryStrToInt64(text);
        if (!i || !InRange(p.Code, *i))
          throw EConvertError(FormatMessage("'%s' is not a valid integer value", {t}));
        value.Set(*i);
      }
      return;
    }
    case JsonValueType:
      value.Set(std::shared_ptr<TJSONValue>(std::make_shared<TJSONString>(text)));
      return;
    default:
      CannotConvert(text, p.Code);
  }
}

void FromJSON(TDSValue& value, const TDSParameterInfo& p, std::unique_ptr<TJSONValue> json) {
  if (dynamic_cast<TJSONNull*>(json.get())) {
    if (p.Code == JsonValueType) {
      value.Set(std::shared_ptr<TJSONValue>(std::move(json)));
    } else {
      value.SetNull();
    }
    return;
  }
  if (p.Code == JsonValueType) {
    value.Set(std::shared_ptr<TJSONValue>(std::move(json)));
    return;
  }
  if (auto* number = dynamic_cast<TJSONNumber*>(json.get())) {
    switch (p.Code) {
      case BooleanType:
        value.Set(number->NumberText() == u"1");
        return;
      case DoubleType:
      case BcdType:
      case CurrencyType:
      case SingleType:
        value.Set(number->AsDouble());
        return;
      case AnsiStringType:
      case Int16Type:
      case Int32Type:
      case UInt16Type:
      case UInt32Type:
      case Int64Type:
      case UInt64Type:
      case TimeStampType:
      case WideStringType:
      case Int8Type:
      case UInt8Type:
        FromText(value, p, number->NumberText());
        return;
      default:
        CannotConvert(json->ToString(), p.Code);
    }
  }
  if (auto* string = dynamic_cast<TJSONString*>(json.get())) {
    FromText(value, p, string->Value());
    return;
  }
  bool isTrue = dynamic_cast<TJSONTrue*>(json.get()) != nullptr;
  if (isTrue || dynamic_cast<TJSONFalse*>(json.get())) {
    switch (p.Code) {
      case AnsiStringType:
      case WideStringType:
        value.Set(Text(isTrue ? u"-1" : u"0"));
        return;
      case BooleanType:
        value.Set(isTrue);
        return;
      case DoubleType:
      case BcdType:
      case CurrencyType:
      case SingleType:
      case TimeStampType:
        value.Set(isTrue ? 1.0 : 0.0);
        return;
      case Int16Type:
      case Int32Type:
      case UInt16Type:
      case UInt32Type:
      case Int64Type:
      case UInt64Type:
      case Int8Type:
      case UInt8Type:
        value.Set(int64_t(isTrue ? 1 : 0));
        return;
      default:
        CannotConvert(json->ToString(), p.Code);
    }
  }
  if (auto* array = dynamic_cast<TJSONArray*>(json.get());
      array && (p.Code == BlobType || p.Code == BinaryBlobType)) {
    std::string bytes;
    for (size_t i = 0; i < array->Count(); ++i) {
      auto* n = dynamic_cast<TJSONNumber*>(array->Get(int(i)));
      auto v = n ? TryStrToInt(n->NumberText()) : std::nullopt;
      if (!v || *v < 0 || *v > 255) throw Exception("Cannot convert JSON input into a stream");
      bytes.push_back(char(*v));
    }
    value.Set(std::shared_ptr<TStream>(std::make_shared<TMemoryStream>(bytes)));
    return;
  }
  CannotConvert(json->ToString(), p.Code);
}

void FillInputs(TTreeReservation& reservation, const std::string& methodName,
                const std::vector<std::string>& segments, const std::string& body,
                const std::vector<TDSParameterInfo>& declared, std::vector<TDSValue>& values) {
  size_t used = 0;
  bool bodyRead = false;
  std::unique_ptr<TJSONValue> parsed;
  TJSONArray* parameters = nullptr;
  bool wholeBodyGiven = false;
  for (size_t i = 0; i < declared.size(); ++i) {
    const TDSParameterInfo& p = declared[i];
    if (p.Direction != pdIn && p.Direction != pdInOut) continue;
    if (used < segments.size()) {
      if (segments[used] == "null") {
        if (p.Code == JsonValueType) {
          values[i].Set(std::shared_ptr<TJSONValue>(std::make_shared<TJSONNull>()));
        } else {
          values[i].SetNull();
        }
      } else {
        FromText(values[i], p, Utf8ToText(segments[used]));
      }
      ++used;
      continue;
    }
    if (!body.empty()) {
      if (!bodyRead) {
        bodyRead = true;
        // Most bodies carry text, whose tree takes a few bytes per input byte: that much is held
        // first, so that many uploads fit beside each other. A denser body is read again with
        // room for the densest tree (one-digit numbers, about 56 bytes per input byte).
        TJSONObject::TReadStatus status;
        size_t wanted = std::min(kMaxBodyTreeBytes, body.size() * 4 + 4096), treeBytes = 0;
        size_t bound = reservation.Reserve(wanted);
        auto parse = [&] {
          parsed = TJSONObject::ParseJSONValueBounded(reinterpret_cast<const uint8_t*>(body.data()),
                                                      body.size(), bound, status, &treeBytes);
        };
        parse();
        if (status == TJSONObject::TReadStatus::rsTooLarge && bound == wanted &&
            wanted < kMaxBodyTreeBytes) {
          wanted = std::min(kMaxBodyTreeBytes, body.size() * 64 + 4096);
          bound = reservation.Reserve(wanted);
          parse();
        }
        reservation.KeepOnly(parsed ? treeBytes : 0);
        if (status == TJSONObject::TReadStatus::rsTooLarge && bound < wanted)
          throw Exception(
              "Message content cannot be read now: the memory for request contents is taken by "
              "other requests.");
        if (status == TJSONObject::TReadStatus::rsTooLarge)
          throw Exception(
              FormatMessage("Message content is too large: its JSON value would take more than %d "
                            "bytes of memory.",
                            {std::to_string(bound)}));
        if (!parsed) throw Exception("Message content is not a valid JSON value.");
        auto* object = dynamic_cast<TJSONObject*>(parsed.get());
        if (object && object->Count() == 1 &&
            object->Get(0)->JsonString()->Value() == u"_parameters")
          parameters = dynamic_cast<TJSONArray*>(object->Get(0)->JsonValue());
      }
      if (parameters) {
        if (parameters->Count() == 0) continue;  // beyond the array: not filled, not counted
        // taken out rather than copied: an element is as large as the body allows
        std::unique_ptr<TJSONValue> element = parameters->Remove(0);
        if (!element) continue;
        FromJSON(values[i], p, std::move(element));
        ++used;
        continue;
      }
      if (wholeBodyGiven) continue;
      wholeBodyGiven = true;
      FromJSON(values[i], p, std::move(parsed));
      ++used;
      continue;
    }
    values[i].SetNull();
    ++used;
  }
  if (used < segments.size())
    throw Exception(
        FormatMessage("Server method %0:s consumed only %1:d input parameters out of %2:d. Either "
                      "call with more parameters or change method definition.",
                      {methodName, std::to_string(used), std::to_string(segments.size())}));
}

std::unique_ptr<TJSONValue> TableToJSON(const TDBXTable& table, int64_t offset, int64_t count) {
  auto result = std::make_unique<TJSONObject>();
  auto header = std::make_unique<TJSONArray>();
  TJSONArray* headerRef = header.get();
  result->AddPair(u"table", std::move(header));
  std::vector<TJSONArray*> columns;
  int64_t index = 0, taken = 0;
  for (const auto& row : table.Rows()) {
    if (index++ < offset) continue;
    if (taken++ >= count) break;
    if (columns.empty()) {
      int ordinal = 0;
      for (const TDBXColumn& c : table.Columns()) {
        auto d = std::make_unique<TJSONArray>();
        d->Add(Utf8ToText(c.Name))
            .Add(int32_t(c.DataType))
            .Add(int32_t(ordinal++))
            .Add(int32_t(0))
            .Add(int32_t(0));
        d->Add(int32_t(c.Size))
            .Add(int32_t(0))
            .Add(int32_t(0))
            .Add(true)
            .Add(false)
            .Add(int32_t(0))
            .Add(false)
            .Add(false);
        headerRef->AddElement(std::move(d));
        auto values = std::make_unique<TJSONArray>();
        columns.push_back(values.get());
        result->AddPair(Utf8ToText(c.Name), std::move(values));
      }
    }
    for (size_t c = 0; c < row.size() && c < columns.size(); ++c) {
      const TDSValue& v = row[c];
      if (v.IsNull()) {
        columns[c]->AddElement(std::make_unique<TJSONNull>());
      } else if (std::holds_alternative<int64_t>(v.Variant())) {
        columns[c]->AddElement(std::make_unique<TJSONNumber>(v.AsInt()));
      } else {
        columns[c]->Add(v.AsText());
      }
    }
  }
  return result;
}

std::unique_ptr<TJSONValue> StreamToJSON(TStream& stream, int64_t offset, int64_t count) {
  auto bytes = std::make_unique<TJSONArray>();
  std::string all = stream.ReadRest();
  for (size_t i = size_t(std::max<int64_t>(0, offset));
       i < all.size() && int64_t(bytes->Count()) < count; ++i)
    bytes->Add(int32_t(static_cast<unsigned char>(all[i])));
  return bytes;
}

std::unique_ptr<TJSONValue> ResultToJSON(const TDSParameterInfo& p, const TDSValue& v,
                                         const TFilter* filter) {
  if (v.IsNull()) return std::make_unique<TJSONNull>();
  if (filter) {
    if (p.Code == 23) return TableToJSON(*v.AsTable(), filter->Offset, filter->Count);
    if (p.Code == 3 || p.Code == 33)
      return StreamToJSON(*v.AsStream(), filter->Offset, filter->Count);
    Text text = v.AsText();
    size_t offset = size_t(std::clamp<int64_t>(filter->Offset, 0, int64_t(text.size())));
    return std::make_unique<TJSONString>(
        text.substr(offset, size_t(std::max<int64_t>(0, filter->Count))));
  }
  switch (p.Code) {
    case 1:
    case 2:
    case 10:
    case 11:
    case 24:
    case 26:
      return std::make_unique<TJSONString>(v.AsText());
    case 3:
    case 33:
      return StreamToJSON(*v.AsStream(), 0, INT64_MAX);
    case 4:
      if (v.AsBoolean()) return std::make_unique<TJSONTrue>();
      return std::make_unique<TJSONFalse>();
    case 5:
    case 6:
    case 7:
    case 8:
    case 12:
    case 13:
    case 25:
    case 28:
      return std::make_unique<TJSONNumber>(v.AsDouble());
    case 18:
    case 19:
      return std::make_unique<TJSONNumber>(v.AsInt());
    case 23:
      return TableToJSON(*v.AsTable(), 0, INT64_MAX);
    case 27:
      return std::make_unique<TJSONNumber>(double(float(v.AsDouble())));
    case 29:
      return std::make_unique<TJSONNumber>(v.AsInt());
    case 37:
      return v.AsJSON() ? v.AsJSON()->Clone() : std::make_unique<TJSONNull>();
    default:
      throw Exception(
          FormatMessage("Cannot convert DBX type %s into a JSON value", {DataTypeName(p.Code)}));
  }
}

// What the cache builder keeps: JSON objects, arrays and values, other objects, tables, streams.
bool IsCacheable(const TDSParameterInfo& p) {
  if (p.Code == TableType || p.Code == ObjectType || p.Code == BlobType || p.Code == BinaryBlobType)
    return true;
  if (p.Code != JsonValueType) return false;
  return p.TypeName == "TJSONObject" || p.TypeName == "TJSONArray" || p.TypeName == "TJSONValue" ||
         p.TypeName.rfind("TJSON", 0) != 0;
}

std::unique_ptr<TJSONObject> CachedCommandJSON(const std::vector<TDSCachedValue>& command) {
  auto types = std::make_unique<TJSONArray>();
  for (const TDSCachedValue& v : command) types->Add(Utf8ToText(v.Parameter.TypeName));
  auto object = std::make_unique<TJSONObject>();
  object->AddPair(u"parameters", std::move(types));
  return object;
}

std::unique_ptr<TJSONObject> CacheItemJSON(const TDSCacheItem& item) {
  auto commands = std::make_unique<TJSONArray>();
  for (const auto& command : item.Commands) commands->AddElement(CachedCommandJSON(command));
  auto object = std::make_unique<TJSONObject>();
  object->AddPair(u"commands", std::move(commands));
  return object;
}

// The byte form is plain ASCII: it goes out as it is, without passing through text.
void SetJSONBody(TWebResponse& response, const TJSONValue& value) {
  response.SetContentStream(std::make_unique<TMemoryStream>(value.ToJSON()));
}

void SetJSONAnswer(TWebResponse& response, const char* member, std::unique_ptr<TJSONValue> value) {
  TJSONObject answer;
  answer.AddPair(Utf8ToText(member), std::move(value));
  SetJSONBody(response, answer);
}

bool IsStream(int code) {
  return code == BlobType || code == BinaryBlobType;
}

// An answer whose body stays empty (not the HTTP layer's default page).
void EmptyBody(TWebResponse& response) {
  response.SetContentStream(std::make_unique<TMemoryStream>());
}

// One call's outcome: the finished command or an error, kept until the answer is built and,
// for an answer sent from a stream, until it has been sent.
struct TExecution {
  TTreeReservation BodyTree;  // first, so that it is given back after the inputs are gone
  std::unique_ptr<TDSServerConnection> Connection;
  std::unique_ptr<TDSServerCommand> Command;
  std::string Error;
  bool Failed = false;
  std::shared_ptr<TStream> Returned;  // the stream the method returned, sent as the raw answer
  std::map<size_t, std::shared_ptr<TDSStreamSnapshot>> Snapshots;  // by parameter, for the cache
};

}  // namespace

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
  std::string segment = text.substr(start, d - start);
  if (!SameTextAscii(prefix, segment)) return false;
  rest = text.substr(d);
  return true;
}

std::vector<std::string> SplitRestPath(const std::string& text) {
  if (text.find('/') == std::string::npos) throw Exception(kFormatError);
  std::string t = text[0] == '/' ? text.substr(1) : text;
  std::vector<std::string> segments;
  size_t start = 0;
  while (start < t.size()) {
    size_t end = t.find('/', start);
    if (end == std::string::npos) end = t.size();
    std::string segment = t.substr(start, end - start);
    segments.push_back(segment.find('%') == std::string::npos ? segment
                                                              : DecodeRequestPath(segment));
    start = end + 1;
    if (end + 1 == t.size()) break;  // one trailing "/" adds nothing
  }
  if (segments.size() < 2 || segments[0].empty() || segments[1].empty())
    throw Exception(kFormatError);
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
  return className + "." + prefix + methodName;
}

TDSHTTPWebDispatcher::TDSHTTPWebDispatcher() {
  FMask.SetPath("dataserver*");
}

bool TDSHTTPWebDispatcher::DispatchRequest(TCustomWebDispatcher&, TWebRequest& request,
                                           TWebResponse& response) {
  try {
    std::string uri = request.RawPathInfo();
    std::string rest, after;
    if (!MatchContext(DSContext, uri, rest)) {
      response.SetStatusCode(404);
      response.SetReasonString(FormatMessage("Expected dataserver context in request %s", {uri}));
      EmptyBody(response);
    } else if (MatchContext(RESTContext, rest, after)) {
      ProcessRESTCall(request, response, after);
    } else if (MatchContext(CacheContext, rest, after)) {
      ProcessCacheRequest(request, response, after);
    } else if (MatchContext("tunnel", rest, after)) {
      response.SetStatusCode(501);  // no client of this server uses the tunnel
      response.SetContent(u"The tunnel is not served by this server");
    } else {
      response.SetStatusCode(501);
      response.SetContent(Utf8ToText(
          FormatMessage("Specified protocol in request %s is not supported. Current supported "
                        "protocols are: %s, json, tunnel",
                        {rest, TrimBlanks(RESTContext).empty() ? "none specified (uses rest)"
                                                               : TrimBlanks(RESTContext)})));
    }
  } catch (const std::exception& e) {
    response.SetStatusCode(500);
    response.SetContent(u"");
    if (*e.what()) {
      SetJSONAnswer(response, "error", std::make_unique<TJSONString>(Utf8ToText(e.what())));
    } else {
      EmptyBody(response);
    }
  }
  TDSSessionManager::SetCurrentSession(nullptr);
  return true;
}

std::shared_ptr<TDSSession> TDSHTTPWebDispatcher::LoadSession(TWebRequest& request,
                                                              const std::string& sessionId) {
  std::string id =
      sessionId.empty() ? PragmaSessionId(request.GetFieldByName("Pragma")) : sessionId;
  std::map<std::string, std::string> data = {{"RemoteIP", request.RemoteAddr()},
                                             {"RemoteAppName", request.UserAgent()},
                                             {"CommunicationProtocol", request.ProtocolVersion()},
                                             {"ProtocolSubType", "rest"}};
  if (!TDSSessionManager::Instance().LoadRESTSession(id, "", SessionTimeout, data).Ok)
    return nullptr;
  std::shared_ptr<TDSSession> session = TDSSessionManager::CurrentSession();
  session->SetLastResult(nullptr);  // the previous call's stored answer goes now
  return session;
}

void TDSHTTPWebDispatcher::AnswerSessionExpired(TWebResponse& response) {
  response.SetStatusCode(403);
  response.SetReasonString("Session has expired");
  response.SetContent(Utf8ToText(std::string("{\"SessionExpired\":\"") + kSessionExpired + "\"}"));
}

void TDSHTTPWebDispatcher::ProcessCacheRequest(TWebRequest& request, TWebResponse& response,
                                               const std::string& rest) {
  TDSHTTPCommandType type = CommandTypeOf(request);
  const TStrings& fields = request.QueryFields();
  std::string sessionId = TextToUtf8(fields.Values(u"SESSIONID"));
  if (sessionId.empty()) sessionId = TextToUtf8(fields.Values(u"sid"));
  std::shared_ptr<TDSSession> session = LoadSession(request, sessionId);
  if (!session) return AnswerSessionExpired(response);
  TQuery query;
  try {
    for (size_t i = 0; i < fields.Count(); ++i)
      ProcessQueryParameter(query, TextToUtf8(fields.Names(i)),
                            TextToUtf8(fields.ValueFromIndex(i)));
  } catch (const EConvertError& e) {
    response.SetStatusCode(500);
    return SetJSONAnswer(response, "error", std::make_unique<TJSONString>(Utf8ToText(e.what())));
  }

  std::vector<int> indexes;
  bool malformed = false;
  for (size_t start = rest.empty() || rest[0] != '/' ? 0 : 1; start < rest.size();) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    auto n = TryStrToInt(Utf8ToText(rest.substr(start, end - start)));
    if (!n) malformed = true;
    indexes.push_back(n.value_or(0));
    start = end + 1;
  }
  auto invalid = [&] {
    response.SetStatusCode(400);
    response.SetReasonString(FormatMessage("Invalid request format. (%s)", {rest}));
    EmptyBody(response);
  };
  if (malformed || indexes.size() > 3) return invalid();
  std::shared_ptr<TDSSessionCache> cache = session->Cache();
  if (type == TDSHTTPCommandType::hcDELETE) {
    if (indexes.size() > 1) return invalid();
    if (indexes.empty()) {
      cache->Clear();
    } else {
      cache->Remove(indexes[0]);
    }
    EmptyBody(response);
    return;
  }
  if (type != TDSHTTPCommandType::hcGET) {
    response.SetStatusCode(501);
    response.SetContent(Utf8ToText(FormatMessage(
        "Command %s in request is not supported. Accepted commands are: GET, POST, PUT and DELETE",
        {request.Method()})));
    return;
  }
  if (indexes.empty()) {
    auto all = std::make_unique<TJSONObject>();
    for (auto& [id, item] : cache->Items())
      all->AddPair(AsciiToText(std::to_string(id)), CacheItemJSON(*item));
    return SetJSONAnswer(response, "result", std::move(all));
  }
  std::shared_ptr<TDSCacheItem> item = cache->Get(indexes[0]);
  if (indexes.size() == 1) {
    return SetJSONAnswer(
        response, "result",
        item ? std::unique_ptr<TJSONValue>(CacheItemJSON(*item)) : std::make_unique<TJSONNull>());
  }
  if (indexes.size() == 2) {
    bool known = item && indexes[1] >= 0 && size_t(indexes[1]) < item->Commands.size();
    return SetJSONAnswer(
        response, "result",
        known ? std::unique_ptr<TJSONValue>(CachedCommandJSON(item->Commands[size_t(indexes[1])]))
              : std::make_unique<TJSONNull>());
  }
  if (!item) {
    return SetJSONAnswer(
        response, "error",
        std::make_unique<TJSONString>(Utf8ToText(
            FormatMessage("There is no cached item with ID: %d", {std::to_string(indexes[0])}))));
  }
  bool known = indexes[1] >= 0 && size_t(indexes[1]) < item->Commands.size() && indexes[2] >= 0 &&
               size_t(indexes[2]) < item->Commands[size_t(indexes[1])].size();
  if (!known) {
    return SetJSONAnswer(response, "error",
                         std::make_unique<TJSONString>(Utf8ToText(FormatMessage(
                             "There is no parameter for command %d, parameter index %d.",
                             {std::to_string(indexes[1]), std::to_string(indexes[2])}))));
  }
  const TDSCachedValue& cached = item->Commands[size_t(indexes[1])][size_t(indexes[2])];
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

void TDSHTTPWebDispatcher::ProcessRESTCall(TWebRequest& request, TWebResponse& response,
                                           const std::string& rest) {
  TDSHTTPCommandType type = CommandTypeOf(request);
  int status = 200;
  std::string statusText;
  TQuery query;
  std::string sessionId;
  std::string queryError;  // a value that cannot be read fails the call, not the request
  const TStrings& fields = request.QueryFields();
  for (size_t i = 0; i < fields.Count(); ++i) {
    // a field without "=" has an empty name, which is ignored
    std::string name = TextToUtf8(fields.Names(i));
    std::string value = TextToUtf8(fields.ValueFromIndex(i));
    if (UpperAscii(name) == "SESSIONID" || UpperAscii(name) == "SID") {
      sessionId = value;
      continue;
    }
    bool accepted = true;
    try {
      accepted = ProcessQueryParameter(query, name, value);
    } catch (const EConvertError& e) {
      queryError = e.what();
      break;
    }
    if (!accepted) {
      status = 409;
      statusText = FormatMessage(
          "Query parameter %0:s (%1:s) is not accepted as a valid converter. The converter type "
          "might not be registered yet hence the request is rejected",
          {name, value});
      break;
    }
  }
  if (status < 300 && !FiltersConsistent(query)) {
    status = 409;
    statusText =
        "Query parameters are conflicting. This is usually due to references on the same output "
        "parameter";
  }
  std::shared_ptr<TDSSession> session = LoadSession(request, sessionId);
  if (session && LowerAscii(rest).rfind("/closesession/", 0) == 0) {
    if (session) {
      TDSSessionManager::Instance().CloseSession(session->SessionName());
      response.SetStatusCode(200);
      response.SetReasonString("{\"result\":[true]}");
    } else {
      response.SetStatusCode(400);
      response.SetReasonString(kSessionExpired);
    }
    EmptyBody(response);
    return;
  }
  if (!session) return AnswerSessionExpired(response);
  if (status >= 300) {
    response.SetStatusCode(status);
    response.SetReasonString(statusText);
    EmptyBody(response);
    return;
  }
  response.CustomHeaders().emplace_back(
      "Pragma", "dssession=" + session->SessionName() +
                    ",dssessionexpires=" + std::to_string(session->ExpiresIn()));

  std::string method;
  static const std::string kNoBody;
  const std::string* body = &kNoBody;
  std::string ownBody;
  switch (type) {
    case TDSHTTPCommandType::hcGET:
      method = "GET";
      break;
    case TDSHTTPCommandType::hcDELETE:
      method = "DELETE";
      break;
    case TDSHTTPCommandType::hcPOST:
    case TDSHTTPCommandType::hcPUT: {
      method = type == TDSHTTPCommandType::hcPOST ? "POST" : "PUT";
      // read where it lies: a copy would double what a large body costs
      if (auto* memory = dynamic_cast<TMemoryStream*>(&request.ContentStream())) {
        body = &memory->Bytes();
      } else {
        ownBody = request.Content();
        body = &ownBody;
      }
      if (type == TDSHTTPCommandType::hcPOST && body->size() >= 2 && (*body)[0] != '[' &&
          (*body)[0] != '{') {
        // a lone "dss..." or query parameter stands for the body
        std::vector<std::pair<Text, Text>> params;
        for (size_t i = 0; i < fields.Count(); ++i)
          params.emplace_back(fields.Names(i), fields.ValueFromIndex(i));
        if (SameTextAscii(request.ContentType(), "application/x-www-form-urlencoded")) {
          const TStrings& form = request.ContentFields();
          for (size_t i = 0; i < form.Count(); ++i)
            if (LowerAscii(TextToUtf8(form[i])).rfind("dss", 0) == 0)
              params.emplace_back(form.Names(i), form.ValueFromIndex(i));
        }
        if (params.size() == 1 && !params[0].first.empty()) {
          ownBody = EncodeText(params[0].second, kAnsiCodePage);
          body = &ownBody;
        }
      }
      break;
    }
    default:
      response.SetStatusCode(501);
      response.SetContent(
          Utf8ToText(FormatMessage("Command %s in request is not supported. Accepted commands are: "
                                   "GET, POST, PUT and DELETE",
                                   {request.Method()})));
      return;
  }

  // ProcessREST
  auto execution = std::make_shared<TExecution>();
  try {
    if (!queryError.empty()) throw Exception(queryError);
    std::vector<std::string> segments = SplitRestPath(rest);
    std::string name = BuildMethodName(type, segments[0], segments[1]);
    segments.erase(segments.begin(), segments.begin() + 2);
    execution->Connection = Server->GetServerConnection();
    execution->Command = std::make_unique<TDSServerCommand>(*execution->Connection);
    execution->Command->CommandText = name;
    execution->Command->Prepare();
    FillInputs(execution->BodyTree, name, segments, *body,
               execution->Command->Method()->Declaration->Parameters,
               execution->Command->Parameters());
    execution->Command->Execute();
  } catch (const std::exception& e) {
    execution->Command.reset();
    execution->Connection.reset();
    execution->Failed = true;
    execution->Error = e.what();
    if (execution->Error.empty()) throw Exception("Command closed or unassigned.");
  }

  // PopulateResponse
  bool cacheMode = request.GetFieldByName("Accept").find("application/rest") != std::string::npos;
  std::shared_ptr<TDSCacheItem> cacheItem;
  int cacheId = -1;
  bool error = execution->Failed;
  std::unique_ptr<TJSONValue> answer;
  bool rawStream = false;
  std::unique_ptr<TStream> jsonStream;  // a lone stream result written as JSON while it is sent
  if (!execution->Failed && cacheMode && session) {
    // A cached stream keeps the bytes as they are now, not the file: it holds nothing open and
    // answers later readers with what the call returned.
    try {
      const auto& declared = execution->Command->Method()->Declaration->Parameters;
      auto& values = execution->Command->Parameters();
      for (size_t i = 0; i < declared.size(); ++i)
        if (declared[i].Direction != pdIn && IsStream(declared[i].Code) && values[i].AsStream())
          execution->Snapshots[i] = TDSStreamSnapshot::Take(*values[i].AsStream());
    } catch (const std::exception& e) {
      execution->Failed = true;
      execution->Error = e.what();
      error = true;
    }
  }
  if (execution->Failed) {
    auto object = std::make_unique<TJSONObject>();
    object->AddPair(u"error", std::make_unique<TJSONString>(Utf8ToText(execution->Error)));
    answer = std::move(object);
  } else {
    const auto& declared = execution->Command->Method()->Declaration->Parameters;
    auto& values = execution->Command->Parameters();
    int outputs = 0;
    for (const auto& p : declared) outputs += p.Direction != pdIn ? 1 : 0;
    auto results = std::make_unique<TJSONArray>();
    try {
      for (size_t i = 0; i < declared.size(); ++i) {
        const TDSParameterInfo& p = declared[i];
        if (p.Direction == pdIn) continue;
        if (cacheMode && IsCacheable(p) && !values[i].IsNull()) {
          if (!cacheItem) {
            cacheItem = std::make_shared<TDSCacheItem>();
            cacheItem->Commands.emplace_back();
            cacheId = session->Cache()->Add(cacheItem);
          }
          auto& kept = cacheItem->Commands.back();
          results->Add(Utf8ToText(std::to_string(cacheId) + "/0/" + std::to_string(kept.size())));
          if (auto snapshot = execution->Snapshots.find(i);
              snapshot != execution->Snapshots.end()) {
            kept.push_back({p, TDSValue(), snapshot->second});
          } else {
            kept.push_back({p, values[i], nullptr});
          }
          continue;
        }
        if (!query.StreamAsJSON && outputs == 1 && p.Code == BinaryBlobType) {
          execution->Returned = values[i].AsStream();
          if (execution->Returned) {
            // Sent straight from the returned stream, piece by piece: a download of any size
            // keeps the server's memory flat.
            rawStream = true;
            continue;
          }
          results->AddElement(std::make_unique<TJSONNull>());
          continue;
        }
        const TFilter* applying = nullptr;
        int count = 0;
        for (const TFilter& f : query.Filters) {
          bool covers = f.Covers(i) || (f.OnResult && i + 1 == declared.size());
          if (covers) {
            applying = &f;
            ++count;
          }
        }
        if (count == 1 && !applying->Accepts(p.Code))
          throw Exception(FormatMessage(
              "The output parameter (%d) cannot be converted by the selected converter (%s)",
              {std::to_string(i), applying->Name}));
        if (outputs == 1 && IsStream(p.Code) && values[i].AsStream()) {
          // as numbers, written while they are read: never a node per byte
          const TFilter* f = count == 1 ? applying : nullptr;
          jsonStream = std::make_unique<TJSONByteArrayStream>(
              values[i].AsStream(), f ? f->Offset : 0, f ? f->Count : INT64_MAX, "{\"result\":[",
              "]}");
          continue;
        }
        results->AddElement(ResultToJSON(p, values[i], count == 1 ? applying : nullptr));
      }
      auto object = std::make_unique<TJSONObject>();
      object->AddPair(u"result", std::move(results));
      if (cacheItem) {
        object->AddPair(u"cacheId", std::make_unique<TJSONNumber>(int32_t(cacheId)));
        object->AddPair(u"cmdIndex", std::make_unique<TJSONNumber>(int32_t(0)));
      }
      answer = std::move(object);
    } catch (const std::exception& e) {
      answer = std::make_unique<TJSONString>(Utf8ToText(e.what()));
      error = true;
    }
  }
  if (cacheMode) response.SetContentType("application/rest");
  if (rawStream) {
    // Kept only while it is being sent: the file is released with the answer, whatever the
    // client does with its session.
    response.SetContentStream(std::shared_ptr<TStream>(execution, execution->Returned.get()));
  } else if (jsonStream && !error) {
    response.SetContentStream(StreamWithOwner(std::move(jsonStream), execution));
  } else {
    SetJSONBody(response, *answer);
  }
  if (error) {
    response.SetStatusCode(500);
  } else {
    response.SetStatusCode(type == TDSHTTPCommandType::hcPUT ? 201 : 200);
  }
}

}  // namespace quillara
