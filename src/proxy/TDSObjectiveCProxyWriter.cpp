#include "proxy/TDSObjectiveCProxyWriter.h"

#include "base/CodePages.h"

namespace quillara {

namespace {

constexpr const char* kImports[] = {"DSAdmin.h",
                                    "DSRESTParameterMetaData.h",
                                    "DBException.h",
                                    "TParams.h",
                                    "TDBXReader.h",
                                    "TDataSet.h",
                                    "TJSONNull.h",
                                    "TJSONValue.h",
                                    "TJSONObject.h",
                                    "TJSONArray.h",
                                    "TJSONTrue.h",
                                    "TJSONFalse.h",
                                    "DBXProtocols.h",
                                    "TDBXAnsiStringValue.h",
                                    "TDBXAnsiCharsValue.h",
                                    "TDBXBooleanValue.h",
                                    "TDBXDoubleValue.h",
                                    "TDBXUInt8Value.h",
                                    "TDBXInt8Value.h",
                                    "TDBXUInt16Value.h",
                                    "TDBXInt16Value.h",
                                    "TDBXInt32Value.h",
                                    "TDBXInt64Value.h",
                                    "TDBXSingleValue.h",
                                    "TDBXStringValue.h",
                                    "TDBXTimeValue.h",
                                    "TDBXTimeStampValue.h",
                                    "TDBXWideStringValue.h",
                                    "TDBXDateValue.h",
                                    "TDBXReaderValue.h",
                                    "TDBXStreamValue.h",
                                    "TDBXBcdValue.h"};

}  // namespace

std::string TDSCustomObjectiveCiOSProxyWriter::TypeDeclaration(const TDSProxyParameter* parameter) {
  if (!parameter) return "void";
  const std::string& t = parameter->TypeName;
  if (IsValueHolderParameter(*parameter)) return t + " *";
  switch (parameter->DataType) {
    case 1:
    case 26:
      return "NSString *";
    case 2:
    case 6:
    case 10:
      return "long";
    case 4:
      return "bool";
    case 5:
    case 28:
      return "int";
    case 7:
    case 25:
      return "double";
    case 8:
    case 24:
      return "???" + t + "???";
    case 11:
      return "NSDate *";
    case 12:
    case 29:
      return "unsigned int";
    case 13:
      return "unsigned long";
    case 18:
      return "long long";
    case 19:
      return "unsigned long long";
    case 23:
      return t + "*";
    case 27:
      return "float";
    case 33:
      return "NSData *";
    case 37:
      return IsJSONClassName(t) ? t + " *" : "TJSONObject *";
    default:
      throw UnknownParamType(*parameter);
  }
}

std::string TDSCustomObjectiveCiOSProxyWriter::CastExpression(const TDSProxyParameter& parameter) {
  const std::string& t = parameter.TypeName;
  if (IsValueHolderParameter(parameter)) return "(" + t + "*)";
  if (parameter.DataType == 23) {
    if (t == "TParams" || t == "TDBXReader" || t == "TDataSet") return "(" + t + "*)";
    return "UNKNOWN-" + t;
  }
  if (parameter.DataType == 37) return IsJSONClassName(t) ? "(" + t + " *)" : "(TJSONObject *)";
  return {};
}

void TDSCustomObjectiveCiOSProxyWriter::WriteInterfacePart() {
  FCurrFilePart = TFilePart::fpInterface;
  ResetIndent();
  EmitLine("#import <Foundation/Foundation.h>");
  for (const char* import : kImports) EmitLine(std::string("#import \"") + import + "\"");
  EmitEmptyLine();
  for (TDSProxyClass* c = Metadata().Classes(); c; c = c->Next.get())
    if (IsConnectorClassIncluded(*c)) WriteClassInterface(*c);
}

void TDSCustomObjectiveCiOSProxyWriter::WriteClassInterface(const TDSProxyClass& proxyClass) {
  EmitLine("@interface " + proxyClass.ProxyClassName + ":DSAdmin{");
  EmitLine("}");
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get()) {
    if (!IsConnectorMethodIncluded(*m)) continue;
    WriteMethodComment(proxyClass, *m);
    WriteMethodInterface(proxyClass, *m);
  }
  EmitLine("@end");
  EmitEmptyLine();
}

void TDSCustomObjectiveCiOSProxyWriter::WriteMethodComment(const TDSProxyClass&,
                                                           const TDSProxyMethod& proxyMethod) {
  WriteParameterComment(proxyMethod, "/**", " */",
                        [](const TDSProxyParameter& p) { return p.TypeName; });
}

std::string TDSCustomObjectiveCiOSProxyWriter::MethodSignature(const TDSProxyMethod& proxyMethod) {
  std::string s =
      "-(" + TypeDeclaration(GetReturnParam(proxyMethod)) + ") " + proxyMethod.ProxyMethodName;
  bool first = true;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int d = p.ParameterDirection;
    if (d != pdIn && d != pdOut && d != pdInOut) return;
    std::string out = d == pdOut ? "out " : "";
    std::string pointer = d == pdIn ? "" : "*";
    std::string lower = LowerAscii(p.ParameterName);
    if (first)
      s += ": (" + out + TypeDeclaration(&p) + pointer + ") " + lower + " ";
    else
      s += " with" + p.ParameterName + ": (" + out + TypeDeclaration(&p) + pointer + ") " + lower;
    first = false;
  });
  return s;
}

void TDSCustomObjectiveCiOSProxyWriter::WriteMethodInterface(const TDSProxyClass&,
                                                             const TDSProxyMethod& proxyMethod) {
  Indent();
  EmitLine(MethodSignature(proxyMethod) + ";");
  Outdent();
}

