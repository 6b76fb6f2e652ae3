#include "proxy/TDSFreePascalProxyWriter.h"

#include "base/CodePages.h"

namespace quillara {

namespace {

constexpr const char* kUses[] = {
    "Classes,",    "DB,",       "DSAdmin,",      "DSRESTParameterMetaData,",
    "DBXFPCJson,", "DBXValue,", "DBXFPCCommon,", "DSRESTConnection, DSRestTypes;"};

// A Pascal string literal.
std::string Q(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::string ReplaceAllNoCase(std::string text, const std::string& from, const std::string& to) {
  std::string lowerFrom = LowerAscii(from);
  for (size_t at = 0; (at = LowerAscii(text).find(lowerFrom, at)) != std::string::npos;
       at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  return text;
}

}  // namespace

std::string TDSCustomFreePascaliOSProxyWriter::PascalType(const TDSProxyParameter* parameter) {
  if (!parameter) return "nil";
  const std::string& t = parameter->TypeName;
  if (IsValueHolderParameter(*parameter)) return t;
  switch (parameter->DataType) {
    case 1:
    case 26:
      return "string";
    case 2:
    case 10:
      return "integer";
    case 4:
      return "boolean";
    case 5:
      return "Int16";
    case 6:
      return "Int32";
    case 7:
      return "double";
    case 11:
      return "TDateTime";
    case 12:
      return "UInt16";
    case 13:
      return "UInt32";
    case 18:
      return "Int64";
    case 19:
      return "UInt64";
    case 23:
      return t == "TParams" ? "TDSParams" : t;
    case 8:
    case 24:
      return "???" + t + "???";
    case 25:
      return "currency";
    case 27:
      return "single";
    case 28:
      return "Int8";
    case 29:
      return "UInt8";
    case 33:
      return "TStream";
    case 37:
      return IsJSONClassName(t) ? t : "TJSONObject";
    default:
      throw UnknownParamType(*parameter);
  }
}

std::string TDSCustomFreePascaliOSProxyWriter::PascalCast(const TDSProxyParameter& parameter) {
  const std::string& t = parameter.TypeName;
  if (IsValueHolderParameter(parameter)) return t;
  if (parameter.DataType == 23) {
    if (t == "TParams") return "TDSParams";
    if (t == "TDBXReader" || t == "TDataSet") return t;
    return "UNKNOWN-" + t;
  }
  if (parameter.DataType == 37) return IsJSONClassName(t) ? t : "TJSONObject";
  return {};
}

std::string TDSCustomFreePascaliOSProxyWriter::PascalGetterName(
    const TDSProxyParameter& parameter) {
  return ReplaceAllNoCase(ReplaceAllNoCase(GetterName(parameter), "GetAs", "As"), "Get", "As");
}

std::string TDSCustomFreePascaliOSProxyWriter::PascalSetterName(
    const TDSProxyParameter& parameter) {
  return ReplaceAllNoCase(ReplaceAllNoCase(SetterName(parameter), "SetAs", "As"), "Set", "As");
}

std::string TDSCustomFreePascaliOSProxyWriter::Heading(const std::string& name,
                                                       const TDSProxyMethod& proxyMethod,
                                                       bool definition) {
  std::string list;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int d = p.ParameterDirection;
    if (d != pdIn && d != pdOut && d != pdInOut) return;
    if (definition)
      list += std::string(d == pdInOut ? "var"
                          : d == pdOut ? "out "
                                       : "") +
              " " + LowerAscii(p.ParameterName) + ":" + PascalType(&p) + ";";
    else
      list += std::string(d == pdInOut ? "var "
                          : d == pdOut ? "out "
                                       : "") +
              p.ParameterName + ": " + PascalType(&p) + ";";
  });
  // The last separator goes; a leading blank of the definitions stays.
  if (!list.empty()) list.back() = ' ';
  list = TrimRight(list);
  TDSProxyParameter* returned = GetReturnParam(proxyMethod);
  if (returned) return "function " + name + "(" + list + "):" + PascalType(returned) + ";";
  return "procedure " + name + "(" + list + ");";
}

std::string TDSCustomFreePascaliOSProxyWriter::MethodDeclaration(
    const TDSProxyMethod& proxyMethod) {
  return Heading(proxyMethod.ProxyMethodName, proxyMethod, false);
}

std::string TDSCustomFreePascaliOSProxyWriter::MethodDefinition(const TDSProxyClass& proxyClass,
                                                                const TDSProxyMethod& proxyMethod) {
  return Heading(proxyClass.ProxyClassName + "." + proxyMethod.ProxyMethodName, proxyMethod, true);
}

void TDSCustomFreePascaliOSProxyWriter::WriteInterfacePart() {
  FCurrFilePart = TFilePart::fpInterface;
  ResetIndent();
  WriteLine("unit DSProxy;");
  WriteLine();
  WriteLine("interface");
  Indent();
  WriteLine("uses");
  Indent();
  for (const char* unit : kUses) WriteLine(unit);
  Outdent();
  WriteLine();
  WriteLine("type");
  Indent();
  for (TDSProxyClass* c = Metadata().Classes(); c; c = c->Next.get())
    if (IsConnectorClassIncluded(*c)) WriteClassInterface(*c);
  Outdent();
  Outdent();
}

void TDSCustomFreePascaliOSProxyWriter::WriteClassInterface(const TDSProxyClass& proxyClass) {
  const std::string& c = proxyClass.ProxyClassName;
  auto forEachMethod = [&](auto&& action) {
    for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get())
      if (IsConnectorMethodIncluded(*m)) action(*m);
  };
  WriteLine(c + " = class(TDSAdmin)");
  WriteLine("private");
  Indent();
  forEachMethod([&](const TDSProxyMethod& m) {
    WriteLine("F" + c + "_" + m.ProxyMethodName + ": TDSRESTParameterMetaDataArray;");
  });
  Outdent();
  WriteLine("protected");
  Indent();
  forEachMethod([&](const TDSProxyMethod& m) {
    WriteLine("procedure " + c + "_" + m.ProxyMethodName + ";");
  });
  Outdent();
  WriteLine("public");
  Indent();
  WriteLine("destructor Destroy;override;");
  forEachMethod([&](const TDSProxyMethod& m) {
    WriteMethodComment(m);
    WriteLine(MethodDeclaration(m));
  });
  Outdent();
  WriteLine("end;");
  WriteLine();
}

