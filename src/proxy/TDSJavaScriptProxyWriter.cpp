#include "proxy/TDSJavaScriptProxyWriter.h"

#include "base/CodePages.h"

namespace quillara {

namespace {

bool StartsWithLonger(const std::string& name, const std::string& prefix, bool ignoreCase) {
  if (name.size() <= prefix.size()) return false;
  std::string head = name.substr(0, prefix.size());
  return ignoreCase ? SameTextAscii(head, prefix) : head == prefix;
}

}  // namespace

bool TDSCustomJavaScriptProxyWriter::IsJSClassIncluded(const TDSProxyClass& proxyClass) {
  if (!IsClassIncluded(proxyClass) || SameTextAscii(proxyClass.ProxyClassName, "DSMetadata"))
    return false;
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get())
    if (IsConnectorMethodIncluded(*m)) return true;
  return false;
}

TDSProxyClass* TDSCustomJavaScriptProxyWriter::FirstProxyClass() {
  return Metadata().Classes();
}

bool TDSCustomJavaScriptProxyWriter::IsComplexParameter(const TDSProxyParameter& parameter) {
  switch (parameter.DataType) {
    case 3:
    case 23:
    case 30:
    case 33:
      return true;
    case 37:
      return !IsPrimitiveJSONTypeName(parameter.TypeName);
    default:
      return false;
  }
}

void TDSCustomJavaScriptProxyWriter::WriteImplementationPart() {
  std::vector<std::string> entries;
  for (TDSProxyClass* c = FirstProxyClass(); c; c = c->Next.get())
    if (IsJSClassIncluded(*c)) WriteClass(*c, entries);
  WriteClassList(entries);
}

void TDSCustomJavaScriptProxyWriter::WriteClass(const TDSProxyClass& proxyClass,
                                                std::vector<std::string>& entries) {
  const std::string& c = proxyClass.ProxyClassName;
  std::string entry = "\"" + c + "\": [";
  EmitLine("function " + c + "(connectionInfo)");
  EmitLine("{");
  Indent();
  EmitLine("this.executor = new ServerFunctionExecutor(\"" + c + "\",connectionInfo);");
  bool first = true;
  for (TDSProxyMethod* m = proxyClass.FirstMethod(); m; m = m->Next.get()) {
    if (!IsConnectorMethodIncluded(*m)) continue;
    if (!first) entry += ",";
    first = false;
    entry += "\"" + m->ProxyMethodName + "\"";
    WriteMethodComment(proxyClass, *m);
    WriteMethod(proxyClass, *m);
  }
  Outdent();
  EmitLine("}");
  EmitEmptyLine();
  entries.push_back(entry + "]");
}

void TDSCustomJavaScriptProxyWriter::WriteClassList(const std::vector<std::string>& entries) {
  EmitLine("var JSProxyClassList = {");
  Indent();
  for (size_t i = 0; i < entries.size(); ++i)
    EmitLine(entries[i] + (i + 1 < entries.size() ? "," : ""));
  Outdent();
  EmitLine("};");
  EmitEmptyLine();
}

std::string TDSCustomJavaScriptProxyWriter::HTTPMethodOf(const TDSProxyClass& proxyClass,
                                                         const TDSProxyMethod& proxyMethod) {
  const std::string& n = proxyMethod.ProxyMethodName;
  if (StartsWithLonger(n, FPutPrefix, true)) return Put;
  if (StartsWithLonger(n, FPostPrefix, true)) return Post;
  if (StartsWithLonger(n, FDeletePrefix, false)) return Delete;
  if (!SameTextAscii(proxyClass.ProxyClassName, "DSAdmin") || !proxyMethod.Parameters()) return Get;
  TDSProxyParameter* lastInput = nullptr;
  for (TDSProxyParameter* p = proxyMethod.Parameters(); p; p = p->Next.get())
    if (p->ParameterDirection == pdIn || p->ParameterDirection == pdInOut) lastInput = p;
  return lastInput && IsNonURLType(lastInput->DataType) ? Post : Get;
}

std::string TDSCustomJavaScriptProxyWriter::URLMethodName(const TDSProxyClass& proxyClass,
                                                          const TDSProxyMethod& proxyMethod) {
  const std::string& n = proxyMethod.ProxyMethodName;
  if (SameTextAscii(proxyClass.ProxyClassName, "DSAdmin")) return n;
  std::string verb = HTTPMethodOf(proxyClass, proxyMethod);
  // The server puts the prefix back from the verb.
  if (verb == Put) return n.substr(FPutPrefix.size());
  if (verb == Post) return n.substr(FPostPrefix.size());
  if (verb == Delete) return n.substr(FDeletePrefix.size());
  return n;
}

