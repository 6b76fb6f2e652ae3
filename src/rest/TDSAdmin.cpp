// The built-in classes DSAdmin and DSMetadata: what clients and the proxy generator learn about
// the server's classes and methods.
#include "base/CodePages.h"
#include "base/TMask.h"
#include "rest/TDSMessages.h"
#include "rest/TDSServer.h"

namespace quillara {

namespace {

using namespace TDBXDataTypes;

class TDSAdminObject : public TDSServerObject {};

TDBXColumn TextColumn(const char* name) {
  return {name, WideStringType, 256};
}
TDBXColumn IntColumn(const char* name) {
  return {name, Int32Type, 4};
}

void SetText(TDSValue& v, const std::string& s) {
  v.Set(Utf8ToText(s));
}

std::shared_ptr<TDBXTable> Table(std::string name, std::vector<TDBXColumn> columns) {
  return std::make_shared<TDBXTable>(std::move(name), std::move(columns));
}

void ReturnTable(std::vector<TDSValue>& p, std::shared_ptr<TDBXTable> t) {
  p.back().Set(std::move(t));
}
void ReturnJSON(std::vector<TDSValue>& p, std::unique_ptr<TJSONValue> v) {
  p.back().Set(std::shared_ptr<TJSONValue>(std::move(v)));
}

const char* DirectionName(TDBXParameterDirection direction) {
  switch (direction) {
    case pdOut:
      return "Out";
    case pdInOut:
      return "InOut";
    case pdReturn:
      return "Return";
    case pdIn:
      break;
  }
  return "In";
}

// {alias: {parameter: {"direction": ..., "type": ...}, ...}}, or {name: null} for none.
std::unique_ptr<TJSONObject> DescribeMethod(TDSServer& server, const std::string& name) {
  auto result = std::make_unique<TJSONObject>();
  TDSMethodInfo* method = nullptr;
  try {
    method = &server.ResolveMethod(name);
  } catch (const Exception&) {
  }
  if (!method) {
    result->AddPair(Utf8ToText(name), std::make_unique<TJSONNull>());
    return result;
  }
  auto params = std::make_unique<TJSONObject>();
  for (const TDSParameterInfo& p : method->Declaration->Parameters) {
    auto description = std::make_unique<TJSONObject>();
    description->AddPair(u"direction",
                         std::make_unique<TJSONString>(AsciiToText(DirectionName(p.Direction))));
    description->AddPair(u"type", std::make_unique<TJSONString>(Utf8ToText(p.TypeName)));
    params->AddPair(p.Direction == pdReturn ? Text(u"Result") : Utf8ToText(p.Name),
                    std::move(description));
  }
  result->AddPair(Utf8ToText(method->Alias), std::move(params));
  return result;
}

// Mask texts that are empty match everything.
TMask MaskOf(const TDSValue& pattern) {
  return TMask(pattern.AsText().empty() ? Text(u"*") : pattern.AsText());
}

// One built-in method: its declaration as DeclareMethod takes it, and what it runs.
struct TAdminMethod {
  const char* Name;
  std::vector<std::pair<std::string, std::string>> Parameters;
  const char* ResultType;
  void (*Run)(std::vector<TDSValue>& p, TDSServer& server);
};

void AddMethods(std::vector<TDSMethodDeclaration>& m, const std::vector<TAdminMethod>& table) {
  for (const TAdminMethod& entry : table) {
    auto run = entry.Run;
    m.push_back(DeclareMethod(entry.Name, entry.Parameters, entry.ResultType,
                              [run](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                                run(p, c.Server);
                              }));
  }
}

// ---- DSAdmin ----

void GetPlatformName(std::vector<TDSValue>& p, TDSServer&) {
  SetText(p.back(), "win32");
}

void ClearResources(std::vector<TDSValue>& p, TDSServer&) {
  p.back().Set(true);
}

void FindPackages(std::vector<TDSValue>& p, TDSServer&) {
  auto t = Table("Packages", {TextColumn("PackageName")});
  SetText(t->AddRow()[0], "");
  ReturnTable(p, t);
}

// (PackageName, ClassPattern)
void FindClasses(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table("Classes", {TextColumn("ClassName")});
  TMask mask = MaskOf(p[1]);
  for (auto& cls : server.Classes())
    if (mask.Matches(Utf8ToText(cls->ClassName))) SetText(t->AddRow()[0], cls->ClassName);
  ReturnTable(p, t);
}

// (PackageName, ClassPattern, MethodPattern): the method pattern is a part of the name.
void FindMethods(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table("Methods", {TextColumn("MethodAlias"), TextColumn("ServerClassName"),
                             TextColumn("MethodName")});
  TMask classMask = MaskOf(p[1]);
  std::string methodPattern = UpperAscii(TextToUtf8(p[2].AsText()));
  for (auto& method : server.Methods()) {
    if (!classMask.Matches(Utf8ToText(method->ClassInfo->ClassName))) continue;
    if (UpperAscii(method->MethodName).find(methodPattern) == std::string::npos) continue;
    auto& row = t->AddRow();
    SetText(row[0], method->Alias);
    SetText(row[1], method->ClassInfo->ClassName);
    SetText(row[2], method->MethodName);
  }
  ReturnTable(p, t);
}

void RegistryIsFixed(std::vector<TDSValue>&, TDSServer&) {
  throw Exception(TDSMessages::kRegistryIsFixed);
}

void GetServerClasses(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table("ServerClasses", {TextColumn("ClassName"), TextColumn("PackageName"),
                                   TextColumn("LifeCycle"), TextColumn("RoleName")});
  for (auto& cls : server.Classes()) {
    auto& row = t->AddRow();
    SetText(row[0], cls->ClassName);
    SetText(row[1], cls->PackageName);
    SetText(row[2], cls->LifeCycle);
    SetText(row[3], cls->RoleName);
  }
  ReturnTable(p, t);
}

void ListClasses(std::vector<TDSValue>& p, TDSServer& server) {
  auto list = std::make_unique<TJSONArray>();
  for (auto& cls : server.Classes()) list->Add(Utf8ToText(cls->ClassName));
  ReturnJSON(p, std::move(list));
}

// (ClassName): {name: {"LifeCycle": ..., "methods": [...]}}, or {name: null} for none.
void DescribeClass(std::vector<TDSValue>& p, TDSServer& server) {
  std::string name = TextToUtf8(p[0].AsText());
  auto result = std::make_unique<TJSONObject>();
  TDSClassInfo* cls = server.FindClass(name);
  if (!cls) {
    result->AddPair(Utf8ToText(name), std::make_unique<TJSONNull>());
    return ReturnJSON(p, std::move(result));
  }
  auto description = std::make_unique<TJSONObject>();
  description->AddPair(u"LifeCycle", std::make_unique<TJSONString>(Utf8ToText(cls->LifeCycle)));
  auto methods = std::make_unique<TJSONArray>();
  for (auto& method : server.Methods())
    if (method->ClassInfo == cls) methods->Add(Utf8ToText(method->Alias));
  description->AddPair(u"methods", std::move(methods));
  result->AddPair(Utf8ToText(name), std::move(description));
  ReturnJSON(p, std::move(result));
}

// (ClassName): the aliases of its methods, of every method when empty.
void ListMethods(std::vector<TDSValue>& p, TDSServer& server) {
  std::string prefix = UpperAscii(TextToUtf8(p[0].AsText()));
  auto list = std::make_unique<TJSONArray>();
  for (auto& method : server.Methods())
    if (prefix.empty() || method->SearchName.rfind(prefix + ".", 0) == 0)
      list->Add(Utf8ToText(method->Alias));
  ReturnJSON(p, std::move(list));
}

void DescribeMethodOf(std::vector<TDSValue>& p, TDSServer& server) {
  ReturnJSON(p, DescribeMethod(server, TextToUtf8(p[0].AsText())));
}

void GetServerMethods(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table("ServerMethods", {TextColumn("MethodAlias"), TextColumn("ServerClassName"),
                                   TextColumn("MethodName"), TextColumn("RoleName")});
  for (auto& method : server.Methods()) {
    auto& row = t->AddRow();
    SetText(row[0], method->Alias);
    SetText(row[1], method->ClassInfo->ClassName);
    SetText(row[2], method->MethodName);
    SetText(row[3], "");
  }
  ReturnTable(p, t);
}

// One row per parameter, then one for the result; a procedure's result row has no type.
void AddParameterRow(TDBXTable& t, const TDSMethodInfo& method, const TDSParameterInfo* param) {
  auto& row = t.AddRow();
  SetText(row[0], method.Alias);
  SetText(row[1], method.ClassInfo->ClassName);
  SetText(row[2], method.MethodName);
  bool ret = !param || param->Direction == pdReturn;
  SetText(row[3], ret ? "" : param->Name);
  SetText(row[4], param ? param->TypeName : "");
  SetText(row[5], param ? param->TypeUnit : "");
  row[6].Set(int64_t(ret ? pdReturn : param->Direction));
  if (param) row[7].Set(int64_t(param->Code));
  row[8].Set(int64_t(ret ? pdReturn : param->Direction));
}

void GetServerMethodParameters(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table(
      "MethodParametersTable",
      {TextColumn("MethodAlias"), TextColumn("ServerClassName"), TextColumn("MethodName"),
       TextColumn("Name"), TextColumn("ParameterTypeName"), TextColumn("ParameterTypeUnit"),
       IntColumn("ParameterDirection"), IntColumn("DBXType"), IntColumn("DBXParameterDirection")});
  for (auto& method : server.Methods()) {
    const TDSMethodDeclaration& declaration = *method->Declaration;
    for (const TDSParameterInfo& param : declaration.Parameters)
      if (param.Direction != pdReturn) AddParameterRow(*t, *method, &param);
    AddParameterRow(*t, *method,
                    declaration.HasResult() ? &declaration.Parameters.back() : nullptr);
  }
  ReturnTable(p, t);
}

void GetConnection(std::vector<TDSValue>&, TDSServer&) {
  throw Exception(TDSMessages::kNoDatabaseConnection);
}

void GetDatabaseConnectionProperties(std::vector<TDSValue>& p, TDSServer&) {
  ReturnTable(p, Table("ConnectionProperties", {TextColumn("Name"), TextColumn("Value")}));
}

// ---- DSMetadata ----

// (ProcedureNamePattern, ProcedureType): "FUNCTION" or "PROCEDURE", any when empty.
void GetProcedures(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table("Procedures", {TextColumn("ProcedureName"), TextColumn("ProcedureType")});
  TMask mask = MaskOf(p[0]);
  std::string wanted = UpperAscii(TextToUtf8(p[1].AsText()));
  for (auto& method : server.Methods()) {
    std::string type = method->Declaration->HasResult() ? "FUNCTION" : "PROCEDURE";
    if (!mask.Matches(Utf8ToText(method->Alias)) || (!wanted.empty() && wanted != type)) continue;
    auto& row = t->AddRow();
    SetText(row[0], method->Alias);
    SetText(row[1], type);
  }
  ReturnTable(p, t);
}

const char* ParameterMode(TDBXParameterDirection direction) {
  switch (direction) {
    case pdIn:
      return "IN";
    case pdOut:
      return "OUT";
    case pdInOut:
      return "INOUT";
    case pdReturn:
      return "RESULT";
  }
  return "";
}

void GetProcedureParameters(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table("ProcedureParameters",
                 {TextColumn("ProcedureName"), TextColumn("ParameterName"),
                  TextColumn("ParameterMode"), IntColumn("DataType"), TextColumn("TypeName")});
  TMask mask = MaskOf(p[0]);
  for (auto& method : server.Methods()) {
    if (!mask.Matches(Utf8ToText(method->Alias))) continue;
    for (const TDSParameterInfo& param : method->Declaration->Parameters) {
      auto& row = t->AddRow();
      SetText(row[0], method->Alias);
      SetText(row[1], param.Direction == pdReturn ? "ReturnValue" : param.Name);
      SetText(row[2], ParameterMode(param.Direction));
      row[3].Set(int64_t(param.Code));
      SetText(row[4], param.TypeName);
    }
  }
  ReturnTable(p, t);
}

void GetDatabase(std::vector<TDSValue>& p, TDSServer& server) {
  auto t = Table("Database",
                 {TextColumn("Name"), TextColumn("QuoteChar"), TextColumn("ProcedureQuoteChar")});
  auto& row = t->AddRow();
  SetText(row[0], server.Name());
  SetText(row[1], "\"");
  SetText(row[2], "\"");
  ReturnTable(p, t);
}

// ---- callback channels ----

// Callback channels serve no client of this system: they exist with their signatures only.
void GetDSServerName(std::vector<TDSValue>& p, TDSServer& server) {
  SetText(p.back(), server.Name());
}

void FalseResult(std::vector<TDSValue>& p, TDSServer&) {
  p.back().Set(false);
}

void NullResult(std::vector<TDSValue>& p, TDSServer&) {
  p.back().Set(std::shared_ptr<TJSONValue>(std::make_shared<TJSONNull>()));
}

const std::vector<TAdminMethod>& ChannelMethods() {
  static const std::vector<TAdminMethod> kMethods = {
      {"GetDSServerName", {}, "string", GetDSServerName},
      {"ConsumeClientChannel",
       {{"ChannelName", "string"},
        {"ClientId", "string"},
        {"CallbackId", "string"},
        {"ResponseData", "TJSONValue"}},
       "TJSONValue",
       NullResult},
      {"ConsumeClientChannelTimeout",
       {{"ChannelName", "string"},
        {"ClientId", "string"},
        {"CallbackId", "string"},
        {"Timeout", "Integer"},
        {"ResponseData", "TJSONValue"}},
       "TJSONValue",
       NullResult},
      {"ConnectClientChannel",
       {{"ChannelName", "string"},
        {"ClientId", "string"},
        {"CallbackId", "string"},
        {"ResponseData", "TJSONValue"}},
       "Boolean",
       FalseResult},
      {"ConnectClientChannelTimeout",
       {{"ChannelName", "string"},
        {"ClientId", "string"},
        {"CallbackId", "string"},
        {"Timeout", "Integer"},
        {"ResponseData", "TJSONValue"}},
       "Boolean",
       FalseResult},
      {"CloseClientChannel", {{"ChannelId", "string"}}, "Boolean", FalseResult},
      {"RegisterClientCallback",
       {{"ChannelId", "string"}, {"CallbackId", "string"}},
       "Boolean",
       FalseResult},
      {"RegisterClientCallbackServer",
       {{"ChannelId", "string"}, {"CallbackId", "string"}, {"ChannelNames", "string"}},
       "Boolean",
       FalseResult},
      {"UnregisterClientCallback",
       {{"ChannelName", "string"}, {"CallbackId", "string"}},
       "Boolean",
       FalseResult},
      {"BroadcastToChannel",
       {{"ChannelName", "string"}, {"Msg", "TJSONValue"}},
       "Boolean",
       FalseResult},
      {"BroadcastObjectToChannel",
       {{"ChannelName", "string"}, {"Msg", "TObject"}},
       "Boolean",
       FalseResult},
      {"NotifyCallback",
       {{"ClientId", "string"},
        {"CallbackId", "string"},
        {"Msg", "TJSONValue"},
        {"Response", "out TJSONValue"}},
       "Boolean",
       FalseResult},
      {"NotifyObject",
       {{"ClientId", "string"},
        {"CallbackId", "string"},
        {"Msg", "TObject"},
        {"Response", "out TObject"}},
       "Boolean",
       FalseResult},
  };
  return kMethods;
}

TDSClassDescriptor MakeDSAdmin() {
  static const std::vector<TAdminMethod> kMethods = {
      {"GetPlatformName", {}, "string", GetPlatformName},
      {"ClearResources", {}, "Boolean", ClearResources},
      {"FindPackages", {}, "TDBXReader", FindPackages},
      {"FindClasses",
       {{"PackageName", "string"}, {"ClassPattern", "string"}},
       "TDBXReader",
       FindClasses},
      {"FindMethods",
       {{"PackageName", "string"}, {"ClassPattern", "string"}, {"MethodPattern", "string"}},
       "TDBXReader",
       FindMethods},
      {"CreateServerClasses", {{"ClassReader", "TDBXReader"}}, "", RegistryIsFixed},
      {"DropServerClasses", {{"ClassReader", "TDBXReader"}}, "", RegistryIsFixed},
      {"CreateServerMethods", {{"MethodReader", "TDBXReader"}}, "", RegistryIsFixed},
      {"DropServerMethods", {{"MethodReader", "TDBXReader"}}, "", RegistryIsFixed},
      {"GetServerClasses", {}, "TDBXReader", GetServerClasses},
      {"ListClasses", {}, "TJSONArray", ListClasses},
      {"DescribeClass", {{"ClassName", "string"}}, "TJSONObject", DescribeClass},
      {"ListMethods", {{"ClassName", "string"}}, "TJSONArray", ListMethods},
      {"DescribeMethod", {{"ServerMethodName", "string"}}, "TJSONObject", DescribeMethodOf},
      {"GetServerMethods", {}, "TDBXReader", GetServerMethods},
      {"GetServerMethodParameters", {}, "TDBXReader", GetServerMethodParameters},
      {"GetConnection", {{"NewConName", "string"}}, "TDBXConnection", GetConnection},
      {"GetDatabaseConnectionProperties", {}, "TDBXReader", GetDatabaseConnectionProperties},
  };
  TDSClassDescriptor d;
  d.ClassName = "DSAdmin";
  d.UnitName = "DSCommonServer";
  d.Create = [] { return std::make_unique<TDSAdminObject>(); };
  AddMethods(d.Methods, kMethods);
  AddMethods(d.Methods, ChannelMethods());
  return d;
}

TDSClassDescriptor MakeDSMetadata() {
  static const std::vector<TAdminMethod> kMethods = {
      {"GetProcedures",
       {{"ProcedureNamePattern", "string"}, {"ProcedureType", "string"}},
       "TDBXReader",
       GetProcedures},
      {"GetProcedureParameters",
       {{"ProcedureNamePattern", "string"}},
       "TDBXReader",
       GetProcedureParameters},
      {"GetDatabase", {}, "TDBXReader", GetDatabase},
  };
  TDSClassDescriptor d;
  d.ClassName = "DSMetadata";
  d.UnitName = "DSCommonServer";
  d.Create = [] { return std::make_unique<TDSAdminObject>(); };
  AddMethods(d.Methods, kMethods);
  AddMethods(d.Methods, ChannelMethods());
  return d;
}

}  // namespace

const TDSClassDescriptor& DSAdminDescriptor() {
  static const TDSClassDescriptor descriptor = MakeDSAdmin();
  return descriptor;
}

const TDSClassDescriptor& DSMetadataDescriptor() {
  static const TDSClassDescriptor descriptor = MakeDSMetadata();
  return descriptor;
}

}  // namespace quillara
