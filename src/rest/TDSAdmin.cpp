// The built-in classes DSAdmin and DSMetadata: what clients and the proxy generator learn about
// the server's classes and methods.
#include "base/CodePages.h"
#include "base/TMask.h"
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

const char* DirectionName(int direction) {
  switch (direction) {
    case pdOut:
      return "Out";
    case pdInOut:
      return "InOut";
    case pdReturn:
      return "Return";
    default:
      return "In";
  }
}

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

// Callback channels serve no client of this system: they exist with their signatures only.
void AddChannelMethods(std::vector<TDSMethodDeclaration>& m) {
  auto falseResult = [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext&) {
    p.back().Set(false);
  };
  auto nullResult = [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext&) {
    p.back().Set(std::shared_ptr<TJSONValue>(std::make_shared<TJSONNull>()));
  };
  m.push_back(DeclareMethod("GetDSServerName", {}, "string",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              SetText(p.back(), c.Server.Name());
                            }));
  m.push_back(DeclareMethod("ConsumeClientChannel",
                            {{"ChannelName", "string"},
                             {"ClientId", "string"},
                             {"CallbackId", "string"},
                             {"ResponseData", "TJSONValue"}},
                            "TJSONValue", nullResult));
  m.push_back(DeclareMethod("ConsumeClientChannelTimeout",
                            {{"ChannelName", "string"},
                             {"ClientId", "string"},
                             {"CallbackId", "string"},
                             {"Timeout", "Integer"},
                             {"ResponseData", "TJSONValue"}},
                            "TJSONValue", nullResult));
  m.push_back(DeclareMethod("ConnectClientChannel",
                            {{"ChannelName", "string"},
                             {"ClientId", "string"},
                             {"CallbackId", "string"},
                             {"ResponseData", "TJSONValue"}},
                            "Boolean", falseResult));
  m.push_back(DeclareMethod("ConnectClientChannelTimeout",
                            {{"ChannelName", "string"},
                             {"ClientId", "string"},
                             {"CallbackId", "string"},
                             {"Timeout", "Integer"},
                             {"ResponseData", "TJSONValue"}},
                            "Boolean", falseResult));
  m.push_back(
      DeclareMethod("CloseClientChannel", {{"ChannelId", "string"}}, "Boolean", falseResult));
  m.push_back(DeclareMethod("RegisterClientCallback",
                            {{"ChannelId", "string"}, {"CallbackId", "string"}}, "Boolean",
                            falseResult));
  m.push_back(
      DeclareMethod("RegisterClientCallbackServer",
                    {{"ChannelId", "string"}, {"CallbackId", "string"}, {"ChannelNames", "string"}},
                    "Boolean", falseResult));
  m.push_back(DeclareMethod("UnregisterClientCallback",
                            {{"ChannelName", "string"}, {"CallbackId", "string"}}, "Boolean",
                            falseResult));
  m.push_back(DeclareMethod("BroadcastToChannel",
                            {{"ChannelName", "string"}, {"Msg", "TJSONValue"}}, "Boolean",
                            falseResult));
  m.push_back(DeclareMethod("BroadcastObjectToChannel",
                            {{"ChannelName", "string"}, {"Msg", "TObject"}}, "Boolean",
                            falseResult));
  m.push_back(DeclareMethod("NotifyCallback",
                            {{"ClientId", "string"},
                             {"CallbackId", "string"},
                             {"Msg", "TJSONValue"},
                             {"Response", "out TJSONValue"}},
                            "Boolean", falseResult));
  m.push_back(DeclareMethod("NotifyObject",
                            {{"ClientId", "string"},
                             {"CallbackId", "string"},
                             {"Msg", "TObject"},
                             {"Response", "out TObject"}},
                            "Boolean", falseResult));
}

[[noreturn]] void RegistryIsFixed() {
  throw Exception("The server class and method lists cannot be changed while the server runs");
}

