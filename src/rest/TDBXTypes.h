#pragma once
// Data-type codes of remote parameters and results, their names in messages, and the mapping
// from a declared type name to a code.
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/TStream.h"
#include "base/Text.h"
#include "json/TJSON.h"

namespace quillara {

// The codes travel as numbers (metadata tables, table column descriptors), so the enumerations
// stay unscoped over int and keep these values.
namespace TDBXDataTypes {
enum TDBXDataType : int {
  UnknownType = 0,
  AnsiStringType = 1,
  DateType = 2,
  BlobType = 3,
  BooleanType = 4,
  Int16Type = 5,
  Int32Type = 6,
  DoubleType = 7,
  BcdType = 8,
  BytesType = 9,
  TimeType = 10,
  DateTimeType = 11,
  UInt16Type = 12,
  UInt32Type = 13,
  VarBytesType = 15,
  CursorType = 17,
  Int64Type = 18,
  UInt64Type = 19,
  AdtType = 20,
  ArrayType = 21,
  RefType = 22,
  TableType = 23,
  TimeStampType = 24,
  CurrencyType = 25,
  WideStringType = 26,
  SingleType = 27,
  Int8Type = 28,
  UInt8Type = 29,
  ObjectType = 30,
  BinaryBlobType = 33,
  DBXConnectionType = 34,
  VariantType = 35,
  TimeStampOffsetType = 36,
  JsonValueType = 37,
  CallbackType = 38,
};
enum TDBXSubType : int { NoSubType = 0, UserSubType = 40 };
}  // namespace TDBXDataTypes
using TDBXDataTypes::TDBXDataType;
using TDBXDataTypes::TDBXSubType;

enum TDBXParameterDirection : int { pdIn = 1, pdOut = 2, pdInOut = 3, pdReturn = 4 };

// "TDBXTypes.BLOB", "TDBXTypes.UNKNOWN(33)"; any number, as codes also come from the wire.
std::string DataTypeName(int code);

struct TDSTypeInfo {
  TDBXDataType Code = TDBXDataTypes::UnknownType;
  TDBXSubType SubType = TDBXDataTypes::NoSubType;
};
// The code and sub-type of a declared type name ("string", "Integer", "TJSONObject", "TStream"...).
TDSTypeInfo DataTypeOf(std::string_view typeName);

// A table as code 23 carries it: named, typed columns and rows of values.
class TDBXTable;

// One parameter or result value; null until set.
class TDSValue {
 public:
  using TVariant =
      std::variant<std::monostate, Text, int64_t, double, bool, std::shared_ptr<TJSONValue>,
                   std::shared_ptr<TStream>, std::shared_ptr<TDBXTable>>;
  bool IsNull() const { return std::holds_alternative<std::monostate>(FValue); }
  void SetNull() { FValue = std::monostate(); }
  const TVariant& Variant() const { return FValue; }
  void Set(TVariant value) { FValue = std::move(value); }

  // Null gives the type's empty value.
  Text AsText() const;
  int64_t AsInt() const;
  bool AsBoolean() const;
  double AsDouble() const;
  TJSONValue* AsJSON() const;
  std::shared_ptr<TStream> AsStream() const;
  std::shared_ptr<TDBXTable> AsTable() const;

 private:
  TVariant FValue;
};

struct TDBXColumn {
  std::string Name;
  TDBXDataType DataType = TDBXDataTypes::UnknownType;
  int Size = 0;
};

class TDBXTable {
 public:
  TDBXTable(std::string name, std::vector<TDBXColumn> columns)
      : FName(std::move(name)), FColumns(std::move(columns)) {}
  const std::string& Name() const { return FName; }
  const std::vector<TDBXColumn>& Columns() const { return FColumns; }
  std::vector<std::vector<TDSValue>>& Rows() { return FRows; }
  const std::vector<std::vector<TDSValue>>& Rows() const { return FRows; }
  std::vector<TDSValue>& AddRow() { return FRows.emplace_back(FColumns.size()); }

 private:
  std::string FName;
  std::vector<TDBXColumn> FColumns;
  std::vector<std::vector<TDSValue>> FRows;
};

}  // namespace quillara
