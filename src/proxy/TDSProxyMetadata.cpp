#include "proxy/TDSProxyMetadata.h"

#include "base/CodePages.h"
#include "proxy/Messages.h"

namespace quillara {

namespace {

// Unlinks a singly linked list one node at a time, so a long list never recurses deeply.
template <typename T>
void DestroyList(std::unique_ptr<T>& head) {
  while (head) head = std::move(head->Next);
}

// Appends in constant time through the list's last-node pointer.
template <typename T>
void AppendToList(std::unique_ptr<T>& head, T*& last, std::unique_ptr<T> node) {
  T* added = node.get();
  if (last)
    last->Next = std::move(node);
  else
    head = std::move(node);
  last = added;
}

}  // namespace

TDSProxyParameter::~TDSProxyParameter() = default;

TDSProxyMethod::~TDSProxyMethod() {
  DestroyList(FParameters);
}

void TDSProxyMethod::AddParameter(std::unique_ptr<TDSProxyParameter> parameter) {
  AppendToList(FParameters, FLastParameter, std::move(parameter));
}

void TDSProxyMethod::InitParameters() {
  FReturnParameter = nullptr;
  FInputCount = FOutputCount = FParameterCount = 0;
  FHasUserType = false;
  for (TDSProxyParameter* p = FParameters.get(); p; p = p->Next.get()) {
    ++FParameterCount;
    switch (p->ParameterDirection) {
      case pdIn:
        ++FInputCount;
        break;
      case pdOut:
        ++FOutputCount;
        break;
      case pdInOut:
        ++FInputCount;
        ++FOutputCount;
        break;
      case pdReturn:
        FReturnParameter = p;
        break;
      default:
        break;
    }
    if (!FHasUserType && p->DataType == TDBXDataTypes::JsonValueType && !p->KnownJSONTypeName())
      FHasUserType = true;
  }
}

TDSProxyClass::~TDSProxyClass() {
  DestroyList(FFirstMethod);
}

void TDSProxyClass::AddMethod(std::unique_ptr<TDSProxyMethod> method) {
  AppendToList(FFirstMethod, FLastMethod, std::move(method));
}

TDSMethodParametersEntity::TDSMethodParametersEntity(std::shared_ptr<const TDBXTable> table)
    : FTable(std::move(table)) {}

bool TDSMethodParametersEntity::InBounds() {
  FStarted = true;
  return FTable && FRow < FTable->Rows().size();
}

void TDSMethodParametersEntity::Next() {
  if (!FStarted) FStarted = true;
  ++FRow;
}

std::string TDSMethodParametersEntity::TextColumn(size_t column) const {
  const auto& row = FTable->Rows()[FRow];
  // A server that sends fewer columns reads as empty text.
  if (column >= row.size() || row[column].IsNull()) return {};
  return TextToUtf8(row[column].AsText());
}

int TDSMethodParametersEntity::IntColumn(size_t column) const {
  const auto& row = FTable->Rows()[FRow];
  if (column >= row.size() || row[column].IsNull()) return 0;
  return int(row[column].AsInt());
}

TDSProxyMetadata::~TDSProxyMetadata() {
  Clear();
}

void TDSProxyMetadata::Clear() {
  DestroyList(FClasses);
  FLastClass = nullptr;
}

void TDSProxyMetadata::AddClass(std::unique_ptr<TDSProxyClass> proxyClass) {
  AppendToList(FClasses, FLastClass, std::move(proxyClass));
}

void TDSProxyMetadata::LoadMetadata(TDSMethodParametersEntity& rows) {
  Clear();
  while (rows.InBounds()) {
    auto owned = std::make_unique<TDSProxyClass>();
    TDSProxyClass& proxyClass = *owned;
    AddClass(std::move(owned));
    proxyClass.ProxyClassName = rows.ServerClassName();
    while (rows.InBounds() && rows.ServerClassName() == proxyClass.ProxyClassName) {
      auto ownedMethod = std::make_unique<TDSProxyMethod>();
      TDSProxyMethod& method = *ownedMethod;
      proxyClass.AddMethod(std::move(ownedMethod));
      method.MethodAlias = rows.MethodAlias();
      method.ProxyMethodName = rows.ServerMethodName();
      while (rows.InBounds() && rows.ServerClassName() == proxyClass.ProxyClassName &&
             rows.ServerMethodName() == method.ProxyMethodName) {
        if (rows.ParameterDBXDataType() != 0) {
          auto parameter = std::make_unique<TDSProxyParameter>();
          parameter->DataType = rows.ParameterDBXDataType();
          parameter->ParameterDirection = rows.DBXParameterDirection();
          parameter->ParameterName = rows.ParameterName();
          parameter->TypeName = rows.ParameterTypeName();
          parameter->SetTypeUnit(rows.ParameterTypeUnit());
          method.AddParameter(std::move(parameter));
        }
        rows.Next();
      }
      method.InitParameters();
    }
    if (!proxyClass.FirstMethod()) rows.Next();
  }
}

TDSProxyMetaDataLoader::TDSProxyMetaDataLoader(TDSServerConnection& connection)
    : FConnection(&connection) {}

TDSProxyMetaDataLoader::TDSProxyMetaDataLoader(std::string connectionString)
    : FConnectionString(std::move(connectionString)) {}

TDSProxyMetaDataLoader::TDSProxyMetaDataLoader(TOpenConnection openConnection,
                                               TCloseConnection closeConnection)
    : FOpenConnection(std::move(openConnection)), FCloseConnection(std::move(closeConnection)) {}

namespace {

void LoadThrough(TDSServerConnection& connection, TDSProxyMetadata& metadata) {
  TDSServerCommand command(connection);
  command.CommandType = TDSServerCommand::kServerMethod;
  command.CommandText = "DSAdmin.GetServerMethodParameters";
  std::shared_ptr<TDBXTable> table = command.ExecuteQuery();
  TDSMethodParametersEntity entity(table);
  metadata.LoadMetadata(entity);
}

}  // namespace

void TDSProxyMetaDataLoader::Load(TDSProxyMetadata& metadata) {
  if (FConnection) {
    LoadThrough(*FConnection, metadata);
    return;
  }
  if (!FOpenConnection) throw TDSProxyException(kNoConnection);
  std::unique_ptr<TDSServerConnection> connection = FOpenConnection();
  if (!connection) throw TDSProxyException(kNoConnection);
  // The connection is released on failure too: it owns the session instances of the call.
  LoadThrough(*connection, metadata);
  if (FCloseConnection) FCloseConnection(std::move(connection));
}

std::shared_ptr<IDSProxyMetaDataLoader> TDSServerMetaDataProvider::GetProvider() {
  if (!FServer) return nullptr;
  TDSServer* server = FServer;
  return std::make_shared<TDSProxyMetaDataLoader>(
      [server] { return server->GetServerConnection(); },
      [](std::unique_ptr<TDSServerConnection> connection) { connection.reset(); });
}

}  // namespace quillara