TDSClassDescriptor MakeDSAdmin() {
  TDSClassDescriptor d;
  d.ClassName = "DSAdmin";
  d.UnitName = "DSCommonServer";
  d.Create = [] { return std::make_unique<TDSAdminObject>(); };
  auto& m = d.Methods;
  m.push_back(DeclareMethod("GetPlatformName", {}, "string",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext&) {
                              SetText(p.back(), "win32");
                            }));
  m.push_back(DeclareMethod(
      "ClearResources", {}, "Boolean",
      [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext&) { p.back().Set(true); }));
  m.push_back(DeclareMethod("FindPackages", {}, "TDBXReader",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext&) {
                              auto t = Table("Packages", {TextColumn("PackageName")});
                              SetText(t->AddRow()[0], "");
                              ReturnTable(p, t);
                            }));
  m.push_back(DeclareMethod("FindClasses", {{"PackageName", "string"}, {"ClassPattern", "string"}},
                            "TDBXReader",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              auto t = Table("Classes", {TextColumn("ClassName")});
                              Text pattern = p[1].AsText().empty() ? Text(u"*") : p[1].AsText();
                              TMask mask(pattern);
                              for (auto& cls : c.Server.Classes())
                                if (mask.Matches(Utf8ToText(cls->ClassName)))
                                  SetText(t->AddRow()[0], cls->ClassName);
                              ReturnTable(p, t);
                            }));
  m.push_back(DeclareMethod(
      "FindMethods",
      {{"PackageName", "string"}, {"ClassPattern", "string"}, {"MethodPattern", "string"}},
      "TDBXReader", [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
        auto t = Table("Methods", {TextColumn("MethodAlias"), TextColumn("ServerClassName"),
                                   TextColumn("MethodName")});
        TMask classMask(p[1].AsText().empty() ? Text(u"*") : p[1].AsText());
        std::string methodPattern = UpperAscii(TextToUtf8(p[2].AsText()));
        for (auto& method : c.Server.Methods()) {
          if (!classMask.Matches(Utf8ToText(method->ClassInfo->ClassName))) continue;
          if (UpperAscii(method->MethodName).find(methodPattern) == std::string::npos) continue;
          auto& row = t->AddRow();
          SetText(row[0], method->Alias);
          SetText(row[1], method->ClassInfo->ClassName);
          SetText(row[2], method->MethodName);
        }
        ReturnTable(p, t);
      }));
  for (const char* name : {"CreateServerClasses", "DropServerClasses"})
    m.push_back(DeclareMethod(
        name, {{"ClassReader", "TDBXReader"}}, "",
        [](TDSServerObject&, std::vector<TDSValue>&, TDSCallContext&) { RegistryIsFixed(); }));
  for (const char* name : {"CreateServerMethods", "DropServerMethods"})
    m.push_back(DeclareMethod(
        name, {{"MethodReader", "TDBXReader"}}, "",
        [](TDSServerObject&, std::vector<TDSValue>&, TDSCallContext&) { RegistryIsFixed(); }));
  m.push_back(DeclareMethod("GetServerClasses", {}, "TDBXReader",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              auto t = Table("ServerClasses",
                                             {TextColumn("ClassName"), TextColumn("PackageName"),
                                              TextColumn("LifeCycle"), TextColumn("RoleName")});
                              for (auto& cls : c.Server.Classes()) {
                                auto& row = t->AddRow();
                                SetText(row[0], cls->ClassName);
                                SetText(row[1], cls->PackageName);
                                SetText(row[2], cls->LifeCycle);
                                SetText(row[3], cls->RoleName);
                              }
                              ReturnTable(p, t);
                            }));
  m.push_back(DeclareMethod("ListClasses", {}, "TJSONArray",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              auto list = std::make_unique<TJSONArray>();
                              for (auto& cls : c.Server.Classes())
                                list->Add(Utf8ToText(cls->ClassName));
                              ReturnJSON(p, std::move(list));
                            }));
  m.push_back(DeclareMethod("DescribeClass", {{"ClassName", "string"}}, "TJSONObject",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              std::string name = TextToUtf8(p[0].AsText());
                              auto result = std::make_unique<TJSONObject>();
                              TDSClassInfo* cls = c.Server.FindClass(name);
                              if (!cls) {
                                result->AddPair(Utf8ToText(name), std::make_unique<TJSONNull>());
                              } else {
                                auto description = std::make_unique<TJSONObject>();
                                description->AddPair(u"LifeCycle", std::make_unique<TJSONString>(
                                                                       Utf8ToText(cls->LifeCycle)));
                                auto methods = std::make_unique<TJSONArray>();
                                for (auto& method : c.Server.Methods())
                                  if (method->ClassInfo == cls)
                                    methods->Add(Utf8ToText(method->Alias));
                                description->AddPair(u"methods", std::move(methods));
                                result->AddPair(Utf8ToText(name), std::move(description));
                              }
                              ReturnJSON(p, std::move(result));
                            }));
  m.push_back(DeclareMethod("ListMethods", {{"ClassName", "string"}}, "TJSONArray",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              std::string prefix = UpperAscii(TextToUtf8(p[0].AsText()));
                              auto list = std::make_unique<TJSONArray>();
                              for (auto& method : c.Server.Methods())
                                if (prefix.empty() ||
                                    method->SearchName.rfind(prefix + ".", 0) == 0)
                                  list->Add(Utf8ToText(method->Alias));
                              ReturnJSON(p, std::move(list));
                            }));
  m.push_back(DeclareMethod("DescribeMethod", {{"ServerMethodName", "string"}}, "TJSONObject",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              ReturnJSON(p, DescribeMethod(c.Server, TextToUtf8(p[0].AsText())));
                            }));
  m.push_back(DeclareMethod(
      "GetServerMethods", {}, "TDBXReader",
      [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
        auto t = Table("ServerMethods", {TextColumn("MethodAlias"), TextColumn("ServerClassName"),
                                         TextColumn("MethodName"), TextColumn("RoleName")});
        for (auto& method : c.Server.Methods()) {
          auto& row = t->AddRow();
          SetText(row[0], method->Alias);
          SetText(row[1], method->ClassInfo->ClassName);
          SetText(row[2], method->MethodName);
          SetText(row[3], "");
        }
        ReturnTable(p, t);
      }));
  m.push_back(DeclareMethod(
      "GetServerMethodParameters", {}, "TDBXReader",
      [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
        auto t =
            Table("MethodParametersTable",
                  {TextColumn("MethodAlias"), TextColumn("ServerClassName"),
                   TextColumn("MethodName"), TextColumn("Name"), TextColumn("ParameterTypeName"),
                   TextColumn("ParameterTypeUnit"), IntColumn("ParameterDirection"),
                   IntColumn("DBXType"), IntColumn("DBXParameterDirection")});
        for (auto& method : c.Server.Methods()) {
          auto addRow = [&](const TDSParameterInfo* param) {
            auto& row = t->AddRow();
            SetText(row[0], method->Alias);
            SetText(row[1], method->ClassInfo->ClassName);
            SetText(row[2], method->MethodName);
            bool ret = !param || param->Direction == pdReturn;
            SetText(row[3], ret ? "" : param->Name);
            SetText(row[4], param ? param->TypeName : "");
            SetText(row[5], param ? param->TypeUnit : "");
            row[6].Set(int64_t(ret ? pdReturn : param->Direction));
            if (param) row[7].Set(int64_t(param->Code));  // a procedure's return row stays null
            row[8].Set(int64_t(ret ? pdReturn : param->Direction));
          };
          for (const TDSParameterInfo& param : method->Declaration->Parameters)
            if (param.Direction != pdReturn) addRow(&param);
          addRow(method->Declaration->HasResult() ? &method->Declaration->Parameters.back()
                                                  : nullptr);
        }
        ReturnTable(p, t);
      }));
  m.push_back(DeclareMethod("GetConnection", {{"NewConName", "string"}}, "TDBXConnection",
                            [](TDSServerObject&, std::vector<TDSValue>&, TDSCallContext&) {
                              throw Exception("No database connection is available on this server");
                            }));
  m.push_back(DeclareMethod(
      "GetDatabaseConnectionProperties", {}, "TDBXReader",
      [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext&) {
        ReturnTable(p, Table("ConnectionProperties", {TextColumn("Name"), TextColumn("Value")}));
      }));
  AddChannelMethods(m);
  return d;
}

