#pragma once
// The Java writer: one DSProxy class with a nested client class per remote class, each method
// building, running and reading back one REST command. The Black Berry variant differs only in
// its package and its byte-order mark.
#include "proxy/TDSConnectorProxyWriter.h"
#include "proxy/TDSSingleFileProxyWriter.h"

namespace quillara {

class TDSCustomJavaAndroidProxyWriter : public TDSCustomConnectorProxyWriter {
 public:
  void WriteInterfacePart() override;
  void WriteImplementationPart() override;

  virtual std::string PackageName() { return "com.vavurerazev.javaandroid"; }
  virtual void WriteClass(const TDSProxyClass& proxyClass);
  virtual void WriteMetadataGetter(const TDSProxyClass& proxyClass,
                                   const TDSProxyMethod& proxyMethod);
  virtual void WriteMethodComment(const TDSProxyMethod& proxyMethod);
  virtual void WriteMethod(const TDSProxyClass& proxyClass, const TDSProxyMethod& proxyMethod);

  // Fails with "Unknown param type for %s.%s" for codes without a Java type; none is "void".
  std::string JavaType(const TDSProxyParameter* parameter);
  std::string JavaCast(const TDSProxyParameter& parameter);
};

class TDSJavaAndroidProxyWriter : public TDSImplementationOutput<TDSCustomJavaAndroidProxyWriter> {
};

class TDSCustomJavaBlackBerryProxyWriter : public TDSCustomJavaAndroidProxyWriter {
 public:
  std::string PackageName() override { return "com.vavurerazev.javablackberry"; }
};

class TDSJavaBlackBerryProxyWriter
    : public TDSImplementationOutput<TDSCustomJavaBlackBerryProxyWriter> {};

class TDSClientProxyWriterJavaAndroid : public TDSProxyWriter {
 public:
  std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() override;
  TDSProxyWriterProperties Properties() override;
  std::vector<TDSProxyFileDescription> FileDescriptions() override;
};

class TDSClientProxyWriterJavaBlackBerry : public TDSClientProxyWriterJavaAndroid {
 public:
  std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() override;
  TDSProxyWriterProperties Properties() override;
};

// The type texts the Java and C# templates share; the two languages differ in the names of
// the Boolean and date-time types.
std::string JavaLikeType(const TDSCustomConnectorProxyWriter& writer,
                         const TDSProxyParameter* parameter, const char* booleanType,
                         const char* dateTimeType);
std::string JavaLikeCast(const TDSCustomConnectorProxyWriter& writer,
                         const TDSProxyParameter& parameter);
// One entry of a method's parameter metadata array.
std::string JavaLikeMetadataEntry(TDSCustomConnectorProxyWriter& writer,
                                  const TDSProxyParameter& parameter);

}  // namespace quillara
