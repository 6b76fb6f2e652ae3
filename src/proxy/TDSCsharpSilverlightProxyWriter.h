#pragma once
// The C# writer: one DSProxy class in a namespace, with a nested client class per remote class
// whose methods run asynchronously and hand their outputs to a callback.
#include "proxy/TDSConnectorProxyWriter.h"
#include "proxy/TDSSingleFileProxyWriter.h"

namespace quillara {

class TDSCustomCsharpSilverlightProxyWriter : public TDSCustomConnectorProxyWriter {
 public:
  void WriteInterfacePart() override;
  void WriteImplementationPart() override;

  virtual void WriteClass(const TDSProxyClass& proxyClass);
  virtual void WriteMetadataGetter(const TDSProxyClass& proxyClass,
                                   const TDSProxyMethod& proxyMethod);
  virtual void WriteMethodComment(const TDSProxyMethod& proxyMethod);
  virtual void WriteMethod(const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod);

  // Fails with "Unknown param type for %s.%s" for codes without a C# type; none is "void".
  std::string CsharpType(const TDSProxyParameter* parameter);
  std::string CsharpCast(const TDSProxyParameter& parameter);
};

class TDSCsharpSilverlightProxyWriter
    : public TDSImplementationOutput<TDSCustomCsharpSilverlightProxyWriter> {};

class TDSClientProxyWriterCsharpSilverlight : public TDSProxyWriter {
 public:
  std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() override;
  TDSProxyWriterProperties Properties() override;
  std::vector<TDSProxyFileDescription> FileDescriptions() override;
};

}  // namespace quillara