void TDSCustomObjectiveCiOSProxyWriter::WriteImplementationPart() {
  FCurrFilePart = TFilePart::fpImplementation;
  ResetIndent();
  EmitLine("#import \"DSProxy.h\"");
  EmitEmptyLine();
  for (TDSProxyClass* c = Metadata().Classes(); c; c = c->Next.get())
    if (IsConnectorClassIncluded(*c)) WriteClassImplementation(*c);
}

void TDSCustomObjectiveCiOSProxyWriter::WriteClassImplementation(const TDSProxyClass& proxyClass) {
  EmitEmptyLine();
  EmitLine("@implementation " + proxyClass.ProxyClassName);
  Indent();
  WriteParameterMetadataGetters(proxyClass);
  WriteDealloc();
  Outdent();
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get()) {
    if (!IsConnectorMethodIncluded(*m)) continue;
    WriteMethodComment(proxyClass, *m);
    WriteMethodImplementation(proxyClass, *m);
  }
  EmitLine("@end");
}

void TDSCustomObjectiveCiOSProxyWriter::WriteParameterMetadataGetters(
    const TDSProxyClass& proxyClass) {
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get())
    if (IsConnectorMethodIncluded(*m)) WriteParameterMetadataGetter(proxyClass, *m);
}

void TDSCustomObjectiveCiOSProxyWriter::WriteParameterMetadataGetter(
    const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod) {
  EmitLine("-(id) get" + proxyClass.ProxyClassName + "_" + proxyMethod.ProxyMethodName + " {");
  Indent();
  EmitLine("return  [NSArray arrayWithObjects:");
  Indent();
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    std::string name = p.ParameterDirection == pdReturn ? "" : p.ParameterName;
    EmitLine("[DSRESTParameterMetaData parameterWithName: @\"" + name + "\"" + " withDirection:" +
             DirectionConstant(p.ParameterDirection) + " withDBXType:" + TypeConstant(p.DataType) +
             " withTypeName:@\"" + p.TypeName + "\"]" + ",");
  });
  Outdent();
  EmitLine("nil];");
  Outdent();
  EmitLine("}");
}

void TDSCustomObjectiveCiOSProxyWriter::WriteDealloc() {
  EmitLine("-(void) dealloc {");
  Indent();
  EmitLine("[super dealloc];");
  Outdent();
  EmitLine("}");
}

void TDSCustomObjectiveCiOSProxyWriter::WriteMethodImplementation(
    const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod) {
  const std::string& c = proxyClass.ProxyClassName;
  const std::string& m = proxyMethod.ProxyMethodName;
  Indent();
  EmitLine(MethodSignature(proxyMethod) + "{");
  Indent();
  EmitLine("");
  EmitLine("DSRESTCommand * cmd = [[self Connection ] CreateCommand];");
  EmitLine(CanUseGET(proxyMethod) ? "cmd.RequestType =  GET;" : "cmd.RequestType =  POST;");
  EmitLine("cmd.text= @\"" + c + "." + m + "\";");
  EmitLine("[cmd  prepare:[self get" + c + "_" + m + "]];");
  EmitLine("");
  WriteSetterForInputParams(proxyMethod);
  EmitLine("");
  EmitLine("[Connection execute: cmd];");
  WriteGetterForOutputParams(proxyMethod);
  Outdent();
  EmitLine("}");
  Outdent();
}

void TDSCustomObjectiveCiOSProxyWriter::WriteSetterForInputParams(
    const TDSProxyMethod& proxyMethod) {
  int index = 0;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int i = index++;
    if (!IsInputParameter(p)) return;
    std::string pointer = p.ParameterDirection == pdInOut ? "*" : "";
    std::string lower = LowerAscii(p.ParameterName);
    std::string slot = "[[[cmd.parameters objectAtIndex:" + std::to_string(i) + "]getValue]";
    if (IsValueHolderParameter(p)) {
      EmitLine("if (" + pointer + lower + ") {");
      Indent();
      EmitLine(slot + " SetAsDBXValue:" + pointer + lower + "];");
      Outdent();
      EmitLine("} else {");
      Indent();
      EmitLine(slot + " SetTDBXNull:@\"" + p.TypeName + "\"];");
      Outdent();
      EmitLine("}");
    } else {
      EmitLine(slot + SetterName(p) + ":" + pointer + lower + "];");
    }
  });
}

void TDSCustomObjectiveCiOSProxyWriter::WriteGetterForOutputParams(
    const TDSProxyMethod& proxyMethod) {
  int index = 0;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int i = index++;
    if (!IsOutputParameter(p)) return;
    std::string slot = "[[[cmd.parameters objectAtIndex:" + std::to_string(i) + "]getValue]" +
                       GetterName(p) + "];";
    if (p.ParameterDirection == pdReturn) {
      EmitLine("");
      EmitLine("return " + CastExpression(p) + slot);
    } else {
      EmitLine("*" + LowerAscii(p.ParameterName) + " =  " + CastExpression(p) + " " + slot);
    }
  });
}

std::string TDSIOSProxyWriter::OutputID() {
  return FCurrFilePart == TFilePart::fpInterface ? "interface" : "implementation";
}

std::unique_ptr<TDSCustomProxyWriter> TDSClientProxyWriterObjectiveCiOS::CreateProxyWriter() {
  auto writer = std::make_unique<TDSIOSProxyWriter>();
  writer->GenerateURLFunctions = true;
  return writer;
}

TDSProxyWriterProperties TDSClientProxyWriterObjectiveCiOS::Properties() {
  return RESTClientWriterProperties("TDSObjectiveCProxyWriter", "objectivec_ios42");
}

std::vector<TDSProxyFileDescription> TDSClientProxyWriterObjectiveCiOS::FileDescriptions() {
  return {{"interface", ".h"}, {"implementation", ".m"}};
}

}  // namespace quillara
