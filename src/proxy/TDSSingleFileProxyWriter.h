#pragma once
// What the one-file language writers share: routing every line to the "implementation"
// output, and the parameter texts their templates have in common.
#include <string>

#include "proxy/TDSProxyGenerator.h"

namespace quillara {

// Sends everything to the "implementation" output, or to TextWriter when one is attached.
template <typename TBase>
class TDSImplementationOutput : public TBase {
 public:
  void EmitText(const std::string& text) override { Current().Write(text); }
  void EmitLineEnd() override { Current().WriteLine(); }
  // Takes precedence over the output when set; the generator never sets it.
  IDSProxyWriter* TextWriter = nullptr;

 private:
  IDSProxyWriter& Current() {
    if (TextWriter) return *TextWriter;
    IDSProxyWriter* sink = this->Sink("implementation");
    if (!sink) throw TDSProxyException("Stream not found");
    return *sink;
  }
};

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

}  // namespace quillara
