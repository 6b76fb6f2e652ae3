#include "proxy/TDSJavaAndroidProxyWriter.h"

namespace quillara {

std::string JavaLikeType(const TDSCustomConnectorProxyWriter& writer,
                         const TDSProxyParameter* parameter, const char* booleanType,
                         const char* dateTimeType) {
  if (!parameter) return "void";
  const std::string& t = parameter->TypeName;
  if (writer.IsValueHolderParameter(*parameter)) return t;
  switch (parameter->DataType) {
    case 1:
    case 26:
      return "String";
    case 2:
    case 5:
    case 6:
    case 10:
    case 12:
    case 13:
    case 28:
    case 29:
      return "int";
    case 4:
      return booleanType;
    case 7:
    case 25:
      return "double";
    case 8:
    case 24:
      return "???" + t + "???";
    case 11:
      return dateTimeType;
    case 18:
    case 19:
      return "long";
    case 23:
      return t;
    case 27:
      return "float";
    case 33:
      return "TStream";
    case 37:
      return IsJSONClassName(t) ? t : "TJSONObject";
    default:
      throw UnknownParamType(*parameter);
  }
}

std::string JavaLikeCast(const TDSCustomConnectorProxyWriter& writer,
                         const TDSProxyParameter& parameter) {
  const std::string& t = parameter.TypeName;
  if (writer.IsValueHolderParameter(parameter)) return "(" + t + ")";
  if (parameter.DataType == 23) {
    if (t == "TParams" || t == "TDBXReader" || t == "TDataSet") return "(" + t + ")";
    return "UNKNOWN-" + t;
  }
  if (parameter.DataType == 37) return IsJSONClassName(t) ? "(" + t + ")" : "(TJSONObject)";
  return {};
}

std::string JavaLikeMetadataEntry(TDSCustomConnectorProxyWriter& writer,
                                  const TDSProxyParameter& parameter) {
  return "new DSRESTParameterMetaData(\"" + parameter.ParameterName + "\", " +
         writer.DirectionConstant(parameter.ParameterDirection) + ", " +
         writer.TypeConstant(parameter.DataType) + ", \"" + parameter.TypeName + "\"),";
}

std::string TDSCustomJavaAndroidProxyWriter::JavaType(const TDSProxyParameter* parameter) {
  return JavaLikeType(*this, parameter, "boolean", "Date");
}

std::string TDSCustomJavaAndroidProxyWriter::JavaCast(const TDSProxyParameter& parameter) {
  return JavaLikeCast(*this, parameter);
}

void TDSCustomJavaAndroidProxyWriter::WriteInterfacePart() {
  ResetIndent();
  WriteLine("package " + PackageName() + ";");
  WriteLine();
  WriteLine("import java.util.Date;");
  WriteLine();
}

void TDSCustomJavaAndroidProxyWriter::WriteImplementationPart() {
  WriteLine("public class DSProxy {");
  Indent();
  for (TDSProxyClass* c = Metadata().Classes(); c; c = c->Next.get())
    if (IsConnectorClassIncluded(*c)) WriteClass(*c);
  Outdent();
  WriteLine("}");
}

void TDSCustomJavaAndroidProxyWriter::WriteClass(const TDSProxyClass& proxyClass) {
  const std::string& c = proxyClass.ProxyClassName;
  WriteLine("public static class " + c + " extends DSAdmin {");
  Indent();
  WriteLine("public " + c + "(DSRESTConnection Connection) {");
  Indent();
  WriteLine("super(Connection);");
  Outdent();
  WriteLine("}");
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get()) {
    if (!IsConnectorMethodIncluded(*m)) continue;
    WriteLine("");
    WriteLine("");
    WriteMetadataGetter(proxyClass, *m);
    WriteMethodComment(*m);
    WriteMethod(proxyClass, *m);
  }
  Outdent();
  WriteLine("}");
  WriteLine();
}

void TDSCustomJavaAndroidProxyWriter::WriteMetadataGetter(const TDSProxyClass& proxyClass,
                                                          const TDSProxyMethod& proxyMethod) {
  std::string n = proxyClass.ProxyClassName + "_" + proxyMethod.ProxyMethodName + "_Metadata";
  WriteLine("private DSRESTParameterMetaData[] " + n + ";");
  WriteLine("private DSRESTParameterMetaData[] get_" + n + "() {");
  Indent();
  WriteLine("if (" + n + " == null) {");
  Indent();
  WriteLine(n + " = new DSRESTParameterMetaData[]{");
  Indent();
  ForEachParameter(proxyMethod,
                   [&](const TDSProxyParameter& p) { WriteLine(JavaLikeMetadataEntry(*this, p)); });
  Outdent();
  WriteLine("};");
  Outdent();
  WriteLine("}");
  WriteLine("return " + n + ";");
  Outdent();
  WriteLine("}");
}