TDSClassDescriptor MakeDSMetadata() {
  TDSClassDescriptor d;
  d.ClassName = "DSMetadata";
  d.UnitName = "DSCommonServer";
  d.Create = [] { return std::make_unique<TDSAdminObject>(); };
  auto& m = d.Methods;
  m.push_back(DeclareMethod(
      "GetProcedures", {{"ProcedureNamePattern", "string"}, {"ProcedureType", "string"}},
      "TDBXReader", [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
        auto t = Table("Procedures", {TextColumn("ProcedureName"), TextColumn("ProcedureType")});
        TMask mask(p[0].AsText().empty() ? Text(u"*") : p[0].AsText());
        std::string wanted = UpperAscii(TextToUtf8(p[1].AsText()));
        for (auto& method : c.Server.Methods()) {
          std::string type = method->Declaration->HasResult() ? "FUNCTION" : "PROCEDURE";
          if (!mask.Matches(Utf8ToText(method->Alias)) || (!wanted.empty() && wanted != type))
            continue;
          auto& row = t->AddRow();
          SetText(row[0], method->Alias);
          SetText(row[1], type);
        }
        ReturnTable(p, t);
      }));
  m.push_back(DeclareMethod(
      "GetProcedureParameters", {{"ProcedureNamePattern", "string"}}, "TDBXReader",
      [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
        auto t =
            Table("ProcedureParameters",
                  {TextColumn("ProcedureName"), TextColumn("ParameterName"),
                   TextColumn("ParameterMode"), IntColumn("DataType"), TextColumn("TypeName")});
        TMask mask(p[0].AsText().empty() ? Text(u"*") : p[0].AsText());
        static const char* const kModes[] = {"", "IN", "OUT", "INOUT", "RESULT"};
        for (auto& method : c.Server.Methods()) {
          if (!mask.Matches(Utf8ToText(method->Alias))) continue;
          for (const TDSParameterInfo& param : method->Declaration->Parameters) {
            auto& row = t->AddRow();
            SetText(row[0], method->Alias);
            SetText(row[1], param.Direction == pdReturn ? "ReturnValue" : param.Name);
            SetText(row[2], kModes[param.Direction]);
            row[3].Set(int64_t(param.Code));
            SetText(row[4], param.TypeName);
          }
        }
        ReturnTable(p, t);
      }));
  m.push_back(DeclareMethod("GetDatabase", {}, "TDBXReader",
                            [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext& c) {
                              auto t =
                                  Table("Database", {TextColumn("Name"), TextColumn("QuoteChar"),
                                                     TextColumn("ProcedureQuoteChar")});
                              auto& row = t->AddRow();
                              SetText(row[0], c.Server.Name());
                              SetText(row[1], "\"");
                              SetText(row[2], "\"");
                              ReturnTable(p, t);
                            }));
  AddChannelMethods(m);
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