void TDSCustomFreePascaliOSProxyWriter::WriteMethodComment(const TDSProxyMethod& proxyMethod) {
  WriteParameterComment(proxyMethod, "(*", " *)",
                        [&](const TDSProxyParameter& p) { return PascalType(&p); });
}

void TDSCustomFreePascaliOSProxyWriter::WriteImplementationPart() {
  FCurrFilePart = TFilePart::fpImplementation;
  ResetIndent();
  WriteLine("implementation");
  WriteLine("");
  for (TDSProxyClass* c = Metadata().Classes(); c; c = c->Next.get())
    if (IsConnectorClassIncluded(*c)) WriteClassImplementation(*c);
  WriteLine("end.");
}

void TDSCustomFreePascaliOSProxyWriter::WriteClassImplementation(const TDSProxyClass& proxyClass) {
  const std::string& c = proxyClass.ProxyClassName;
  WriteLine("");
  WriteLine("{" + c + "}");
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get())
    if (IsConnectorMethodIncluded(*m)) WriteMetadataProcedure(proxyClass, *m);
  WriteLine("destructor " + c + ".Destroy;");
  WriteLine("begin");
  Indent();
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get())
    if (IsConnectorMethodIncluded(*m))
      WriteLine(" TDSRESTParameterMetaData.releaseArray(F" + c + "_" + m->ProxyMethodName + ");");
  WriteLine("inherited;");
  Outdent();
  WriteLine("end;");
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get()) {
    if (!IsConnectorMethodIncluded(*m)) continue;
    WriteMethodComment(*m);
    WriteMethodImplementation(proxyClass, *m);
  }
}

