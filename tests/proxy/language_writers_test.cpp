// The JavaScript, Java, C# and FreePascal writers: output against golden files, their edge
// cases and failures, and each output accepted by its language's own tools against the
// client library of its download folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <regex>

#include "ProxyTestSupport.h"

namespace quillara {
namespace {

using test::ReadFile;
using test::RowsTable;
using test::TServerUnderTest;
using test::TTableLoader;
using test::TTempFolder;
namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(QUILLARA_FIXTURES) / "proxy";
// The client libraries as the build lays them out beside the program.
const fs::path kLibraries = fs::path(QUILLARA_WEBROOT) / "proxy";
const std::string kBOM = "\xEF\xBB\xBF";

class LanguageWriterTest : public test::TWriterRegistryTest {};

std::shared_ptr<IDSProxyMetaDataLoader> RowsLoader(const std::string& rows) {
  return std::make_shared<TTableLoader>(RowsTable(rows));
}

std::shared_ptr<IDSProxyMetaDataLoader> EdgeLoader() {
  return RowsLoader(ReadFile(kFixtures / "writers_edge.rows"));
}

// The one output of a writer, with the class exclusion this server's generator is set up with.
std::string Generate(const std::string& writer, std::shared_ptr<IDSProxyMetaDataLoader> loader,
                     const std::string& excludeClasses = "DSMetadata") {
  TMemoryStream out;
  std::map<std::string, TStream*> streams{{"implementation", &out}};
  TDSProxyGenerator g;
  g.Writer = writer;
  g.ExcludeClasses = excludeClasses;
  g.MetaDataLoaderIntf = std::move(loader);
  g.WriteToStreams(streams);
  return out.Bytes();
}

std::string MaskTimeStamp(const std::string& text) {
  static const std::regex stamp(R"(// \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n)");
  return std::regex_replace(text, stamp, "// <time stamp>\r\n",
                            std::regex_constants::format_first_only);
}

void ExpectGolden(const std::string& made, const std::string& golden) {
  std::string text = MaskTimeStamp(made);
  if (std::getenv("QUILLARA_UPDATE_GOLDEN")) test::WriteFile(kFixtures / golden, text);
  EXPECT_EQ(text, ReadFile(kFixtures / golden)) << "differs from " << golden;
}

struct TWriterCase {
  const char* Writer;
  const char* ServerGolden;
  const char* EdgeGolden;  // none where another case covers the same templates
  bool ByteOrderMark;
};

const TWriterCase kWriters[] = {
    {"Java Script REST", "server.js", "writers_edge.js", true},
    {"Java (Android) REST", "server_android.java", "writers_edge_android.java", false},
    {"Java (Black Berry) REST", "server_blackberry.java", nullptr, true},
    {"C# Silverlight REST", "server.cs", "writers_edge.cs", true},
    {"FreePascal iOS 4.2 REST", "server.pas", "writers_edge.pas", true},
    {"FreePascal iOS 5.0 REST", "server.pas", "writers_edge.pas", true},
};

TEST_F(LanguageWriterTest, OutputMatchesTheGoldenFiles) {
  TServerUnderTest s;
  for (const TWriterCase& c : kWriters) {
    SCOPED_TRACE(c.Writer);
    std::string server = Generate(c.Writer, s.provider.GetProvider());
    EXPECT_GT(server.size(), 3u);
    if (server.size() <= 3) continue;
    EXPECT_EQ(server.substr(0, 3) == kBOM, c.ByteOrderMark);
    EXPECT_EQ(server.substr(server.size() - 2), "\r\n");
    EXPECT_EQ(std::regex_search(server, std::regex("[^\r]\n")), false) << "a line without CR";
    ExpectGolden(server, c.ServerGolden);
    if (c.EdgeGolden) ExpectGolden(Generate(c.Writer, EdgeLoader()), c.EdgeGolden);
    // Identical metadata, identical text but for the time stamp.
    EXPECT_EQ(MaskTimeStamp(Generate(c.Writer, s.provider.GetProvider())), MaskTimeStamp(server));
  }
}

TEST_F(LanguageWriterTest, BlackBerryDiffersFromAndroidInPackageAndByteOrderMarkOnly) {
  std::string android = MaskTimeStamp(Generate("Java (Android) REST", EdgeLoader()));
  std::string blackBerry = MaskTimeStamp(Generate("Java (Black Berry) REST", EdgeLoader()));
  ASSERT_EQ(blackBerry.substr(0, 3), kBOM);
  std::string expected =
      std::regex_replace(android, std::regex("package com\\.vavurerazev\\.javaandroid;"),
                         "package com.vavurerazev.javablackberry;");
  EXPECT_EQ(blackBerry.substr(3), expected);
  // The two packages carry the same client library.
  const fs::path androidLibrary = kLibraries / "java_android/com/vavurerazev/javaandroid";
  const fs::path blackBerryLibrary = kLibraries / "java_blackberry/com/vavurerazev/javablackberry";
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(androidLibrary)) {
    SCOPED_TRACE(entry.path().filename().string());
    ++files;
    EXPECT_EQ(ReadFile(blackBerryLibrary / entry.path().filename()),
              std::regex_replace(ReadFile(entry.path()),
                                 std::regex("package com\\.vavurerazev\\.javaandroid;"),
                                 "package com.vavurerazev.javablackberry;"));
  }
  EXPECT_EQ(files, size_t(std::distance(fs::directory_iterator(blackBerryLibrary),
                                        fs::directory_iterator())));
}

TEST_F(LanguageWriterTest, ScriptWriterWritesExactlyTheFileItIsAskedFor) {
  TTempFolder folder;
  TDSProxyGenerator g;
  g.Writer = "java script rest";  // names compare without case
  g.MetaDataLoaderIntf = EdgeLoader();
  g.TargetDirectory = folder.Path().string();
  g.TargetUnitName = "serverfunctions.js";
  g.Write();
  std::vector<std::string> made;
  for (const auto& entry : fs::directory_iterator(folder.Path()))
    made.push_back(entry.path().filename().string());
  EXPECT_EQ(made, std::vector<std::string>{"serverfunctions.js"});
  EXPECT_EQ(MaskTimeStamp(ReadFile(folder.Path() / "serverfunctions.js")),
            MaskTimeStamp(Generate("Java Script REST", EdgeLoader(), "")));
}

// Lines of one output that must appear, and texts that must not.
TEST_F(LanguageWriterTest, EdgeCasesOfEachWriter) {
  struct TCase {
    const char* Writer;
    std::vector<std::string> Present, Absent;
  } cases[] = {
      {"Java Script REST",
       {// prefixes: case-insensitive accept and update, case-sensitive cancel
        "this.executor.executeMethod('Order', \"PUT\", [Id], arguments[1], true, arguments[2], "
        "arguments[3]);",
        "this.executor.executeMethod('Line', \"PUT\", [Line], arguments[1], false, arguments[2], "
        "arguments[3]);",
        "this.executor.executeMethod('CancelOrder', \"GET\", [Id], arguments[1], false, "
        "arguments[2], arguments[3]);",
        "this.executor.executeMethod('Line', \"DELETE\", [Id], arguments[1], false, arguments[2], "
        "arguments[3]);",
        "this.executor.executeMethod('update', \"GET\", [], arguments[0], false, arguments[1], "
        "arguments[2]);",
        // a complex input with a shortened name keeps the name and the verb
        "var returnObject = this.executor.executeMethod('Order', \"POST\", [Doc], arguments[1], "
        "true, arguments[2], "
        "arguments[3]);",
        // DSAdmin: verb from its last input, names never shortened, quoted when complex
        "this.executor.executeMethod('\"acceptThing\"', \"POST\", [Doc]",
        "this.executor.executeMethod('acceptName', \"PUT\", [Name]",
        "return this.executor.getMethodURL(\"acceptName\", \"PUT\", [Name], arguments[1])[0];",
        "this.executor.executeMethod('\"DescribeDoc\"', \"POST\", [Name, Doc]",
        "this.executor.executeMethod('\"FindName\"', \"POST\", [Doc, Name]",
        "return this.executor.getMethodURL(\"GetReport\", \"GET\", [Name], arguments[1])[0];",
        "        resultObject._cacheId = returnObject.cacheId;",
        "        resultObject.a = a;\r\n        resultObject.b = resultArray[0];\r\n        "
        "resultObject.c = c;\r\n"
        "        resultObject.result = resultArray[1];\r\n",
        "        resultObject.Count = resultArray[0];\r\n        return resultObject;",
        "\"DSAdmin\": "
        "[\"GetPlatformName\",\"acceptThing\",\"acceptName\",\"DescribeDoc\",\"FindName\"],\r\n",
        "\r\n  this.NoParams = function() {\r\n", "this.UpperString = function() {"},
       {"DSMetadata", "WideResult", "AS_Hidden", "RawBytes", "TRawOnly", "TEmptied",
        "updateOrder_URL", "DescribeDoc_URL", "Json_URL",
        "this.executor.executeMethod('Order', \"DELETE\""}},
      {"Java (Android) REST",
       {"    public static class MixedReturns {\r\n      public String b;\r\n      public boolean "
        "returnValue;\r\n    }",
        "      cmd.getParameter(0).getValue().SetAsInt32(a);\r\n      "
        "cmd.getParameter(2).getValue().SetAsInt32(c);",
        "      ret.b = cmd.getParameter(1).getValue().GetAsString();",
        "    public static class OutOnlyReturns {\r\n      public int Count;\r\n    }\r\n"
        "    public OutOnlyReturns OutOnly() throws DBXException {",
        "    public static class InOutReturns {\r\n      public int Count;\r\n    }\r\n"
        "    public InOutReturns InOut(int Count) throws DBXException {",
        "      if (Amount != null) {\r\n        "
        "cmd.getParameter(0).getValue().SetAsDBXValue(Amount);\r\n"
        "      } else {\r\n        "
        "cmd.getParameter(0).getValue().SetTDBXNull(\"TDBXInt32Value\");\r\n      }",
        "      return (TDBXInt32Value) cmd.getParameter(1).getValue().GetAsDBXValue();",
        "      ret.Flag = (TJSONTrue)cmd.getParameter(2).getValue().GetAsJSONValue();",
        "    public TDBXReader Table(TDataSet Data) throws DBXException {",
        "      return (TDBXReader) cmd.getParameter(1).getValue().GetAsTable();",
        "    public void NoParams() throws DBXException {", "      return;\r\n",
        "    public String UpperString() throws DBXException {",
        "      cmd.setRequestType(DSHTTPRequestType.POST);\r\n      "
        "cmd.setText(\"TOrders.updateOrder\");"},
       {"class DSAdmin", "GetPlatformName", "DSMetadata", "WideResult", "AS_Hidden", "RawBytes",
        "TRawOnly", "TEmptied"}},
      {"C# Silverlight REST",
       {"      public delegate void NoParamsCallback();\r\n",
        "            callback.DynamicInvoke();\r\n",
        "      public void NoParams(NoParamsCallback callback = null, ExceptionCallback ExCal = "
        "null)",
        "      public delegate void MixedCallback(MixedReturns Returns);",
        "              ret.b = cmd.getParameter(1).getValue().GetAsString();",
        "        cmd.getParameter(0).getValue().SetAsInt32(a);\r\n        "
        "cmd.getParameter(2).getValue().SetAsInt32(c);",
        "      public delegate void acceptOrderCallback(bool Result);",
        "            "
        "callback.DynamicInvoke((TDBXInt32Value)cmd.getParameter(1).getValue().GetAsDBXValue());",
        "        if (Amount != null)\r\n        {\r\n          "
        "cmd.getParameter(0).getValue().SetAsDBXValue(Amount);\r\n"
        "        }\r\n        else\r\n        {\r\n"},
       {"class DSAdmin", "GetPlatformName", "DSMetadata", "WideResult", "AS_Hidden", "RawBytes",
        "TRawOnly", "TEmptied"}},
      {"FreePascal iOS 4.2 REST",
       {"      procedure NoParams();\r\n",
        "      function Mixed(a: Int32;out b: string;c: Int32):boolean;\r\n",
        "function TOrders.Mixed( a:Int32;out  b:string; c:Int32):boolean;\r\n",
        "    cmd.parameters.items[0].Value.AsInt32:=a;\r\n    "
        "cmd.parameters.items[2].Value.AsInt32:=c;\r\n",
        "    b :=   cmd.parameters.items[1].Value.AsString;\r\n",
        "procedure TOrders.InOut(var count:Int32);\r\n",
        "    if assigned(amount) then\r\n      "
        "cmd.parameters.items[0].Value.AsDBXValue:=amount\r\n    else\r\n"
        "      cmd.parameters.items[0].Value.setTDBXNull('TDBXInt32Value');\r\n",
        "    result:= cmd.parameters.items[1].Value.AsDBXValue as TDBXInt32Value;",
        "    values :=   cmd.parameters.items[0].Value.AsTable as TDSParams;",
        "    FTOrders_Kinds[1] := TDSRESTParameterMetaData.CreateParam( "
        "'d2',Input,DateType,'integer');",
        "      function Params(var Values: TDSParams):TDSParams;",
        " * @param Flag [out] - Type on server: TJSONTrue\r\n",
        "    cmd.parameters.items[1].Value.AsTDBXDate:=d2;"},
       {"class DSAdmin", "GetPlatformName", "DSMetadata", "WideResult", "AS_Hidden", "RawBytes",
        "TRawOnly", "TEmptied"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Writer);
    std::string text = Generate(c.Writer, EdgeLoader());
    for (const auto& s : c.Present) EXPECT_NE(text.find(s), std::string::npos) << s;
    for (const auto& s : c.Absent) EXPECT_EQ(text.find(s), std::string::npos) << s;
  }
  // With no class included the script still ends with its (empty) class list.
  EXPECT_NE(
      Generate("Java Script REST", RowsLoader("")).find("var JSProxyClassList = {\r\n};\r\n\r\n"),
      std::string::npos);
}

// Parameters that have no type in a language, and directions outside 1 to 4.
TEST_F(LanguageWriterTest, UnsupportedTypesAndDirectionsStopGeneration) {
  struct TCase {
    const char* Rows;
    const char* Message;  // the same for every connector writer; the script writer writes on
  } cases[] = {
      {"TA|Take|List|TArray|System|1|21|1\nTA|Take||||4||4\n",
       "Unknown param type for System.TArray"},
      {"TA|Take|Thing|TObject|System|1|30|1\nTA|Take||string|System|4|26|4\n",
       "Unknown param type for System.TObject"},
      {"TA|Take|v|string|System|1|26|7\nTA|Take||string|System|4|26|4\n",
       "Param direction not allowed"},
  };
  for (const TCase& c : cases) {
    for (const TWriterCase& w : kWriters) {
      SCOPED_TRACE(std::string(w.Writer) + ": " + c.Message);
      if (std::string(w.Writer) == "Java Script REST") {
        EXPECT_NE(Generate(w.Writer, RowsLoader(c.Rows)).find("this.Take = function("),
                  std::string::npos);
        continue;
      }
      TMemoryStream out;
      std::map<std::string, TStream*> streams{{"implementation", &out}};
      TDSProxyGenerator g;
      g.Writer = w.Writer;
      g.MetaDataLoaderIntf = RowsLoader(c.Rows);
      try {
        g.WriteToStreams(streams);
        ADD_FAILURE() << "no error";
      } catch (const EDSProxyException& e) {
        EXPECT_EQ(std::string(e.what()), c.Message);
      }
      // What was written before the failure stays.
      EXPECT_NE(out.Bytes().find("// Created by the Quillara proxy generator."), std::string::npos);
    }
  }
  // Decimal and time-stamp codes have no type of their own and are written as marked.
  std::string rows = "TA|Take|Amount|TBcd|FMTBcd|1|8|1\nTA|Take||TSQLTimeStamp|SqlTimSt|4|24|4\n";
  EXPECT_NE(Generate("Java (Android) REST", RowsLoader(rows))
                .find("public ???TSQLTimeStamp??? Take(???TBcd??? Amount"
                      ")"),
            std::string::npos);
  EXPECT_NE(Generate("FreePascal iOS 4.2 REST", RowsLoader(rows))
                .find("function Take(Amount: ???TBcd???"
                      "):???TSQLTimeStamp???;"),
            std::string::npos);
}

// --- the languages' own tools ---

bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; on failure returns its output.
std::optional<std::string> RunTool(const std::string& command, const fs::path& log) {
  int status = std::system((command + " >'" + log.string() + "' 2>&1").c_str());
  if (status == 0) return std::nullopt;
  return ReadFile(log);
}

std::string Quote(const fs::path& p) {
  return "'" + p.string() + "'";
}

std::string FilesOf(const fs::path& folder, const std::string& extension) {
  std::string files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == extension) files += " " + Quote(entry.path());
  return files;
}

// The writer's output for this server and for the edge-case metadata.
void ForEachOutput(
    const std::string& writer,
    const std::function<void(const std::string& name, const std::string& text)>& check) {
  TServerUnderTest s;
  check("server", Generate(writer, s.provider.GetProvider()));
  check("edge cases", Generate(writer, EdgeLoader()));
}

TEST_F(LanguageWriterTest, JavaProxiesCompileWithJavac) {
  if (!HaveTool("javac")) GTEST_SKIP() << "javac not installed (apt default-jdk-headless)";
  struct TCase {
    const char* Writer;
    const char* Folder;
  } cases[] = {{"Java (Android) REST", "java_android/com/vavurerazev/javaandroid"},
               {"Java (Black Berry) REST", "java_blackberry/com/vavurerazev/javablackberry"}};
  for (const TCase& c : cases) {
    ForEachOutput(c.Writer, [&](const std::string& name, std::string text) {
      SCOPED_TRACE(std::string(c.Writer) + " " + name);
      TTempFolder folder;
      // javac takes no byte-order mark; a client developer strips it.
      if (text.compare(0, 3, kBOM) == 0) text.erase(0, 3);
      test::WriteFile(folder.Path() / "DSProxy.java", text);
      auto failure = RunTool("javac -Xlint:none -d " + Quote(folder.Path() / "classes") +
                                 FilesOf(kLibraries / c.Folder, ".java") + " " +
                                 Quote(folder.Path() / "DSProxy.java"),
                             folder.Path() / "log");
      EXPECT_FALSE(failure) << *failure;
    });
  }
}

TEST_F(LanguageWriterTest, CsharpProxyCompilesWithMcs) {
  if (!HaveTool("mcs")) GTEST_SKIP() << "mcs not installed (apt mono-mcs)";
  ForEachOutput("C# Silverlight REST", [&](const std::string& name, const std::string& text) {
    SCOPED_TRACE(name);
    TTempFolder folder;
    test::WriteFile(folder.Path() / "DSProxy.cs", text);
    auto failure =
        RunTool("mcs -target:library -warnaserror -out:" + Quote(folder.Path() / "proxy.dll") +
                    FilesOf(kLibraries / "csharp_silverlight", ".cs") + " " +
                    Quote(folder.Path() / "DSProxy.cs"),
                folder.Path() / "log");
    EXPECT_FALSE(failure) << *failure;
  });
}

TEST_F(LanguageWriterTest, PascalProxyCompilesWithFpc) {
  if (!HaveTool("fpc")) GTEST_SKIP() << "fpc not installed (apt fp-compiler fp-units-fcl)";
  // The iOS 5.0 download is a copy of this library made by the build.
  ForEachOutput("FreePascal iOS 4.2 REST", [&](const std::string& name, const std::string& text) {
    SCOPED_TRACE(name);
    TTempFolder folder;
    test::WriteFile(folder.Path() / "DSProxy.pas", text);
    auto failure = RunTool("fpc -Mobjfpc -Sh -vew -FU" + Quote(folder.Path()) + " -Fu" +
                               Quote(kLibraries / "freepascal_ios42") + " " +
                               Quote(folder.Path() / "DSProxy.pas"),
                           folder.Path() / "log");
    EXPECT_FALSE(failure) << *failure;
  });
}

TEST_F(LanguageWriterTest, ScriptProxyParsesAndSendsWhatItShould) {
  if (!HaveTool("node")) GTEST_SKIP() << "node not installed (apt nodejs)";
  ForEachOutput("Java Script REST", [&](const std::string& name, const std::string& text) {
    SCOPED_TRACE(name);
    TTempFolder folder;
    fs::path script = folder.Path() / "serverfunctions.js";
    test::WriteFile(script, text);
    auto failure = RunTool("node --check " + Quote(script), folder.Path() / "log");
    EXPECT_FALSE(failure) << *failure;
    failure =
        RunTool("node " + Quote(fs::path(QUILLARA_FIXTURES) / "proxy" / "record_script_calls.js") +
                    " " + Quote(script) + " " + (name == "server" ? "server" : "edge"),
                folder.Path() / "log");
    EXPECT_FALSE(failure) << *failure;
  });
}

}  // namespace
}  // namespace quillara
