#include "rest/TDSParameterConversion.h"

#include <algorithm>
#include <atomic>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "rest/TDSMessages.h"
#include "rest/TDSQueryFilters.h"

namespace quillara {

using namespace TDBXDataTypes;

namespace {

std::atomic<size_t> gBodyTreeBytes{0};

[[noreturn]] void CannotConvert(const Text& text, TDBXDataType code) {
  throw Exception(
      FormatMessage(TDSMessages::kCannotConvertJSONInput, {TextToUtf8(text), DataTypeName(code)}));
}

// Whether an integer fits the parameter's type: a method must never see a wrapped value.
bool InRange(TDBXDataType code, int64_t v) {
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
        if (!d) throw EConvertError(FormatMessage(kInvalidFloat, {t}));
        value.Set(*d);
      } else {
        auto i = TryStrToInt64(text);
        if (!i || !InRange(p.Code, *i)) throw EConvertError(FormatMessage(kInvalidInteger, {t}));
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
      if (!v || *v < 0 || *v > 255) throw Exception(TDSMessages::kCannotConvertToStream);
      bytes.push_back(char(*v));
    }
    value.Set(std::shared_ptr<TStream>(std::make_shared<TMemoryStream>(bytes)));
    return;
  }
  CannotConvert(json->ToString(), p.Code);
}

}  // namespace

TTreeReservation::~TTreeReservation() {
  gBodyTreeBytes.fetch_sub(FBytes);
}

size_t TTreeReservation::Reserve(size_t wanted) {
  KeepOnly(0);
  size_t current = gBodyTreeBytes.load();
  size_t take = 0;
  do {
    take = std::min(wanted, kMaxBodyTreeBytesTotal - std::min(current, kMaxBodyTreeBytesTotal));
  } while (!gBodyTreeBytes.compare_exchange_weak(current, current + take));
  FBytes = take;
  return take;
}

void TTreeReservation::KeepOnly(size_t bytes) {
  if (bytes >= FBytes) return;
  gBodyTreeBytes.fetch_sub(FBytes - bytes);
  FBytes = bytes;
}

size_t TTreeReservation::TotalBytes() {
  return gBodyTreeBytes.load();
}

namespace {

// Most bodies carry text, whose tree takes a few bytes per input byte: that much is held first,
// so that many uploads fit beside each other. A denser body is read again with room for the
// densest tree (one-digit numbers, about 27 bytes per input byte).
std::unique_ptr<TJSONValue> ReadBody(TTreeReservation& reservation, const std::string& body) {
  TJSONObject::TReadStatus status;
  std::unique_ptr<TJSONValue> parsed;
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
    throw Exception(TDSMessages::kContentMemoryTaken);
  if (status == TJSONObject::TReadStatus::rsTooLarge)
    throw Exception(FormatMessage(TDSMessages::kContentTooLarge, {std::to_string(bound)}));
  if (!parsed) throw Exception(TDSMessages::kNotValidJSON);
  return parsed;
}

// The array of {"_parameters": [...]}, the body's only member; none for any other body.
TJSONArray* ParametersArray(TJSONValue& parsed) {
  auto* object = dynamic_cast<TJSONObject*>(&parsed);
  if (object && object->Count() == 1 && object->Get(0)->JsonString()->Value() == u"_parameters")
    return dynamic_cast<TJSONArray*>(object->Get(0)->JsonValue());
  return nullptr;
}

void FromSegment(TDSValue& value, const TDSParameterInfo& p, const std::string& segment) {
  if (segment != "null") return FromText(value, p, Utf8ToText(segment));
  if (p.Code == JsonValueType) {
    value.Set(std::shared_ptr<TJSONValue>(std::make_shared<TJSONNull>()));
  } else {
    value.SetNull();
  }
}

}  // namespace

void FillInputs(TTreeReservation& reservation, const std::string& methodName,
                const std::vector<std::string>& segments, const std::string& body,
                const std::vector<TDSParameterInfo>& declared, std::vector<TDSValue>& values) {
  size_t used = 0;
  std::unique_ptr<TJSONValue> parsed;
  TJSONArray* parameters = nullptr;
  bool bodyRead = false;
  bool wholeBodyGiven = false;
  for (size_t i = 0; i < declared.size(); ++i) {
    const TDSParameterInfo& p = declared[i];
    if (p.Direction != pdIn && p.Direction != pdInOut) continue;
    if (used < segments.size()) {
      FromSegment(values[i], p, segments[used]);
      ++used;
      continue;
    }
    if (body.empty()) {
      values[i].SetNull();
      ++used;
      continue;
    }
    if (!bodyRead) {
      bodyRead = true;
      parsed = ReadBody(reservation, body);
      parameters = ParametersArray(*parsed);
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
  }
  if (used < segments.size())
    throw Exception(
        FormatMessage(TDSMessages::kInputsNotConsumed,
                      {methodName, std::to_string(used), std::to_string(segments.size())}));
}

}  // namespace quillara