void TDSCustomFreePascaliOSProxyWriter::WriteMetadataProcedure(const TDSProxyClass& proxyClass,
                                                               const TDSProxyMethod& proxyMethod) {
  std::string field = "F" + proxyClass.ProxyClassName + "_" + proxyMethod.ProxyMethodName;
  WriteLine("");
  WriteLine("procedure " + proxyClass.ProxyClassName + "." + proxyClass.ProxyClassName + "_" +
            proxyMethod.ProxyMethodName + ";");
  WriteLine("begin");
  Indent();
  WriteLine("if Length(" + field + ") = 0 then");
  WriteLine("begin");
  Indent();
  WriteLine("SetLength(" + field + ", " + std::to_string(proxyMethod.ParameterCount()) + ");");
  int index = 0;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    WriteLine(field + "[" + std::to_string(index++) +
              "] := TDSRESTParameterMetaData.CreateParam( " + Q(p.ParameterName) + "," +
              DirectionConstant(p.ParameterDirection) + "," + TypeConstant(p.DataType) + "," +
              Q(PascalType(&p)) + ");");
  });
  Outdent();
  WriteLine("end;");
  Outdent();
  WriteLine("end;");
}

void TDSCustomFreePascaliOSProxyWriter::WriteMethodImplementation(
    const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod) {
  const std::string& c = proxyClass.ProxyClassName;
  const std::string& m = proxyMethod.ProxyMethodName;
  WriteLine(MethodDefinition(proxyClass, proxyMethod));
  WriteLine("var");
  Indent();
  WriteLine("cmd: TDSRestCommand;");
  Outdent();
  WriteLine("begin");
  Indent();
  WriteLine("cmd := Connection.createCommand;");
  WriteLine("try");
  Indent();
  WriteLine(CanUseGET(proxyMethod) ? "cmd.RequestType := GET;" : "cmd.RequestType := POST;");
  WriteLine("cmd.text := " + Q(c + "." + m) + ";");
  WriteLine(c + "_" + m + ";");
  WriteLine("cmd.prepare(F" + c + "_" + m + ");");
  int index = 0;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int i = index++;
    if (!IsInputParameter(p)) return;
    std::string name = LowerAscii(p.ParameterName);
    std::string slot = "cmd.parameters.items[" + std::to_string(i) + "].Value.";
    if (IsValueHolderParameter(p)) {
      WriteLine("if assigned(" + name + ") then");
      Indent();
      WriteLine(slot + "AsDBXValue:=" + name);
      Outdent();
      WriteLine("else");
      Indent();
      WriteLine(slot + "setTDBXNull(" + Q(p.TypeName) + ");");
      Outdent();
    } else {
      WriteLine(slot + PascalSetterName(p) + ":=" + name + ";");
    }
  });
  WriteLine("Connection.execute(cmd);");
  index = 0;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int i = index++;
    if (!IsOutputParameter(p)) return;
    bool cast = p.DataType == 23 || p.DataType == 37 || IsValueHolderParameter(p);
    std::string read = "cmd.parameters.items[" + std::to_string(i) + "].Value." +
                       PascalGetterName(p) + (cast ? " as " + PascalCast(p) : std::string()) + ";";
    if (p.ParameterDirection == pdReturn) {
      WriteLine("");
      WriteLine("result:= " + read);
    } else {
      WriteLine(LowerAscii(p.ParameterName) + " :=  " + " " + read);
    }
  });
  Outdent();
  WriteLine("finally");
  Indent();
  WriteLine("cmd.free;");
  Outdent();
  WriteLine("end;");
  Outdent();
  WriteLine("end;");
}

std::unique_ptr<TDSCustomProxyWriter> TDSClientProxyWriterFreePascaliOS42::CreateProxyWriter() {
  auto writer = std::make_unique<freepascal::TDSIOSProxyWriter>();
  writer->GenerateURLFunctions = true;
  return writer;
}

TDSProxyWriterProperties TDSClientProxyWriterFreePascaliOS42::Properties() {
  return RESTClientWriterProperties("TDSFreePascalProxyWriter", "freepascal_ios42");
}

std::vector<TDSProxyFileDescription> TDSClientProxyWriterFreePascaliOS42::FileDescriptions() {
  return {{"implementation", ".pas"}};
}

TDSProxyWriterProperties TDSClientProxyWriterFreePascaliOS50::Properties() {
  TDSProxyWriterProperties p = TDSClientProxyWriterFreePascaliOS42::Properties();
  p.Language = "freepascal_ios50";
  return p;
}

}  // namespace quillara
