#include "rest/TDSResultConversion.h"

#include <algorithm>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "rest/TDSMessages.h"
#include "rest/TDSQueryFilters.h"

namespace quillara {

using namespace TDBXDataTypes;

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
    if (p.Code == TableType) return TableToJSON(*v.AsTable(), filter->Offset, filter->Count);
    if (IsStream(p.Code)) return StreamToJSON(*v.AsStream(), filter->Offset, filter->Count);
    Text text = v.AsText();
    size_t offset = size_t(std::clamp<int64_t>(filter->Offset, 0, int64_t(text.size())));
    return std::make_unique<TJSONString>(
        text.substr(offset, size_t(std::max<int64_t>(0, filter->Count))));
  }
  switch (p.Code) {
    case AnsiStringType:
    case DateType:
    case TimeType:
    case DateTimeType:
    case TimeStampType:
    case WideStringType:
      return std::make_unique<TJSONString>(v.AsText());
    case BlobType:
    case BinaryBlobType:
      return StreamToJSON(*v.AsStream(), 0, INT64_MAX);
    case BooleanType:
      if (v.AsBoolean()) return std::make_unique<TJSONTrue>();
      return std::make_unique<TJSONFalse>();
    case Int16Type:
    case Int32Type:
    case DoubleType:
    case BcdType:
    case UInt16Type:
    case UInt32Type:
    case CurrencyType:
    case Int8Type:
      return std::make_unique<TJSONNumber>(v.AsDouble());
    case Int64Type:
    case UInt64Type:
      return std::make_unique<TJSONNumber>(v.AsInt());
    case TableType:
      return TableToJSON(*v.AsTable(), 0, INT64_MAX);
    case SingleType:
      return std::make_unique<TJSONNumber>(double(float(v.AsDouble())));
    case UInt8Type:
      return std::make_unique<TJSONNumber>(v.AsInt());
    case JsonValueType:
      return v.AsJSON() ? v.AsJSON()->Clone() : std::make_unique<TJSONNull>();
    default:
      throw Exception(FormatMessage(TDSMessages::kCannotConvertToJSON, {DataTypeName(p.Code)}));
  }
}

bool IsCacheable(const TDSParameterInfo& p) {
  if (p.Code == TableType || p.Code == ObjectType || p.Code == BlobType || p.Code == BinaryBlobType)
    return true;
  if (p.Code != JsonValueType) return false;
  return p.TypeName == "TJSONObject" || p.TypeName == "TJSONArray" || p.TypeName == "TJSONValue" ||
         p.TypeName.rfind("TJSON", 0) != 0;
}

bool IsStream(TDBXDataType code) {
  return code == BlobType || code == BinaryBlobType;
}

}  // namespace quillara
