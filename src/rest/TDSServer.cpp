#include "rest/TDSServer.h"

#include "base/CodePages.h"
#include "rest/TDSMessages.h"

namespace quillara {

TDSMethodDeclaration DeclareMethod(std::string name,
                                   std::vector<std::pair<std::string, std::string>> parameters,
                                   const std::string& resultType, TDSInvoker invoke,
                                   const std::string& typeUnit) {
  TDSMethodDeclaration method;
  method.Name = std::move(name);
  method.Invoke = std::move(invoke);
  for (auto& [paramName, declared] : parameters) {
    TDSParameterInfo p;
    p.Name = paramName;
    p.TypeName = declared;
    if (declared.rfind("var ", 0) == 0) {
      p.Direction = pdInOut;
      p.TypeName = declared.substr(4);
    } else if (declared.rfind("out ", 0) == 0) {
      p.Direction = pdOut;
      p.TypeName = declared.substr(4);
    }
    TDSTypeInfo type = DataTypeOf(p.TypeName);
    p.Code = type.Code;
    p.SubType = type.SubType;
    p.TypeUnit = typeUnit;
    method.Parameters.push_back(p);
  }
  if (!resultType.empty()) {
    TDSParameterInfo r;
    r.Name = "ReturnValue";
    r.TypeName = resultType;
    TDSTypeInfo type = DataTypeOf(resultType);
    r.Code = type.Code;
    r.SubType = type.SubType;
    r.TypeUnit = typeUnit;
    r.Direction = pdReturn;
    method.Parameters.push_back(r);
  }
  return method;
}

TDSServer::TDSServer(std::string name) : FName(std::move(name)) {}

TDSServer::~TDSServer() {
  Stop();
}

void TDSServer::RegisterClass(const TDSClassDescriptor& descriptor, const std::string& lifeCycle,
                              bool admin) {
  if (FClassTable.count(descriptor.ClassName))
    throw Exception(FormatMessage(TDSMessages::kClassAlreadyAdded, {descriptor.ClassName}));
  auto info = std::make_unique<TDSClassInfo>();
  info->ClassName = descriptor.ClassName;
  info->UnitName = descriptor.UnitName;
  info->LifeCycle = lifeCycle;
  info->IsAdmin = admin;
  info->Descriptor = &descriptor;
  TDSClassInfo* cls = info.get();
  FClassTable[cls->ClassName] = cls;
  FClasses.push_back(std::move(info));
  for (const TDSMethodDeclaration& declaration : descriptor.Methods) {
    auto method = std::make_unique<TDSMethodInfo>();
    method->MethodName = declaration.Name;
    method->Alias = cls->ClassName.substr(cls->ClassName.rfind('.') + 1) + "." + declaration.Name;
    method->SearchName = UpperAscii(method->Alias);
    method->ClassInfo = cls;
    method->Declaration = &declaration;
    if (FMethodTable.count(method->SearchName))
      throw Exception(FormatMessage(TDSMessages::kMethodAlreadyAdded, {method->SearchName}));
    FMethodTable[method->SearchName] = method.get();
    FMethods.push_back(std::move(method));
  }
}

void TDSServer::Start() {
  if (FStarted) return;
  try {
    RegisterClass(DSAdminDescriptor(), "Session", true);
    RegisterClass(DSMetadataDescriptor(), "Session", true);
    for (TDSServerClass* serverClass : FServerClasses) {
      const TDSClassDescriptor* descriptor =
          serverClass->OnGetClass ? serverClass->OnGetClass() : nullptr;
      if (!descriptor) throw Exception(TDSMessages::kNoClassReference);
      RegisterClass(*descriptor, serverClass->LifeCycle, false);
    }
    FStarted = true;
  } catch (...) {
    Stop();
    throw;
  }
}

void TDSServer::Stop() {
  FStarted = false;
  {
    std::lock_guard lock(FSharedLock);
    FShared.clear();
  }
  FMethodTable.clear();
  FMethods.clear();
  FClassTable.clear();
  FClasses.clear();
}

TDSClassInfo* TDSServer::FindClass(const std::string& name) const {
  auto it = FClassTable.find(name);
  return it == FClassTable.end() ? nullptr : it->second;
}

TDSMethodInfo* TDSServer::FindMethod(const std::string& searchName) const {
  auto it = FMethodTable.find(searchName);
  return it == FMethodTable.end() ? nullptr : it->second;
}

namespace {

bool IdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (unsigned char)c >= 0x80;
}
bool IdentChar(char c) {
  return IdentStart(c) || (c >= '0' && c <= '9');
}

// Re-reads "a . \"B\"" as a.B: quoted identifiers lose their quotes (a doubled quote is one),
// blanks are skipped, reading stops at any other symbol; what follows in parentheses are
// literal presets.
std::string ReadMethodName(const std::string& text, std::vector<Text>* presets) {
  std::string name;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  for (;;) {
    skipBlanks();
    if (i >= text.size()) break;
    char c = text[i];
    if (c == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            name.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        name.push_back(text[i++]);
      }
    } else if (IdentStart(c)) {
      while (i < text.size() && IdentChar(text[i])) name.push_back(text[i++]);
    } else if (c == '.') {
      name.push_back('.');
      ++i;
    } else {
      break;
    }
  }
  if (presets && i < text.size() && text[i] == '(') {
    ++i;
    std::string literal;
    bool quoted = false;
    for (; i < text.size(); ++i) {
      char c = text[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ',' || c == ')')) {
        presets->push_back(Utf8ToText(TrimBlanks(literal)));
        literal.clear();
        if (c == ')') break;
      } else {
        literal.push_back(c);
      }
    }
  }
  return name;
}

}  // namespace

