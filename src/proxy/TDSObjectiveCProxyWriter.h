#pragma once
// The Objective-C writer: a header declaring one client class per remote class and an
// implementation whose methods build, run and read back one REST command each.
#include "proxy/TDSConnectorProxyWriter.h"
#include "proxy/TDSSingleFileProxyWriter.h"

namespace quillara {

enum class TFilePart { fpInterface, fpImplementation };

class TDSCustomObjectiveCiOSProxyWriter : public TDSCustomConnectorProxyWriter {
 public:
  void WriteInterfacePart() override;
  void WriteImplementationPart() override;
  std::string DirectionConstantPrefix() override { return {}; }
  std::string TypeConstantPrefix() override { return {}; }
  virtual void WriteClassImplementation(const TDSProxyClass& proxyClass);
  virtual void WriteClassInterface(const TDSProxyClass& proxyClass);
  virtual void WriteMethodComment(const TDSProxyClass& proxyClass,
                                  const TDSProxyMethod& proxyMethod);
  virtual void WriteMethodImplementation(const TDSProxyClass& proxyClass,
                                         const TDSProxyMethod& proxyMethod);
  virtual void WriteMethodInterface(const TDSProxyClass& proxyClass,
                                    const TDSProxyMethod& proxyMethod);
  virtual void WriteParameterMetadataGetters(const TDSProxyClass& proxyClass);
  virtual void WriteDealloc();
  virtual void WriteParameterMetadataGetter(const TDSProxyClass& proxyClass,
                                            const TDSProxyMethod& proxyMethod);

  // Fails with "Unknown param type for %s.%s" for codes that have no declaration.
  std::string TypeDeclaration(const TDSProxyParameter* parameter);
  std::string CastExpression(const TDSProxyParameter& parameter);
  void WriteSetterForInputParams(const TDSProxyMethod& proxyMethod);
  void WriteGetterForOutputParams(const TDSProxyMethod& proxyMethod);

 protected:
  std::string MethodSignature(const TDSProxyMethod& proxyMethod);

  TFilePart FCurrFilePart = TFilePart::fpInterface;
};

class TDSIOSProxyWriter : public TDSImplementationOutput<TDSCustomObjectiveCiOSProxyWriter> {
 protected:
  // The header and the implementation file, by the part being written.
  std::string OutputID() override;
};

class TDSClientProxyWriterObjectiveCiOS : public TDSProxyWriter {
 public:
  std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() override;
  TDSProxyWriterProperties Properties() override;
  std::vector<TDSProxyFileDescription> FileDescriptions() override;
};

}  // namespace quillara