void TDSCustomJavaScriptProxyWriter::WriteMethodComment(const TDSProxyClass&,
                                                        const TDSProxyMethod& proxyMethod) {
  WriteParameterComment(proxyMethod, "/*", " */",
                        [](const TDSProxyParameter& p) { return p.TypeName; });
}

void TDSCustomJavaScriptProxyWriter::WriteMethod(const TDSProxyClass& proxyClass,
                                                 const TDSProxyMethod& proxyMethod) {
  const std::string& n = proxyMethod.ProxyMethodName;
  std::string args;
  int inputs = 0, outputs = 0;
  bool complexIn = false, complexOut = false;
  std::vector<std::string> resultLines;
  for (TDSProxyParameter* p = proxyMethod.Parameters(); p; p = p->Next.get()) {
    int d = p->ParameterDirection;
    if (IsComplexParameter(*p)) {
      if (d == pdOut || d == pdReturn || d == pdInOut) complexOut = true;
      if (d == pdIn || d == pdInOut) complexIn = true;
    }
    if (d == pdIn || d == pdInOut) {
      args += (args.empty() ? "" : ", ") + p->ParameterName;
      ++inputs;
      if (d == pdIn)
        resultLines.push_back("resultObject." + p->ParameterName + " = " + p->ParameterName + ";");
    }
    if (d == pdOut || d == pdInOut || d == pdReturn) {
      resultLines.push_back("resultObject." +
                            (d == pdReturn ? std::string("result") : p->ParameterName) +
                            " = resultArray[" + std::to_string(outputs) + "];");
      ++outputs;
    }
  }
  std::string urlName = URLMethodName(proxyClass, proxyMethod);
  std::string methodText = urlName, verb;
  if (complexIn && urlName == n) {
    // A quoted name asks the server not to add a verb prefix.
    methodText = "\"" + urlName + "\"";
    verb = Post;
  } else {
    verb = HTTPMethodOf(proxyClass, proxyMethod);
  }
  auto arg = [](int i) { return "arguments[" + std::to_string(i) + "]"; };

  EmitLine("this." + n + " = function(" + args + ") {");
  Indent();
  EmitLine(std::string(outputs > 0 ? "var returnObject = " : "") + "this.executor.executeMethod('" +
           methodText + "', \"" + verb + "\", [" + args + "], " + arg(inputs) + ", " +
           (outputs > 0 ? "true" : "false") + ", " + arg(inputs + 1) + ", " + arg(inputs + 2) +
           ");");
  if (outputs > 0) {
    EmitLine("if (" + arg(inputs) + " == null) {");
    Indent();
    EmitLine(
        "if (returnObject != null && returnObject.result != null && isArray(returnObject.result)) "
        "{");
    Indent();
    EmitLine("var resultArray = returnObject.result;");
    EmitLine("var resultObject = new Object();");
    for (const std::string& line : resultLines) EmitLine(line);
    if (complexOut) {
      EmitLine("if (returnObject.cacheId != null && returnObject.cmdIndex != null) {");
      Indent();
      EmitLine("resultObject._cacheId = returnObject.cacheId;");
      EmitLine("resultObject._cmdIndex = returnObject.cmdIndex;");
      Outdent();
      EmitLine("}");
    }
    EmitLine("return resultObject;");
    Outdent();
    EmitLine("}");
    EmitLine("return returnObject;");
    Outdent();
    EmitLine("}");
  }
  Outdent();
  EmitLine("};");

  TDSProxyMethod urlFunction;
  urlFunction.ProxyMethodName = n + "_URL";
  if (GenerateURLFunctions && IsMethodIncluded(urlFunction) && CanUseGET(proxyMethod)) {
    EmitEmptyLine();
    EmitLine("this." + n + "_URL = function(" + args + ") {");
    Indent();
    EmitLine("return this.executor.getMethodURL(\"" + urlName + "\", \"" +
             HTTPMethodOf(proxyClass, proxyMethod) + "\", [" + args + "], " + arg(inputs) +
             ")[0];");
    Outdent();
    EmitLine("};");
  }
}

std::unique_ptr<TDSCustomProxyWriter> TDSClientProxyWriterJavaScript::CreateProxyWriter() {
  auto writer = std::make_unique<TDSJavaScriptProxyWriter>();
  writer->GenerateURLFunctions = true;
  return writer;
}

TDSProxyWriterProperties TDSClientProxyWriterJavaScript::Properties() {
  TDSProxyWriterProperties p =
      RESTClientWriterProperties("TDSJavaScriptProxyWriter", "Java Script");
  p.DefaultExcludeClasses = "DSMetadata";
  return p;
}

std::vector<TDSProxyFileDescription> TDSClientProxyWriterJavaScript::FileDescriptions() {
  return {{"implementation", ".js"}};
}

}  // namespace quillara