TDSMethodInfo& TDSServer::ResolveMethod(const std::string& name, std::vector<Text>* presets) const {
  // The table is searched by upper-case names; the search key's storage is kept per thread.
  thread_local std::string searchName;
  searchName.assign(name);
  for (char& c : searchName)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  if (TDSMethodInfo* m = FindMethod(searchName)) return *m;
  std::string reread = ReadMethodName(name, presets);
  if (TDSMethodInfo* m = FindMethod(UpperAscii(reread))) return *m;
  throw Exception(FormatMessage(TDSMessages::kMethodNotFound, {reread}));
}

std::unique_ptr<TDSServerConnection> TDSServer::GetServerConnection() {
  return std::make_unique<TDSServerConnection>(*this);
}

TDSServerObject& TDSServer::SharedInstance(TDSClassInfo& info) {
  std::lock_guard lock(FSharedLock);
  auto& slot = FShared[&info];
  if (!slot) slot = info.Descriptor->Create();
  return *slot;
}

TDSServerConnection::~TDSServerConnection() = default;

TDSServerObject& TDSServerConnection::Instance(TDSClassInfo& info,
                                               std::unique_ptr<TDSServerObject>& callOwned) {
  const std::string& life = info.LifeCycle;
  if (life.empty() || life == "Server") return FServer.SharedInstance(info);
  if (life == "Session") {
    auto& slot = FSessionInstances[&info];
    if (!slot) slot = info.Descriptor->Create();
    return *slot;
  }
  if (life == "Invocation") {
    callOwned = info.Descriptor->Create();
    return *callOwned;
  }
  throw Exception(TDSMessages::kUnknownLifeCycle + life);
}

void TDSServerConnection::Invoke(const TDSMethodInfo& method, std::vector<TDSValue>& params) {
  std::unique_ptr<TDSServerObject> callOwned;
  TDSServerObject& instance = Instance(*method.ClassInfo, callOwned);
  params.resize(method.Declaration->Parameters.size());
  TDSCallContext context{FServer, *this};
  method.Declaration->Invoke(instance, params, context);
}

void TDSServerCommand::Prepare() {
  FMethod = &FConnection.Server().ResolveMethod(CommandText);
  FParameters.assign(FMethod->Declaration->Parameters.size(), TDSValue());
}

void TDSServerCommand::Execute() {
  if (!FMethod) Prepare();
  FConnection.Invoke(*FMethod, FParameters);
}

std::shared_ptr<TDBXTable> TDSServerCommand::ExecuteQuery() {
  Execute();
  return FParameters.empty() ? nullptr : FParameters.back().AsTable();
}

}  // namespace quillara
