#pragma once
// What the REST client writers share: the verbs, the type codes they can carry and those
// that cannot travel in a URL, the type constants and accessor names, the filters that
// leave out the built-in classes and methods they cannot express, and the method comments.
#include <string>
#include <vector>

#include "proxy/TDSProxyGenerator.h"

namespace quillara {

inline std::string DirectionMark(int direction) {
  switch (direction) {
    case pdIn:
      return " [in]";
    case pdOut:
      return " [out]";
    case pdInOut:
      return " [in/out]";
    default:
      return {};
  }
}

// The JSON classes a proxy can name; any other JSON-typed parameter is read as an object.
inline bool IsJSONClassName(const std::string& t) {
  return t == "TJSONObject" || t == "TJSONArray" || t == "TJSONValue" || t == "TJSONTrue" ||
         t == "TJSONFalse" || t == "TJSONNull";
}

// " * @param Name [in] - Type on server: T", or "@return result" for the return parameter.
inline std::string ParameterCommentLine(const TDSProxyParameter& p, const std::string& typeText) {
  bool result = p.ParameterDirection == pdReturn;
  return std::string(" * ") + (result ? "@return " : "@param ") +
         (result ? "result" : p.ParameterName) + DirectionMark(p.ParameterDirection) +
         " - Type on server: " + typeText;
}

inline EDSProxyException UnknownParamType(const TDSProxyParameter& p) {
  return EDSProxyException("Unknown param type for " + p.TypeUnit() + "." + p.TypeName);
}

// The registry description a REST client writer starts from.
TDSProxyWriterProperties RESTClientWriterProperties(const std::string& usesUnits,
                                                    const std::string& language);

class TDSCustomConnectorProxyWriter : public TDSCustomProxyWriter {
 public:
  TDSCustomConnectorProxyWriter();

  std::string Get = "GET", Post = "POST", Put = "PUT", Delete = "DELETE";
  std::string FPostPrefix = "update", FPutPrefix = "accept", FDeletePrefix = "cancel";
  bool GenerateURLFunctions = false;

  std::string AssignmentOperator() override { return "="; }
  virtual void EmitLine(const std::string& text) { WriteLine(text); }
  virtual void EmitEmptyLine() { WriteLine(); }
  virtual std::string HTTPMethodOf(const TDSProxyClass& proxyClass,
                                   const TDSProxyMethod& proxyMethod);
  virtual const std::vector<int>& NonURLTypes();
  virtual const std::vector<int>& SupportedTypes();
  virtual bool IsPrimitiveJSONTypeName(const std::string& name);
  virtual std::string SetterName(const TDSProxyParameter& parameter);
  virtual std::string GetterName(const TDSProxyParameter& parameter);
  // Fails with "Param direction not allowed" outside 1 to 4.
  virtual std::string DirectionConstant(int direction);
  virtual std::string DirectionConstantPrefix();
  virtual int OutputParameterCount(const TDSProxyMethod& proxyMethod);
  virtual std::string URLMethodName(const TDSProxyClass& proxyClass,
                                    const TDSProxyMethod& proxyMethod);
  virtual std::string TypeConstant(int code);
  virtual std::string TypeConstantPrefix();

  bool IsValueHolderParameter(const TDSProxyParameter& parameter) const;
  static bool IsInputParameter(const TDSProxyParameter& parameter);
  static bool IsOutputParameter(const TDSProxyParameter& parameter);
  static TDSProxyParameter* GetReturnParam(const TDSProxyMethod& proxyMethod);
  template <typename F>
  static void ForEachParameter(const TDSProxyMethod& proxyMethod, F&& action) {
    for (TDSProxyParameter* p = proxyMethod.Parameters(); p; p = p->Next.get()) action(*p);
  }
  bool IsConnectorMethodIncluded(const TDSProxyMethod& proxyMethod);
  bool IsConnectorClassIncluded(const TDSProxyClass& proxyClass);
  bool IsSupported(int code);
  bool IsNonURLType(int code);
  // Whether every input can travel in the URL.
  bool CanUseGET(const TDSProxyMethod& proxyMethod);
  // An object carries the outputs when there are several, or one that is not the result.
  bool HasResultObject(const TDSProxyMethod& proxyMethod);

 protected:
  // A blank line, then, when the method has parameters, one line each between the marks.
  template <typename TTypeText>
  void WriteParameterComment(const TDSProxyMethod& proxyMethod, const std::string& open,
                             const std::string& close, TTypeText&& typeText) {
    EmitEmptyLine();
    if (!proxyMethod.Parameters()) return;
    EmitLine(open);
    ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
      EmitLine(ParameterCommentLine(p, typeText(p)));
    });
    EmitLine(close);
  }
};

}  // namespace quillara
