#include "proxy/TDSConnectorProxyWriter.h"

#include <algorithm>

#include "base/CodePages.h"
#include "proxy/Messages.h"

namespace quillara {

namespace {

struct TTypeNames {
  int Code;
  const char* Constant;
  const char* Getter;
  const char* Setter;
};

// Codes 21 (arrays) have accessor texts that read as warnings in the output on purpose.
constexpr TTypeNames kTypeNames[] = {
    {1, "AnsiStringType", "GetAsAnsiString", "SetAsAnsiString"},
    {2, "DateType", "GetAsTDBXDate", "SetAsTDBXDate"},
    {4, "BooleanType", "GetAsBoolean", "SetAsBoolean"},
    {5, "Int16Type", "GetAsInt16", "SetAsInt16"},
    {6, "Int32Type", "GetAsInt32", "SetAsInt32"},
    {7, "DoubleType", "GetAsDouble", "SetAsDouble"},
    {8, "BcdType", "GetAsBcd", "SetAsBcd"},
    {10, "TimeType", "GetAsTDBXTime", "SetAsTDBXTime"},
    {11, "DateTimeType", "GetAsDateTime", "SetAsDateTime"},
    {12, "UInt16Type", "GetAsUInt16", "SetAsUInt16"},
    {13, "UInt32Type", "GetAsUInt32", "SetAsUInt32"},
    {18, "Int64Type", "GetAsInt64", "SetAsInt64"},
    {19, "UInt64Type", "GetAsUInt64", "SetAsUInt64"},
    {21, "ArrayType", "<NOT SUPPORTED ARRAY>", nullptr},
    {23, "TableType", "GetAsTable", "SetAsTable"},
    {24, "TimeStampType", "GetAsTimeStamp", "SetAsTimeStamp"},
    {25, "CurrencyType", "GetAsCurrency", "SetAsCurrency"},
    {26, "WideStringType", "GetAsString", "SetAsString"},
    {27, "SingleType", "GetAsSingle", "SetAsSingle"},
    {28, "Int8Type", "GetAsInt8", "SetAsInt8"},
    {29, "UInt8Type", "GetAsUInt8", "SetAsUInt8"},
    {30, "ObjectType", "GetAsObject", "SetAsObject"},
    {33, "BinaryBlobType", "GetAsStream", "SetAsStream"},
    {37, "JsonValueType", "GetAsJSONValue", "SetAsJSONValue"},
};

const TTypeNames* TypeNamesOf(int code) {
  for (const TTypeNames& t : kTypeNames)
    if (t.Code == code) return &t;
  return nullptr;
}

}  // namespace

TDSProxyWriterProperties RESTClientWriterProperties(const std::string& usesUnits,
                                                    const std::string& language) {
  TDSProxyWriterProperties p;
  p.UsesUnits = usesUnits;
  p.DefaultExcludeClasses = "DSMetadata,DSAdmin";
  p.DefaultExcludeMethods = "AS_*";
  p.DefaultEncoding = TDSProxyEncoding::peUTF8;
  p.Author = "Quillara";
  p.Language = language;
  p.Features = feRESTClient;
  return p;
}

TDSCustomConnectorProxyWriter::TDSCustomConnectorProxyWriter() {
  SetIndentIncrement(2);
}

std::string TDSCustomConnectorProxyWriter::HTTPMethodOf(const TDSProxyClass&,
                                                        const TDSProxyMethod&) {
  return Get;
}

const std::vector<int>& TDSCustomConnectorProxyWriter::NonURLTypes() {
  static const std::vector<int> codes = {37, 30, 23, 9, 15, 21, 31, 3, 33};
  return codes;
}

const std::vector<int>& TDSCustomConnectorProxyWriter::SupportedTypes() {
  static const std::vector<int> codes = {1,  26, 4, 28, 5,  6,  18, 29, 12, 13, 19, 7,
                                         27, 25, 8, 2,  11, 10, 24, 37, 21, 30, 23, 33};
  return codes;
}

bool TDSCustomConnectorProxyWriter::IsSupported(int code) {
  const auto& codes = SupportedTypes();
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool TDSCustomConnectorProxyWriter::IsNonURLType(int code) {
  const auto& codes = NonURLTypes();
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool TDSCustomConnectorProxyWriter::CanUseGET(const TDSProxyMethod& proxyMethod) {
  bool result = true;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    if (IsInputParameter(p) && (!IsSupported(p.DataType) || IsNonURLType(p.DataType)))
      result = false;
  });
  return result;
}

bool TDSCustomConnectorProxyWriter::HasResultObject(const TDSProxyMethod& proxyMethod) {
  int outputs = OutputParameterCount(proxyMethod);
  return outputs >= 2 || (outputs == 1 && !GetReturnParam(proxyMethod));
}

bool TDSCustomConnectorProxyWriter::IsPrimitiveJSONTypeName(const std::string& name) {
  return name == "TJSONString" || name == "TJSONNumber" || name == "TJSONTrue" ||
         name == "TJSONFalse" || name == "TJSONNull";
}

std::string TDSCustomConnectorProxyWriter::SetterName(const TDSProxyParameter& parameter) {
  if (IsValueHolderParameter(parameter)) return "SetAsDBXValue";
  if (parameter.DataType == 21)
    return "<WARNING! Type " + parameter.TypeName + " is not supported>";
  const TTypeNames* names = TypeNamesOf(parameter.DataType);
  return names ? names->Setter : "";
}

std::string TDSCustomConnectorProxyWriter::GetterName(const TDSProxyParameter& parameter) {
  if (IsValueHolderParameter(parameter)) return "GetAsDBXValue";
  const TTypeNames* names = TypeNamesOf(parameter.DataType);
  return names ? names->Getter : "";
}

std::string TDSCustomConnectorProxyWriter::DirectionConstant(int direction) {
  switch (direction) {
    case pdIn:
      return DirectionConstantPrefix() + "Input";
    case pdOut:
      return DirectionConstantPrefix() + "Output";
    case pdInOut:
      return DirectionConstantPrefix() + "InputOutput";
    case pdReturn:
      return DirectionConstantPrefix() + "ReturnValue";
    default:
      throw TDSProxyException(kParamDirectionNotAllowed);
  }
}

std::string TDSCustomConnectorProxyWriter::DirectionConstantPrefix() {
  return "DSRESTParamDirection.";
}

int TDSCustomConnectorProxyWriter::OutputParameterCount(const TDSProxyMethod& proxyMethod) {
  int count = 0;
  ForEachParameter(proxyMethod,
                   [&](const TDSProxyParameter& p) { count += IsOutputParameter(p) ? 1 : 0; });
  return count;
}

std::string TDSCustomConnectorProxyWriter::URLMethodName(const TDSProxyClass&,
                                                         const TDSProxyMethod& proxyMethod) {
  return proxyMethod.ProxyMethodName;
}

std::string TDSCustomConnectorProxyWriter::TypeConstant(int code) {
  const TTypeNames* names = TypeNamesOf(code);
  return TypeConstantPrefix() + (names ? names->Constant : "UnknownType");
}

std::string TDSCustomConnectorProxyWriter::TypeConstantPrefix() {
  return "DBXDataTypes.";
}

bool TDSCustomConnectorProxyWriter::IsValueHolderParameter(
    const TDSProxyParameter& parameter) const {
  const std::string& t = parameter.TypeName;
  return t.size() >= 9 && t.compare(0, 4, "TDBX") == 0 && t.compare(t.size() - 5, 5, "Value") == 0;
}

bool TDSCustomConnectorProxyWriter::IsInputParameter(const TDSProxyParameter& parameter) {
  return parameter.ParameterDirection == pdIn || parameter.ParameterDirection == pdInOut;
}

bool TDSCustomConnectorProxyWriter::IsOutputParameter(const TDSProxyParameter& parameter) {
  int d = parameter.ParameterDirection;
  return d == pdOut || d == pdInOut || d == pdReturn;
}

TDSProxyParameter* TDSCustomConnectorProxyWriter::GetReturnParam(
    const TDSProxyMethod& proxyMethod) {
  TDSProxyParameter* result = nullptr;
  for (TDSProxyParameter* p = proxyMethod.Parameters(); p; p = p->Next.get())
    if (p->ParameterDirection == pdReturn) result = p;
  return result;
}

bool TDSCustomConnectorProxyWriter::IsConnectorMethodIncluded(const TDSProxyMethod& proxyMethod) {
  if (!IsMethodIncluded(proxyMethod)) return false;
  for (TDSProxyParameter* p = proxyMethod.Parameters(); p; p = p->Next.get()) {
    if (!IsSupported(p->DataType)) return false;
    // Only plain strings come back as text; other string kinds have no client accessor.
    if (p->ParameterDirection == pdReturn && p->DataType == TDBXDataTypes::WideStringType &&
        LowerAscii(p->TypeName) != "string")
      return false;
  }
  return true;
}

bool TDSCustomConnectorProxyWriter::IsConnectorClassIncluded(const TDSProxyClass& proxyClass) {
  if (!IsClassIncluded(proxyClass)) return false;
  if (SameTextAscii(proxyClass.ProxyClassName, "DSMetadata") ||
      SameTextAscii(proxyClass.ProxyClassName, "DSAdmin"))
    return false;
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get())
    if (IsConnectorMethodIncluded(*m)) return true;
  return false;
}

}  // namespace quillara
