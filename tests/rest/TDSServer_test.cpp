// The registry of the remoting server: order, resolution, descriptions, tables, invocation.
#include "rest/TDSServer.h"

#include <gtest/gtest.h>

#include "methods/TServerMethods1.h"

using namespace quillara;

namespace {

class TDSServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FClass.OnGetClass = [] { return &TServerMethods1::Descriptor(); };
    FServer.AddServerClass(FClass);
    FServer.Start();
    FConnection = FServer.GetServerConnection();
  }
  // Runs a method through a command and returns its result value.
  TDSValue Call(const std::string& name, std::vector<TDSValue> args = {}) {
    TDSServerCommand command(*FConnection);
    command.CommandText = name;
    command.Prepare();
    for (size_t i = 0; i < args.size(); ++i) command.Parameters()[i] = args[i];
    command.Execute();
    return command.Parameters().back();
  }
  static TDSValue TextValue(const Text& t) {
    TDSValue v;
    v.Set(t);
    return v;
  }
  TDSServerClass FClass;
  TDSServer FServer;
  std::unique_ptr<TDSServerConnection> FConnection;
};

}  // namespace

TEST(TDBXTypes, NamesAndMapping) {
  EXPECT_EQ(DataTypeName(3), "TDBXTypes.BLOB");
  EXPECT_EQ(DataTypeName(26), "TDBXTypes.WideString");
  EXPECT_EQ(DataTypeName(33), "TDBXTypes.UNKNOWN(33)");
  EXPECT_EQ(DataTypeName(14), "TDBXTypes.UNKNOWN(14)");
  struct Case {
    const char* type;
    int code;
  } cases[] = {{"string", 26},     {"Integer", 6},  {"boolean", 4}, {"TJSONObject", 37},
               {"TJSONValue", 37}, {"TStream", 33}, {"Int64", 18},  {"Double", 7},
               {"TDataSet", 23},   {"Pointer", 0}};
  for (const Case& c : cases) EXPECT_EQ(DataTypeOf(c.type).Code, c.code) << c.type;
}

TEST_F(TDSServerTest, RegistrationOrderAndErrors) {
  TDSValue classes = Call("DSAdmin.ListClasses");
  EXPECT_EQ(classes.AsJSON()->ToString(), u"[\"DSAdmin\",\"DSMetadata\",\"TServerMethods1\"]");
  TDSValue methods = Call("DSAdmin.ListMethods", {TextValue(u"TServerMethods1")});
  EXPECT_EQ(
      methods.AsJSON()->ToString(),
      u"[\"TServerMethods1.EchoString\",\"TServerMethods1.ReverseString\",\"TServerMethods1."
      u"SommaNumeri\","
      u"\"TServerMethods1.SalvaDB\",\"TServerMethods1.ListaProdotti\",\"TServerMethods1."
      u"ListaFiles494\","
      u"\"TServerMethods1.LeggiFile494\",\"TServerMethods1.PutFile\",\"TServerMethods1.GetFile\"]");

  TDSServer twice;
  TDSServerClass a, b;
  a.OnGetClass = b.OnGetClass = [] { return &TServerMethods1::Descriptor(); };
  twice.AddServerClass(a);
  twice.AddServerClass(b);
  try {
    twice.Start();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TServerMethods1 class has already been added to the server class list");
  }
  EXPECT_FALSE(twice.Started());
  TDSServer none;
  TDSServerClass empty;
  none.AddServerClass(empty);
  EXPECT_THROW(none.Start(), Exception);
}

TEST_F(TDSServerTest, Resolution) {
  struct Case {
    const char* name;
    const char* resolved;  // alias, or the error message
  } cases[] = {
      {"TServerMethods1.echostring", "TServerMethods1.EchoString"},
      {"TServerMethods1.\"PutFile\"", "TServerMethods1.PutFile"},
      {" TServerMethods1 . SommaNumeri ", "TServerMethods1.SommaNumeri"},
      {"TServerMethods1.updatePutFile",
       "TServerMethods1.updatePutFile method not found in the server method list"},
      {"Nobody.EchoString", "Nobody.EchoString method not found in the server method list"},
      {"TServerMethods1.EchoString(\"x\", 2)", "TServerMethods1.EchoString"},
  };
  for (const Case& c : cases) {
    std::string got;
    try {
      got = FServer.ResolveMethod(c.name).Alias;
    } catch (const Exception& e) {
      got = e.what();
    }
    EXPECT_EQ(got, c.resolved) << c.name;
  }
  std::vector<Text> presets;
  FServer.ResolveMethod("TServerMethods1.EchoString(\"x\", 2)", &presets);
  EXPECT_EQ(presets, (std::vector<Text>{u"x", u"2"}));
}

TEST_F(TDSServerTest, Descriptions) {
  EXPECT_EQ(Call("DSAdmin.DescribeMethod", {TextValue(u"TServerMethods1.SommaNumeri")})
                .AsJSON()
                ->ToString(),
            u"{\"TServerMethods1.SommaNumeri\":{\"n1\":{\"direction\":\"In\",\"type\":\"Integer\"},"
            u"\"n2\":{\"direction\":\"In\",\"type\":\"Integer\"},\"Result\":{\"direction\":"
            u"\"Return\",\"type\":\"Integer\"}}}");
  EXPECT_EQ(Call("DSAdmin.DescribeMethod", {TextValue(u"X.Y")}).AsJSON()->ToString(),
            u"{\"X.Y\":null}");
  Text described =
      Call("DSAdmin.DescribeClass", {TextValue(u"TServerMethods1")}).AsJSON()->ToString();
  EXPECT_EQ(described.rfind(u"{\"TServerMethods1\":{\"LifeCycle\":\"Session\",\"methods\":["
                            u"\"TServerMethods1.EchoString\"",
                            0),
            0u);
  EXPECT_EQ(Call("DSAdmin.DescribeClass", {TextValue(u"Nope")}).AsJSON()->ToString(),
            u"{\"Nope\":null}");
  EXPECT_EQ(Call("DSAdmin.GetDSServerName").AsText(), u"DSServer1");
  EXPECT_EQ(Call("DSAdmin.GetPlatformName").AsText(), u"win32");
}