void TDSCustomJavaAndroidProxyWriter::WriteMethodComment(const TDSProxyMethod& proxyMethod) {
  WriteParameterComment(proxyMethod, "/**", " */",
                        [](const TDSProxyParameter& p) { return p.TypeName; });
}

void TDSCustomJavaAndroidProxyWriter::WriteMethod(const TDSProxyClass& proxyClass,
                                                  const TDSProxyMethod& proxyMethod) {
  const std::string& c = proxyClass.ProxyClassName;
  const std::string& m = proxyMethod.ProxyMethodName;
  bool resultObject = HasResultObject(proxyMethod);
  std::string r = m + "Returns";
  auto member = [](const TDSProxyParameter& p) {
    return p.ParameterDirection == pdReturn ? std::string("returnValue") : p.ParameterName;
  };
  if (resultObject) {
    WriteLine("public static class " + r + " {");
    Indent();
    ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
      if (IsOutputParameter(p)) WriteLine("public " + JavaType(&p) + " " + member(p) + ";");
    });
    Outdent();
    WriteLine("}");
  }
  std::string inputs;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    if (IsInputParameter(p))
      inputs += (inputs.empty() ? "" : ", ") + JavaType(&p) + " " + p.ParameterName;
  });
  TDSProxyParameter* returned = GetReturnParam(proxyMethod);
  WriteLine("public " + (resultObject ? r : JavaType(returned)) + " " + m + "(" + inputs +
            ") throws DBXException {");
  Indent();
  WriteLine("DSRESTCommand cmd = getConnection().CreateCommand();");
  WriteLine(CanUseGET(proxyMethod) ? "cmd.setRequestType(DSHTTPRequestType.GET);"
                                   : "cmd.setRequestType(DSHTTPRequestType.POST);");
  WriteLine("cmd.setText(\"" + c + "." + m + "\");");
  WriteLine("cmd.prepare(get_" + c + "_" + m + "_Metadata());");
  int index = 0;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int i = index++;
    if (!IsInputParameter(p)) return;
    std::string slot = "cmd.getParameter(" + std::to_string(i) + ").getValue().";
    if (IsValueHolderParameter(p)) {
      WriteLine("if (" + p.ParameterName + " != null) {");
      Indent();
      WriteLine(slot + "SetAsDBXValue(" + p.ParameterName + ");");
      Outdent();
      WriteLine("} else {");
      Indent();
      WriteLine(slot + "SetTDBXNull(\"" + p.TypeName + "\");");
      Outdent();
      WriteLine("}");
    } else {
      WriteLine(slot + SetterName(p) + "(" + p.ParameterName + ");");
    }
  });
  WriteLine("getConnection().execute(cmd);");
  if (resultObject) {
    WriteLine(r + " ret = new " + r + "();");
    index = 0;
    ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
      int i = index++;
      if (!IsOutputParameter(p)) return;
      WriteLine("ret." + member(p) + " = " + JavaCast(p) + "cmd.getParameter(" + std::to_string(i) +
                ").getValue()." + GetterName(p) + "();");
    });
    WriteLine("return ret;");
  } else if (returned) {
    bool cast =
        returned->DataType == 23 || returned->DataType == 37 || IsValueHolderParameter(*returned);
    WriteLine("return " + (cast ? JavaCast(*returned) : std::string()) + " cmd.getParameter(" +
              std::to_string(proxyMethod.ParameterCount() - 1) + ").getValue()." +
              GetterName(*returned) + "();");
  } else {
    WriteLine("return;");
  }
  Outdent();
  WriteLine("}");
}

std::unique_ptr<TDSCustomProxyWriter> TDSClientProxyWriterJavaAndroid::CreateProxyWriter() {
  return std::make_unique<TDSJavaAndroidProxyWriter>();
}

TDSProxyWriterProperties TDSClientProxyWriterJavaAndroid::Properties() {
  TDSProxyWriterProperties p =
      RESTClientWriterProperties("TDSJavaAndroidProxyWriter", "java_android");
  // The Java tools of the clients take no byte-order mark.
  p.DefaultEncoding = TDSProxyEncoding::peUTF8NoBOM;
  p.Comment = "com\\vavurerazev\\javaandroid";
  return p;
}

std::vector<TDSProxyFileDescription> TDSClientProxyWriterJavaAndroid::FileDescriptions() {
  return {{"implementation", ".java"}};
}

std::unique_ptr<TDSCustomProxyWriter> TDSClientProxyWriterJavaBlackBerry::CreateProxyWriter() {
  return std::make_unique<TDSJavaBlackBerryProxyWriter>();
}

TDSProxyWriterProperties TDSClientProxyWriterJavaBlackBerry::Properties() {
  TDSProxyWriterProperties p = TDSClientProxyWriterJavaAndroid::Properties();
  p.UsesUnits = "TDSJavaBlackBerryProxyWriter";
  p.DefaultEncoding = TDSProxyEncoding::peUTF8;
  p.Comment = "com\\vavurerazev\\javablackberry";
  p.Language = "java_blackberry";
  return p;
}

}  // namespace quillara
