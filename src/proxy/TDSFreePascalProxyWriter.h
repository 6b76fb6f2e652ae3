#pragma once
// The FreePascal writer: one unit DSProxy declaring a client class per remote class, each
// keeping one parameter-metadata array per method and running one REST command per call.
#include "proxy/TDSConnectorProxyWriter.h"
#include "proxy/TDSObjectiveCProxyWriter.h"
#include "proxy/TDSSingleFileProxyWriter.h"

namespace quillara {

class TDSCustomFreePascaliOSProxyWriter : public TDSCustomConnectorProxyWriter {
 public:
  void WriteInterfacePart() override;
  void WriteImplementationPart() override;
  std::string AssignmentOperator() override { return ":="; }
  std::string DirectionConstantPrefix() override { return {}; }
  std::string TypeConstantPrefix() override { return {}; }

  virtual void WriteClassInterface(const TDSProxyClass& proxyClass);
  virtual void WriteClassImplementation(const TDSProxyClass& proxyClass);
  virtual void WriteMethodComment(const TDSProxyMethod& proxyMethod);
  virtual void WriteMetadataProcedure(const TDSProxyClass& proxyClass,
                                      const TDSProxyMethod& proxyMethod);
  virtual void WriteMethodImplementation(const TDSProxyClass& proxyClass,
                                         const TDSProxyMethod& proxyMethod);

  // Fails with "Unknown param type for %s.%s" for codes without a Pascal type; none is "nil".
  std::string PascalType(const TDSProxyParameter* parameter);
  std::string PascalCast(const TDSProxyParameter& parameter);
  std::string PascalGetterName(const TDSProxyParameter& parameter);
  std::string PascalSetterName(const TDSProxyParameter& parameter);
  std::string MethodDeclaration(const TDSProxyMethod& proxyMethod);
  std::string MethodDefinition(const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod);

 protected:
  TFilePart FCurrFilePart = TFilePart::fpInterface;

 private:
  std::string Heading(const std::string& name, const TDSProxyMethod& proxyMethod, bool definition);
};

namespace freepascal {

// The routing class of this writer; its name is that of the Objective-C writer's.
class TDSIOSProxyWriter : public TDSImplementationOutput<TDSCustomFreePascaliOSProxyWriter> {};

}  // namespace freepascal

class TDSClientProxyWriterFreePascaliOS42 : public TDSProxyWriter {
 public:
  std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() override;
  TDSProxyWriterProperties Properties() override;
  std::vector<TDSProxyFileDescription> FileDescriptions() override;
};

class TDSClientProxyWriterFreePascaliOS50 : public TDSClientProxyWriterFreePascaliOS42 {
 public:
  TDSProxyWriterProperties Properties() override;
};

}  // namespace quillara