TEST_F(TDSServerTest, MethodParametersTable) {
  TDSServerCommand command(*FConnection);
  command.CommandText = "DSAdmin.GetServerMethodParameters";
  std::shared_ptr<TDBXTable> table = command.ExecuteQuery();
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Name(), "MethodParametersTable");
  std::vector<std::string> columns;
  for (auto& c : table->Columns()) columns.push_back(c.Name);
  EXPECT_EQ(columns,
            (std::vector<std::string>{"MethodAlias", "ServerClassName", "MethodName", "Name",
                                      "ParameterTypeName", "ParameterTypeUnit",
                                      "ParameterDirection", "DBXType", "DBXParameterDirection"}));
  // classes in registration order, each method's parameters then exactly one return row
  std::vector<std::string> seenClasses;
  std::string lastAlias;
  bool returnSeen = true;
  std::vector<std::string> putFile;
  for (auto& row : table->Rows()) {
    std::string alias = TextToUtf8(row[0].AsText());
    std::string cls = TextToUtf8(row[1].AsText());
    if (seenClasses.empty() || seenClasses.back() != cls) seenClasses.push_back(cls);
    if (alias != lastAlias) {
      EXPECT_TRUE(returnSeen) << lastAlias;
      returnSeen = false;
      lastAlias = alias;
    }
    if (row[6].AsInt() == 4) {
      EXPECT_FALSE(returnSeen);
      returnSeen = true;
      EXPECT_EQ(row[8].AsInt(), 4);
    }
    if (alias == "TServerMethods1.PutFile")
      putFile.push_back(TextToUtf8(row[3].AsText()) + ":" + TextToUtf8(row[4].AsText()) + ":" +
                        std::to_string(row[6].AsInt()) + ":" + std::to_string(row[7].AsInt()));
  }
  EXPECT_EQ(seenClasses, (std::vector<std::string>{"DSAdmin", "DSMetadata", "TServerMethods1"}));
  EXPECT_EQ(putFile, (std::vector<std::string>{"cFileName:string:1:26", "jJson:TJSONObject:1:37",
                                               ":string:4:26"}));
  // a procedure's return row carries a null type
  for (auto& row : table->Rows())
    if (row[0].AsText() == u"DSAdmin.CreateServerClasses" && row[6].AsInt() == 4) {
      EXPECT_TRUE(row[7].IsNull());
    }
}

TEST_F(TDSServerTest, InvocationWithFreshAndNullValues) {
  EXPECT_EQ(Call("TServerMethods1.EchoString", {TextValue(u"ciao")}).AsText(), u"ciao");
  EXPECT_EQ(Call("TServerMethods1.EchoString").AsText(), u"");  // null arrives as empty text
  TDSValue n1, n2;
  n1.Set(int64_t(2147483647));
  n2.Set(int64_t(1));
  EXPECT_EQ(Call("TServerMethods1.SommaNumeri", {n1, n2}).AsInt(), -2147483648);
  EXPECT_EQ(Call("TServerMethods1.SommaNumeri").AsInt(), 0);
  EXPECT_NE(Call("TServerMethods1.PutFile", {TextValue(u"x.xml")}).AsText(), u"OK");  // no object
  EXPECT_FALSE(Call("TServerMethods1.SalvaDB").AsBoolean());
}

TEST(TDSServerLifeCycle, InstancesByLifeCycle) {
  static int created = 0;
  static TDSClassDescriptor counting = [] {
    TDSClassDescriptor d;
    d.ClassName = "TCounting";
    d.Create = [] {
      ++created;
      return std::make_unique<TDSServerObject>();
    };
    d.Methods.push_back(DeclareMethod(
        "Ping", {}, "Integer", [](TDSServerObject&, std::vector<TDSValue>& p, TDSCallContext&) {
          p.back().Set(int64_t(created));
        }));
    return d;
  }();
  struct Case {
    const char* lifeCycle;
    int createdByTwoCallsOnTwoConnections;
  } cases[] = {{"Server", 1}, {"", 1}, {"Session", 2}, {"Invocation", 4}};
  for (const Case& c : cases) {
    created = 0;
    TDSServer server;
    TDSServerClass cls;
    cls.LifeCycle = c.lifeCycle;
    cls.OnGetClass = [] { return &counting; };
    server.AddServerClass(cls);
    server.Start();
    for (int connection = 0; connection < 2; ++connection) {
      auto conn = server.GetServerConnection();
      for (int call = 0; call < 2; ++call) {
        std::vector<TDSValue> params;
        conn->Invoke(server.ResolveMethod("TCounting.Ping"), params);
      }
    }
    EXPECT_EQ(created, c.createdByTwoCallsOnTwoConnections) << c.lifeCycle;
  }
  TDSServer server;
  TDSServerClass cls;
  cls.LifeCycle = "Forever";
  cls.OnGetClass = [] { return &counting; };
  server.AddServerClass(cls);
  server.Start();
  std::vector<TDSValue> params;
  try {
    server.GetServerConnection()->Invoke(server.ResolveMethod("TCounting.Ping"), params);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unknown LifeCycle:  Forever");
  }
}
