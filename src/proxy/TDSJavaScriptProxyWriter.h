#pragma once
// The browser script writer: one constructor function per remote class whose methods hand
// the REST name, verb and arguments to the page's executor, and a table of all of them.
#include <string>
#include <vector>

#include "proxy/TDSSingleFileProxyWriter.h"

namespace quillara {

class TDSCustomJavaScriptProxyWriter : public TDSCustomConnectorProxyWriter {
 public:
  void WriteImplementationPart() override;
  void WriteInterfacePart() override {}
  std::string HTTPMethodOf(const TDSProxyClass& proxyClass,
                           const TDSProxyMethod& proxyMethod) override;
  std::string URLMethodName(const TDSProxyClass& proxyClass,
                            const TDSProxyMethod& proxyMethod) override;

  // Unlike the other clients, a page may call the built-in administration class.
  virtual bool IsJSClassIncluded(const TDSProxyClass& proxyClass);
  virtual TDSProxyClass* FirstProxyClass();
  virtual void WriteClassList(const std::vector<std::string>& entries);
  virtual void WriteClass(const TDSProxyClass& proxyClass, std::vector<std::string>& entries);
  virtual void WriteMethodComment(const TDSProxyClass& proxyClass,
                                  const TDSProxyMethod& proxyMethod);
  virtual void WriteMethod(const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod);

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
