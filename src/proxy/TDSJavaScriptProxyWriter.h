#pragma once
// The browser script writer: one constructor function per remote class whose methods hand
// the REST name, verb and arguments to the page's executor, and a table of all of them.
#include <string>
#include <vector>

#include "proxy/TDSSingleFileProxyWriter.h"

namespace quillara {

class TDSCustomJavaScriptProxyWriter : public TDSCustomProxyWriter {
 public:
  TDSCustomJavaScriptProxyWriter();

  std::string Get = "GET", Post = "POST", Put = "PUT", Delete = "DELETE";
  std::string FPostPrefix = "update", FPutPrefix = "accept", FDeletePrefix = "cancel";
  bool GenerateURLFunctions = false;

  void WriteImplementationPart() override;
  void WriteInterfacePart() override {}
  std::string AssignmentOperator() override { return "="; }
  std::string GetAssignmentString(const TDSProxyParameter&) override { return {}; }
  std::string GetCreateDataSetReader(const TDSProxyParameter&) override { return {}; }

  virtual const std::vector<int>& SupportedTypes();
  virtual const std::vector<int>& NonURLTypes();
  virtual void EmitLine(const std::string& text) { WriteLine(text); }
  virtual void EmitEmptyLine() { WriteLine(); }
  virtual bool IsJSClassIncluded(const TDSProxyClass& proxyClass);
  virtual bool ContainsType(const std::vector<int>& codes, int code);
  virtual bool IsJSMethodIncluded(const TDSProxyMethod& proxyMethod);
  virtual TDSProxyClass* FirstProxyClass();
  virtual void WriteClassList(const std::vector<std::string>& entries);
  virtual void WriteClass(const TDSProxyClass& proxyClass, std::vector<std::string>& entries);
  virtual std::string HTTPMethodOf(const TDSProxyClass& proxyClass,
                                   const TDSProxyMethod& proxyMethod);
  virtual std::string URLMethodName(const TDSProxyClass& proxyClass,
                                    const TDSProxyMethod& proxyMethod);
  virtual void WriteMethodComment(const TDSProxyClass& proxyClass,
                                  const TDSProxyMethod& proxyMethod);
  virtual void WriteMethod(const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod);

  static bool IsPrimitiveJSONTypeName(const std::string& name);
  bool CanUseURL(const TDSProxyMethod& proxyMethod);
  bool IsComplexParameter(const TDSProxyParameter& parameter);
};

class TDSJavaScriptProxyWriter : public TDSImplementationOutput<TDSCustomJavaScriptProxyWriter> {};

class TDSClientProxyWriterJavaScript : public TDSProxyWriter {
 public:
  std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() override;
  TDSProxyWriterProperties Properties() override;
  std::vector<TDSProxyFileDescription> FileDescriptions() override;
};

}  // namespace quillara
