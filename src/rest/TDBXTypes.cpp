#include "rest/TDBXTypes.h"

#include "base/CodePages.h"

namespace quillara {

std::string DataTypeName(int code) {
  static const char* const kNames[] = {
      "UNKNOWN",         "ZSTRING",  "DATE",       "BLOB",       "BOOL",  "INT16",
      "INT32",           "DOUBLE",   "BCD",        "BYTES",      "TIME",  "DATETIME",
      "UINT16",          "UINT32",   nullptr,      "VARBYTES",   nullptr, "CURSOR",
      "INT64",           "UINT64",   "ADT",        "ARRAY_TYPE", "REF",   "TABLE",
      "TIMESTAMP",       "Currency", "WideString", "SINGLE",     "INT8",  "UINT8",
      nullptr,           nullptr,    nullptr,      nullptr,      nullptr, "Variant",
      "TIMESTAMPOFFSET", "JSON"};
  if (code >= 0 && code < int(std::size(kNames)) && kNames[code])
    return std::string("TDBXTypes.") + kNames[code];
  return "TDBXTypes.UNKNOWN(" + std::to_string(code) + ")";
}

TDSTypeInfo DataTypeOf(std::string_view typeName) {
  using namespace TDBXDataTypes;
  static const std::pair<const char*, TDBXDataType> kByName[] = {
      {"Integer", Int32Type},         {"AnsiString", AnsiStringType},
      {"WideString", WideStringType}, {"String", WideStringType},
      {"TDateTime", DateTimeType},    {"Currency", CurrencyType},
      {"TDBXTime", TimeType},         {"TDBXDate", DateType},
      {"Double", DoubleType},         {"Single", SingleType},
      {"Int64", Int64Type},           {"Byte", UInt8Type},
      {"ShortInt", Int8Type},         {"Word", UInt16Type},
      {"SmallInt", Int16Type},        {"Boolean", BooleanType},
      {"TDBXCallback", CallbackType}, {"OleVariant", VariantType},
      {"TDataSet", TableType},        {"TParams", TableType},
      {"TDBXReader", TableType},      {"TDBXConnection", DBXConnectionType},
      {"TStream", BinaryBlobType},    {"TObject", JsonValueType},
  };
  for (const auto& [name, code] : kByName)
    if (SameTextAscii(typeName, name)) {
      // any other class is carried as marshalled JSON
      return {code, SameTextAscii(typeName, "TObject") ? UserSubType : NoSubType};
    }
  if (typeName.size() >= 5 && typeName.substr(0, 5) == "TJSON") return {JsonValueType, NoSubType};
  return {UnknownType, NoSubType};
}

Text TDSValue::AsText() const {
  if (auto t = std::get_if<Text>(&FValue)) return *t;
  if (auto i = std::get_if<int64_t>(&FValue)) return AsciiToText(std::to_string(*i));
  if (auto b = std::get_if<bool>(&FValue)) return *b ? u"true" : u"false";
  return {};
}

int64_t TDSValue::AsInt() const {
  if (auto i = std::get_if<int64_t>(&FValue)) return *i;
  if (auto b = std::get_if<bool>(&FValue)) return *b ? 1 : 0;
  if (auto d = std::get_if<double>(&FValue)) return int64_t(*d);
  return 0;
}

bool TDSValue::AsBoolean() const {
  if (auto b = std::get_if<bool>(&FValue)) return *b;
  if (auto i = std::get_if<int64_t>(&FValue)) return *i != 0;
  return false;
}

double TDSValue::AsDouble() const {
  if (auto d = std::get_if<double>(&FValue)) return *d;
  if (auto i = std::get_if<int64_t>(&FValue)) return double(*i);
  return 0;
}

TJSONValue* TDSValue::AsJSON() const {
  auto j = std::get_if<std::shared_ptr<TJSONValue>>(&FValue);
  return j ? j->get() : nullptr;
}

std::shared_ptr<TStream> TDSValue::AsStream() const {
  auto s = std::get_if<std::shared_ptr<TStream>>(&FValue);
  return s ? *s : nullptr;
}

std::shared_ptr<TDBXTable> TDSValue::AsTable() const {
  auto t = std::get_if<std::shared_ptr<TDBXTable>>(&FValue);
  return t ? *t : nullptr;
}

}  // namespace quillara
