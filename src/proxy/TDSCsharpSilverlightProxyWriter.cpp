#include "proxy/TDSCsharpSilverlightProxyWriter.h"

#include "proxy/TDSJavaAndroidProxyWriter.h"

namespace quillara {

std::string TDSCustomCsharpSilverlightProxyWriter::CsharpType(const TDSProxyParameter* parameter) {
  return JavaLikeType(*this, parameter, "bool", "DateTime");
}

std::string TDSCustomCsharpSilverlightProxyWriter::CsharpCast(const TDSProxyParameter& parameter) {
  return JavaLikeCast(*this, parameter);
}

void TDSCustomCsharpSilverlightProxyWriter::WriteInterfacePart() {
  ResetIndent();
  WriteLine("using System;");
  WriteLine("using System.Threading;");
  WriteLine();
  WriteLine("namespace Vavurerazev.Dataserver.WindowsPhone7");
  WriteLine("{");
  Indent();  // kept for the implementation part, which closes the namespace
}

void TDSCustomCsharpSilverlightProxyWriter::WriteImplementationPart() {
  WriteLine("public class DSProxy");
  WriteLine("{");
  Indent();
  for (TDSProxyClass* c = Metadata().Classes(); c; c = c->Next.get())
    if (IsConnectorClassIncluded(*c)) WriteClass(*c);
  Outdent();
  WriteLine("}");
  Outdent();
  WriteLine("}");
}

void TDSCustomCsharpSilverlightProxyWriter::WriteClass(const TDSProxyClass& proxyClass) {
  const std::string& c = proxyClass.ProxyClassName;
  WriteLine("public class " + c + " : DSAdmin");
  WriteLine("{");
  Indent();
  WriteLine("public " + c + "(DSRESTConnection Connection, ExceptionCallback ExCal)");
  WriteLine("    : base(Connection, ExCal)");
  WriteLine("{");
  WriteLine("}");
  WriteLine();
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get()) {
    if (!IsConnectorMethodIncluded(*m)) continue;
    WriteMetadataGetter(proxyClass, *m);
    WriteMethodComment(*m);
    WriteMethod(proxyClass, *m);
  }
  Outdent();
  WriteLine("}");
  WriteLine();
}

