#pragma once
// The server description every proxy writer walks: remote classes, their methods and each
// method's parameters, read from the method-parameters table of the built-in DSAdmin class.
#include <functional>
#include <memory>
#include <string>

#include "base/Exceptions.h"
#include "rest/TDSServer.h"

namespace quillara {

class TDSProxyException : public Exception {
  using Exception::Exception;
};
using EDSProxyException = TDSProxyException;

class TDSProxyParameter {
 public:
  virtual ~TDSProxyParameter();
  std::string ParameterName;
  std::string TypeName;
  int DataType = 0;
  int ParameterDirection = 0;  // from the wire's direction column
  std::unique_ptr<TDSProxyParameter> Next;

  virtual const std::string& TypeUnit() const { return FTypeUnit; }
  virtual void SetTypeUnit(const std::string& unit) { FTypeUnit = unit; }
  bool KnownJSONTypeName() const { return TypeName.compare(0, 5, "TJSON") == 0; }

 private:
  std::string FTypeUnit;
};

class TDSProxyMethod {
 public:
  ~TDSProxyMethod();
  std::string ProxyMethodName;
  std::string MethodAlias;
  std::unique_ptr<TDSProxyMethod> Next;

  TDSProxyParameter* Parameters() const { return FParameters.get(); }
  void AddParameter(std::unique_ptr<TDSProxyParameter> parameter);
  void InitParameters();

  int InputCount() const { return FInputCount; }
  int OutputCount() const { return FOutputCount; }
  int ParameterCount() const { return FParameterCount; }
  TDSProxyParameter* ReturnParameter() const { return FReturnParameter; }
  bool HasReturnValue() const { return FReturnParameter != nullptr; }
  bool HasParametersWithUserType() const { return FHasUserType; }

 private:
  std::unique_ptr<TDSProxyParameter> FParameters;
  TDSProxyParameter* FLastParameter = nullptr;
  TDSProxyParameter* FReturnParameter = nullptr;
  int FInputCount = 0;
  int FOutputCount = 0;
  int FParameterCount = 0;
  bool FHasUserType = false;
};

class TDSProxyClass {
 public:
  ~TDSProxyClass();
  std::string ProxyClassName;
  std::unique_ptr<TDSProxyClass> Next;

  TDSProxyMethod* FirstMethod() const { return FFirstMethod.get(); }
  TDSProxyMethod* LastMethod() const { return FLastMethod; }
  void AddMethod(std::unique_ptr<TDSProxyMethod> method);

 private:
  std::unique_ptr<TDSProxyMethod> FFirstMethod;
  TDSProxyMethod* FLastMethod = nullptr;
};

// The typed, forward-only view over the rows of "MethodParametersTable".
class TDSMethodParametersEntity {
 public:
  explicit TDSMethodParametersEntity(std::shared_ptr<const TDBXTable> table);
  // True while the cursor stands on a row; the first call moves onto the first row.
  bool InBounds();
  void Next();

  std::string MethodAlias() const { return TextColumn(0); }
  std::string ServerClassName() const { return TextColumn(1); }
  std::string ServerMethodName() const { return TextColumn(2); }
  std::string ParameterName() const { return TextColumn(3); }
  std::string ParameterTypeName() const { return TextColumn(4); }
  std::string ParameterTypeUnit() const { return TextColumn(5); }
  int ParameterDirection() const { return IntColumn(6); }
  int ParameterDBXDataType() const { return IntColumn(7); }
  int DBXParameterDirection() const { return IntColumn(8); }

 private:
  std::string TextColumn(size_t column) const;
  int IntColumn(size_t column) const;

  std::shared_ptr<const TDBXTable> FTable;
  size_t FRow = 0;
  bool FStarted = false;
};

class TDSProxyMetadata {
 public:
  ~TDSProxyMetadata();
  TDSProxyClass* Classes() const { return FClasses.get(); }
  void Clear();
  void AddClass(std::unique_ptr<TDSProxyClass> proxyClass);
  void LoadMetadata(TDSMethodParametersEntity& methodParameters);

 private:
  std::unique_ptr<TDSProxyClass> FClasses;
  TDSProxyClass* FLastClass = nullptr;
};

class IDSProxyMetaDataLoader {
 public:
  virtual ~IDSProxyMetaDataLoader() = default;
  virtual void Load(TDSProxyMetadata& metadata) = 0;
};

class TDSProxyMetaDataLoader : public IDSProxyMetaDataLoader {
 public:
  using TOpenConnection = std::function<std::unique_ptr<TDSServerConnection>()>;
  using TCloseConnection = std::function<void(std::unique_ptr<TDSServerConnection>)>;

  // A ready connection, used and left open.
  explicit TDSProxyMetaDataLoader(TDSServerConnection& connection);
  // A client connection description; this server has no client connection layer, so a
  // non-blank one cannot be opened and fails with "No connection".
  explicit TDSProxyMetaDataLoader(std::string connectionString);
  TDSProxyMetaDataLoader(TOpenConnection openConnection, TCloseConnection closeConnection);

  void Load(TDSProxyMetadata& metadata) override;

 private:
  TDSServerConnection* FConnection = nullptr;
  std::string FConnectionString;
  TOpenConnection FOpenConnection;
  TCloseConnection FCloseConnection;
};

class TDSCustomMetaDataProvider {
 public:
  virtual ~TDSCustomMetaDataProvider() = default;
  virtual bool HasProvider() const { return true; }
  virtual std::shared_ptr<IDSProxyMetaDataLoader> GetProvider() { return nullptr; }
};

// Loads from the remoting server of the same web module, through an in-process connection.
class TDSServerMetaDataProvider : public TDSCustomMetaDataProvider {
 public:
  TDSServer* Server() const { return FServer; }
  // The module that owns both components destroys the provider with the server.
  void SetServer(TDSServer* server) { FServer = server; }
  bool HasProvider() const override { return FServer != nullptr; }
  std::shared_ptr<IDSProxyMetaDataLoader> GetProvider() override;

 private:
  TDSServer* FServer = nullptr;
};

}  // namespace quillara
