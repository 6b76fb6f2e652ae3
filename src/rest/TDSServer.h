#pragma once
// The remoting server: the registry of remote classes and methods, method lookup by name,
// server-class instances by life cycle, and the invocation of one method.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "rest/TDBXTypes.h"

namespace quillara {

class TDSServer;
class TDSServerConnection;

// Base of every object whose methods are called remotely.
class TDSServerObject {
 public:
  virtual ~TDSServerObject() = default;
};

struct TDSParameterInfo {
  std::string Name;      // "ReturnValue" for the result
  std::string TypeName;  // as declared: "string", "Integer", "TJSONObject", "TStream"...
  std::string TypeUnit;
  TDBXDataType Code = TDBXDataTypes::UnknownType;
  TDBXSubType SubType = TDBXDataTypes::NoSubType;
  TDBXParameterDirection Direction = pdIn;
};

// What a running call can reach: its server and the connection it came through.
struct TDSCallContext {
  TDSServer& Server;
  TDSServerConnection& Connection;
};

// Runs the method on the instance: arguments in declaration order, the result last.
using TDSInvoker = std::function<void(TDSServerObject& instance, std::vector<TDSValue>& params,
                                      TDSCallContext& context)>;

struct TDSMethodDeclaration {
  std::string Name;
  std::vector<TDSParameterInfo> Parameters;  // declared parameters, then the result if any
  TDSInvoker Invoke;
  bool HasResult() const { return !Parameters.empty() && Parameters.back().Direction == pdReturn; }
};

// A method declared by its name, its parameters as (name, declared type) with "var " or "out "
// before the type for those directions, and its result type (empty for none); codes follow
// from the type names.
TDSMethodDeclaration DeclareMethod(std::string name,
                                   std::vector<std::pair<std::string, std::string>> parameters,
                                   const std::string& resultType, TDSInvoker invoke,
                                   const std::string& typeUnit = "System");

struct TDSClassDescriptor {
  std::string ClassName;
  std::string UnitName;
  std::function<std::unique_ptr<TDSServerObject>()> Create;
  std::vector<TDSMethodDeclaration> Methods;
};

struct TDSClassInfo {
  std::string ClassName;
  std::string PackageName;
  std::string UnitName;
  std::string LifeCycle;
  std::string RoleName;
  bool IsAdmin = false;
  const TDSClassDescriptor* Descriptor = nullptr;
};

struct TDSMethodInfo {
  std::string Alias;  // Class.Method
  std::string MethodName;
  std::string SearchName;  // the alias upper-cased
  TDSClassInfo* ClassInfo = nullptr;
  const TDSMethodDeclaration* Declaration = nullptr;
};

// Publishes one application class through the server's OnGetClass handler.
class TDSServerClass {
 public:
  std::function<const TDSClassDescriptor*()> OnGetClass;
  std::string LifeCycle = "Session";
};

class TDSServer {
 public:
  explicit TDSServer(std::string name = "DSServer1");
  ~TDSServer();

  const std::string& Name() const { return FName; }
  void AddServerClass(TDSServerClass& serverClass) { FServerClasses.push_back(&serverClass); }
  // Registers DSAdmin, DSMetadata and the published classes; a failed start leaves it stopped.
  void Start();
  void Stop();
  bool Started() const { return FStarted; }

  const std::vector<std::unique_ptr<TDSClassInfo>>& Classes() const { return FClasses; }
  const std::vector<std::unique_ptr<TDSMethodInfo>>& Methods() const { return FMethods; }
  TDSClassInfo* FindClass(const std::string& name) const;
  TDSMethodInfo* FindMethod(const std::string& searchName) const;
  // Upper-cased lookup, then the name re-read as identifiers and dots (quotes dropped); fails
  // with "%s method not found in the server method list". Literals in parentheses after the
  // name come back in presets.
  TDSMethodInfo& ResolveMethod(const std::string& name, std::vector<Text>* presets = nullptr) const;

  std::unique_ptr<TDSServerConnection> GetServerConnection();
  // The instance shared by all callers of a "Server" class.
  TDSServerObject& SharedInstance(TDSClassInfo& info);

 private:
  void RegisterClass(const TDSClassDescriptor& descriptor, const std::string& lifeCycle,
                     bool admin);

  std::string FName;
  bool FStarted = false;
  std::vector<TDSServerClass*> FServerClasses;
  std::vector<std::unique_ptr<TDSClassInfo>> FClasses;
  std::map<std::string, TDSClassInfo*> FClassTable;
  std::vector<std::unique_ptr<TDSMethodInfo>> FMethods;
  std::map<std::string, TDSMethodInfo*> FMethodTable;
  std::mutex FSharedLock;
  std::map<TDSClassInfo*, std::unique_ptr<TDSServerObject>> FShared;
};

// The in-process connection a call runs through: it owns the "Session" instances of its
// classes, which end with it.
class TDSServerConnection {
 public:
  explicit TDSServerConnection(TDSServer& server) : FServer(server) {}
  ~TDSServerConnection();
  TDSServer& Server() const { return FServer; }
  // Calls the method with fresh values: params holds the arguments in order and gets the
  // result last. Exceptions of the method pass through unchanged.
  void Invoke(const TDSMethodInfo& method, std::vector<TDSValue>& params);

 private:
  TDSServerObject& Instance(TDSClassInfo& info, std::unique_ptr<TDSServerObject>& callOwned);

  TDSServer& FServer;
  std::map<TDSClassInfo*, std::unique_ptr<TDSServerObject>> FSessionInstances;
};

// A command of type "Quillara.ServerMethod": the text names a method, the parameters follow
// its declaration.
class TDSServerCommand {
 public:
  static constexpr const char* kServerMethod = "Quillara.ServerMethod";
  explicit TDSServerCommand(TDSServerConnection& connection) : FConnection(connection) {}
  std::string CommandType = kServerMethod;
  std::string CommandText;
  // Resolves the method and makes fresh, null parameter values for it.
  void Prepare();
  std::vector<TDSValue>& Parameters() { return FParameters; }
  const TDSMethodInfo* Method() const { return FMethod; }
  void Execute();
  // Executes and returns the table result.
  std::shared_ptr<TDBXTable> ExecuteQuery();

 private:
  TDSServerConnection& FConnection;
  const TDSMethodInfo* FMethod = nullptr;
  std::vector<TDSValue> FParameters;
};

// The built-in classes.
const TDSClassDescriptor& DSAdminDescriptor();
const TDSClassDescriptor& DSMetadataDescriptor();

}  // namespace quillara