void TDSCustomCsharpSilverlightProxyWriter::WriteMetadataGetter(const TDSProxyClass& proxyClass,
                                                                const TDSProxyMethod& proxyMethod) {
  std::string n = proxyClass.ProxyClassName + "_" + proxyMethod.ProxyMethodName + "_Metadata";
  WriteLine("private DSRESTParameterMetaData[] " + n + ";");
  WriteLine("private DSRESTParameterMetaData[] get_" + n + "()");
  WriteLine("{");
  Indent();
  WriteLine("if (" + n + " == null)");
  WriteLine("{");
  Indent();
  WriteLine(n + " = new DSRESTParameterMetaData[]");
  WriteLine("{");
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

void TDSCustomCsharpSilverlightProxyWriter::WriteMethodComment(const TDSProxyMethod& proxyMethod) {
  WriteParameterComment(proxyMethod, "/**", " */",
                        [](const TDSProxyParameter& p) { return p.TypeName; });
}

void TDSCustomCsharpSilverlightProxyWriter::WriteMethod(const TDSProxyClass& proxyClass,
                                                        const TDSProxyMethod& proxyMethod) {
  const std::string& c = proxyClass.ProxyClassName;
  const std::string& m = proxyMethod.ProxyMethodName;
  bool resultObject = HasResultObject(proxyMethod);
  std::string r = m + "Returns";
  auto member = [](const TDSProxyParameter& p) {
    return p.ParameterDirection == pdReturn ? std::string("returnValue") : p.ParameterName;
  };
  if (resultObject) {
    WriteLine("public class " + r);
    WriteLine("{");
    Indent();
    ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
      if (IsOutputParameter(p)) WriteLine("public " + CsharpType(&p) + " " + member(p) + ";");
    });
    Outdent();
    WriteLine("}");
  }
  TDSProxyParameter* returned = GetReturnParam(proxyMethod);
  std::string returnedType = CsharpType(returned);
  if (resultObject)
    WriteLine("public delegate void " + m + "Callback(" + r + " Returns);");
  else if (returnedType != "void")
    WriteLine("public delegate void " + m + "Callback(" + returnedType + " Result);");
  else
    WriteLine("public delegate void " + m + "Callback();");
  WriteLine();

  std::string inputs;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    if (IsInputParameter(p)) inputs += CsharpType(&p) + " " + p.ParameterName + ", ";
  });
  WriteLine("public void " + m + "(" + inputs + m +
            "Callback callback = null, ExceptionCallback ExCal = null)");
  WriteLine("{");
  Indent();
  WriteLine("DSRESTCommand cmd = getConnection().CreateCommand();");
  WriteLine(CanUseGET(proxyMethod) ? "cmd.setRequestType(DSHTTPRequestType.GET);"
                                   : "cmd.setRequestType(DSHTTPRequestType.POST);");
  WriteLine("cmd.setText(\"" + c + "." + m + "\");");
  WriteLine("cmd.prepare(get_" + c + "_" + m + "_Metadata());");

  WriteLine("InternalConnectionDelegate " + m + "Del = () =>");
  WriteLine("{");
  Indent();
  WriteLine("if (callback != null)");
  WriteLine("{");
  Indent();
  WriteLine("try");
  WriteLine("{");
  Indent();
  if (resultObject) {
    WriteLine(r + " ret = new " + r + "();");
    int index = 0;
    ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
      int i = index++;
      if (!IsOutputParameter(p)) return;
      WriteLine("ret." + member(p) + " = " + CsharpCast(p) + "cmd.getParameter(" +
                std::to_string(i) + ").getValue()." + GetterName(p) + "();");
    });
    WriteLine("callback.DynamicInvoke(ret);");
  } else if (returned) {
    bool cast =
        returned->DataType == 23 || returned->DataType == 37 || IsValueHolderParameter(*returned);
    WriteLine("callback.DynamicInvoke(" + (cast ? CsharpCast(*returned) : std::string()) +
              "cmd.getParameter(" + std::to_string(proxyMethod.ParameterCount() - 1) +
              ").getValue()." + GetterName(*returned) + "());");
  } else {
    WriteLine("callback.DynamicInvoke();");
  }
  Outdent();
  WriteLine("}");
  WriteLine("catch (Exception ex)");
  WriteLine("{");
  Indent();
  WriteLine(
      "if (ExCal != null) getConnection().syncContext.Send(new SendOrPostCallback(x => "
      "ExCal.DynamicInvoke(ex.InnerException)), null);");
  WriteLine(
      "else getConnection().syncContext.Send(new SendOrPostCallback(x => "
      "BaseExCal.DynamicInvoke(ex.InnerException)), null);");
  Outdent();
  WriteLine("}");
  Outdent();
  WriteLine("}");
  Outdent();
  WriteLine("};");

  int index = 0;
  ForEachParameter(proxyMethod, [&](const TDSProxyParameter& p) {
    int i = index++;
    if (!IsInputParameter(p)) return;
    std::string slot = "cmd.getParameter(" + std::to_string(i) + ").getValue().";
    if (IsValueHolderParameter(p)) {
      WriteLine("if (" + p.ParameterName + " != null)");
      WriteLine("{");
      Indent();
      WriteLine(slot + "SetAsDBXValue(" + p.ParameterName + ");");
      Outdent();
      WriteLine("}");
      WriteLine("else");
      WriteLine("{");
      Indent();
      WriteLine(slot + "SetTDBXNull(\"" + p.TypeName + "\");");
      Outdent();
      WriteLine("}");
    } else {
      WriteLine(slot + SetterName(p) + "(" + p.ParameterName + ");");
    }
  });
  WriteLine("getConnection().execute(cmd, this, " + m + "Del, ExCal);");
  Outdent();
  WriteLine("}");
}

std::unique_ptr<TDSCustomProxyWriter> TDSClientProxyWriterCsharpSilverlight::CreateProxyWriter() {
  return std::make_unique<TDSCsharpSilverlightProxyWriter>();
}

TDSProxyWriterProperties TDSClientProxyWriterCsharpSilverlight::Properties() {
  return RESTClientWriterProperties("TDSCsharpSilverlightProxyWriter", "csharp_silverlight");
}

std::vector<TDSProxyFileDescription> TDSClientProxyWriterCsharpSilverlight::FileDescriptions() {
  return {{"implementation", ".cs"}};
}

}  // namespace quillara
