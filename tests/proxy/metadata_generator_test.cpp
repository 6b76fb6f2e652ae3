// The server description, the generator's file handling and filters, and the Objective-C
// output against golden files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "ProxyTestSupport.h"
#include "platform/SystemText.h"
#include "platform/TFileSystem.h"
#include "proxy/TDSObjectiveCProxyWriter.h"
#include "proxy/TDSProxyDispatcher.h"

namespace quillara {
namespace {

using test::ReadFile;
using test::RowsTable;
using test::TServerUnderTest;
using test::TTableLoader;
using test::TTempFolder;
namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(QUILLARA_FIXTURES) / "proxy";

class ProxyTest : public test::TWriterRegistryTest {};

std::unique_ptr<TDSProxyMetadata> LoadRows(const std::string& rows) {
  auto metadata = std::make_unique<TDSProxyMetadata>();
  TTableLoader(RowsTable(rows)).Load(*metadata);
  return metadata;
}

TDSProxyClass* FindClass(TDSProxyMetadata& m, const std::string& name) {
  for (TDSProxyClass* c = m.Classes(); c; c = c->Next.get())
    if (c->ProxyClassName == name) return c;
  return nullptr;
}

TDSProxyMethod* FindMethod(TDSProxyClass& c, const std::string& name) {
  for (TDSProxyMethod* m = c.FirstMethod(); m; m = m->Next.get())
    if (m->ProxyMethodName == name) return m;
  return nullptr;
}

TEST_F(ProxyTest, ServerMetadataHoldsTheRemoteClassesInRegistryOrder) {
  TServerUnderTest s;
  TDSProxyMetadata metadata;
  s.provider.GetProvider()->Load(metadata);
  std::vector<std::string> classes;
  for (TDSProxyClass* c = metadata.Classes(); c; c = c->Next.get())
    classes.push_back(c->ProxyClassName);
  EXPECT_EQ(classes, (std::vector<std::string>{"DSAdmin", "DSMetadata", "TServerMethods1"}));
  TDSProxyClass& methods = *FindClass(metadata, "TServerMethods1");
  int count = 0;
  for (TDSProxyMethod* m = methods.FirstMethod(); m; m = m->Next.get()) ++count;
  EXPECT_EQ(count, 9);
  TDSProxyMethod& echo = *FindMethod(methods, "EchoString");
  EXPECT_EQ(echo.MethodAlias, "TServerMethods1.EchoString");
  ASSERT_TRUE(echo.Parameters() && echo.ReturnParameter());
  EXPECT_EQ(echo.Parameters()->ParameterName, "Value");
  EXPECT_EQ(echo.Parameters()->DataType, 26);
  EXPECT_EQ(echo.ReturnParameter()->ParameterName, "");
  EXPECT_EQ(echo.ParameterCount(), 2);
  EXPECT_EQ(echo.InputCount(), 1);
  TDSProxyMethod& putFile = *FindMethod(methods, "PutFile");
  EXPECT_EQ(putFile.Parameters()->Next->TypeName, "TJSONObject");
  EXPECT_FALSE(putFile.HasParametersWithUserType());
}

TEST_F(ProxyTest, ProviderWithoutServerGivesNoLoaderAndLoaderWithoutConnectionFails) {
  TDSServerMetaDataProvider provider;
  EXPECT_FALSE(provider.HasProvider());
  EXPECT_EQ(provider.GetProvider(), nullptr);
  TDSProxyMetaDataLoader loader([] { return std::unique_ptr<TDSServerConnection>(); },
                                [](std::unique_ptr<TDSServerConnection>) {});
  TDSProxyMetadata metadata;
  try {
    loader.Load(metadata);
    FAIL();
  } catch (const TDSProxyException& e) {
    EXPECT_STREQ(e.what(), "No connection");
  }
}

TEST_F(ProxyTest, MetadataCountsDirectionsAndUserTypes) {
  auto loaded = LoadRows(ReadFile(kFixtures / "edge_cases.rows"));
  TDSProxyMetadata& m = *loaded;
  TDSProxyClass& values = *FindClass(m, "TValues");
  struct TCase {
    const char* Method;
    int Parameters, Inputs, Outputs;
    bool Return, UserType;
  } cases[] = {
      {"Holder", 2, 1, 1, true, false},       // a value class travels in/out
      {"OutAndInOut", 5, 3, 2, true, false},  //
      {"FirstInOut", 1, 1, 1, false, false},  // a procedure's return row leaves no parameter
      {"NoParams", 0, 0, 0, false, false},    //
      {"Json", 3, 2, 0, true, true},          // an application class as JSON value
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Method);
    TDSProxyMethod& method = *FindMethod(values, c.Method);
    EXPECT_EQ(method.ParameterCount(), c.Parameters);
    EXPECT_EQ(method.InputCount(), c.Inputs);
    EXPECT_EQ(method.OutputCount(), c.Outputs);
    EXPECT_EQ(method.HasReturnValue(), c.Return);
    EXPECT_EQ(method.HasParametersWithUserType(), c.UserType);
  }
  EXPECT_EQ(LoadRows("")->Classes(), nullptr);
}

TEST_F(ProxyTest, TextListsSplitOutsideQuotesOnly) {
  EXPECT_EQ(SplitProxyTextList("A, B;;C\r\nD"), (std::vector<std::string>{"A", " B", "C", "D"}));
  EXPECT_EQ(SplitProxyTextList("\"a,b\";'c;d',e"),
            (std::vector<std::string>{"\"a,b\"", "'c;d'", "e"}));
  EXPECT_TRUE(SplitProxyTextList(" ;, ").size() == 2);  // blanks are items; their masks are trimmed
}

// Generates with the Objective-C writer into a folder; returns the names of the files made.
std::vector<std::string> Generate(TDSProxyGenerator& g, const fs::path& folder,
                                  const std::string& unit) {
  std::vector<std::string> made;
  g.TargetDirectory = folder.string();
  g.TargetUnitName = unit;
  g.OnCreatedFiles = [&](const std::vector<std::string>& names) {
    for (const auto& n : names) made.push_back(fs::path(n).filename().string());
  };
  g.Write();
  return made;
}

TEST_F(ProxyTest, OutputFileNamesFollowTheWriterOutputs) {
  TTempFolder folder;
  auto loader = std::make_shared<TTableLoader>(RowsTable(ReadFile(kFixtures / "edge_cases.rows")));
  struct TCase {
    const char* Writer;
    const char* Unit;
    std::vector<std::string> Files;
  } cases[] = {
      {"Objective-C iOS 4.2 REST",
       "serverfunctions.js",
       {"serverfunctions.h", "serverfunctions.m"}},
      {"objective-c ios 4.2 rest", "DSProxy.h", {"DSProxy.h", "DSProxy.m"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Unit);
    TDSProxyGenerator g;
    g.Writer = c.Writer;
    g.MetaDataLoaderIntf = loader;
    EXPECT_EQ(Generate(g, folder.Path(), c.Unit), c.Files);
    for (const auto& f : c.Files) EXPECT_TRUE(fs::exists(folder.Path() / f));
  }
  EXPECT_FALSE(fs::exists(folder.Path() / "serverfunctions.js"));
  // A one-output writer appends its extension only to a name without one.
  TDSProxyGenerator g;
  g.Writer = "C# Silverlight REST";
  std::vector<std::string> names;
  g.OnCreatingFiles = [&](std::vector<std::string>& n, bool& cancel) {
    names = n;
    cancel = true;
  };
  g.TargetDirectory = folder.Path().string();
  for (const char* unit : {"proxy", "proxy.txt"}) {
    g.TargetUnitName = unit;
    g.Write();
    EXPECT_EQ(fs::path(names.at(0)).filename(),
              unit == std::string("proxy") ? "proxy.cs" : "proxy.txt");
  }
}

TEST_F(ProxyTest, GeneratorErrorsCarryTheirMessages) {
  TTempFolder folder;
  // The system's own text for a file in a missing folder ends the message; its wording is the
  // system's ("No such file or directory", "Path not found.").
  fs::path missing = folder.Path() / "missing" / "P.h";
  std::string systemText;
  ASSERT_FALSE(platform::TWritableFile().Create(missing, systemText));
  auto loader = std::make_shared<TTableLoader>(RowsTable("TA|M||string|System|4|26|4\n"));
  struct TCase {
    const char* Writer;
    bool Loader;
    std::string Directory;
    std::string Message;
  } cases[] = {
      {"", true, folder.Path().string(), "Proxy writer not specified"},
      {"Cobol REST", true, folder.Path().string(), "Unknown proxy writer: Cobol REST"},
      {"Objective-C iOS 4.2 REST", false, folder.Path().string(), "No proxy meta data"},
      {"Objective-C iOS 4.2 REST", true, platform::Utf8FromPath(folder.Path() / "missing"),
       "Cannot create file \"" + platform::Utf8FromPath(missing) + "\". " + systemText},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message);
    TDSProxyGenerator g;
    g.Writer = c.Writer;
    if (c.Loader) g.MetaDataLoaderIntf = loader;
    g.TargetDirectory = c.Directory;
    g.TargetUnitName = "P.h";
    try {
      g.Write();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), c.Message);
    }
  }
  TDSProxyGenerator g;
  g.Writer = "Objective-C iOS 4.2 REST";
  g.OnCreatingFiles = [](std::vector<std::string>& names, bool&) {
    for (auto& n : names) n.clear();
  };
  g.TargetUnitName = "P.h";
  EXPECT_THROW(g.Write(), TDSProxyException);  // "Stream not found"
}

std::string WriteObjectiveC(TDSProxyGenerator& g, const std::string& part) {
  TMemoryStream header, implementation;
  std::map<std::string, TStream*> streams{{"interface", &header},
                                          {"implementation", &implementation}};
  g.Writer = "Objective-C iOS 4.2 REST";
  g.WriteToStreams(streams);
  return part == "interface" ? header.Bytes() : implementation.Bytes();
}

TEST_F(ProxyTest, FiltersDecideWhichClassesAndMethodsAppear) {
  auto loader = std::make_shared<TTableLoader>(RowsTable(ReadFile(kFixtures / "edge_cases.rows")));
  struct TCase {
    const char *IncludeClasses, *ExcludeClasses, *IncludeMethods, *ExcludeMethods;
    std::vector<std::string> Present, Absent;
  } cases[] = {
      // the writer's defaults: no DSAdmin, no AS_ methods, unsupported-only and emptied classes
      // left out
      {"",
       "  ",
       "",
       "",
       {"@interface TValues:", "Holder", "@interface TServerMethods2:"},
       {"@interface DSAdmin", "AS_Hidden", "as_lower", "TUnsupported", "TEmptyMethods",
        "WideResult", "RawBytes"}},
      {"TServerMethods2", "T*", "", "", {"@interface TServerMethods2:"}, {"TValues"}},
      // quotes stay part of an item, so a quoted name matches nothing
      {"", "'TValues';\"x,y\";TServer*", "", "", {"@interface TValues"}, {"TServerMethods2"}},
      {"", "", "Echo;Holder", "", {"Echo", "Holder"}, {"NoParams", "AS_Hidden"}},
      {"",
       "",
       "",
       "No*, Json ;Table",
       {"Holder", "AS_Hidden"},
       {"NoParams", "Json:", "-(TDBXReader*) Table"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.IncludeClasses) + "|" + c.ExcludeClasses + "|" + c.IncludeMethods +
                 "|" + c.ExcludeMethods);
    TDSProxyGenerator g;
    g.MetaDataLoaderIntf = loader;
    g.IncludeClasses = c.IncludeClasses;
    g.ExcludeClasses = c.ExcludeClasses;
    g.IncludeMethods = c.IncludeMethods;
    g.ExcludeMethods = c.ExcludeMethods;
    std::string header = WriteObjectiveC(g, "interface");
    for (const auto& s : c.Present) EXPECT_NE(header.find(s), std::string::npos) << s;
    for (const auto& s : c.Absent) EXPECT_EQ(header.find(s), std::string::npos) << s;
  }
}

TEST_F(ProxyTest, UnsupportedDeclarationsStopGenerationAfterWhatWasWritten) {
  TDSProxyGenerator g;
  g.MetaDataLoaderIntf =
      std::make_shared<TTableLoader>(RowsTable(ReadFile(kFixtures / "array_type.rows")));
  TMemoryStream header, implementation;
  std::map<std::string, TStream*> streams{{"interface", &header},
                                          {"implementation", &implementation}};
  g.Writer = "Objective-C iOS 4.2 REST";
  try {
    g.WriteToStreams(streams);
    FAIL();
  } catch (const EDSProxyException& e) {
    EXPECT_STREQ(e.what(), "Unknown param type for System.TArray");
  }
  EXPECT_NE(header.Bytes().find("@interface TArrays:DSAdmin{"), std::string::npos);
  EXPECT_EQ(implementation.Bytes(), "\xEF\xBB\xBF");
}

std::string MaskTimeStamp(const std::string& text) {
  static const std::regex stamp(R"(// \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n)");
  return std::regex_replace(text, stamp, "// <time stamp>\r\n",
                            std::regex_constants::format_first_only);
}

void ExpectGolden(const fs::path& made, const fs::path& golden) {
  std::string text = MaskTimeStamp(ReadFile(made));
  if (std::getenv("QUILLARA_UPDATE_GOLDEN")) test::WriteFile(golden, text);
  EXPECT_EQ(text, ReadFile(golden)) << "differs from " << golden;
}

TEST_F(ProxyTest, ObjectiveCOutputMatchesTheGoldenFiles) {
  TServerUnderTest s;
  TTempFolder folder;
  struct TCase {
    const char* Golden;
    std::shared_ptr<IDSProxyMetaDataLoader> Loader;
  } cases[] = {
      {"server", nullptr},
      {"edge_cases",
       std::make_shared<TTableLoader>(RowsTable(ReadFile(kFixtures / "edge_cases.rows")))},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Golden);
    TDSProxyGenerator g;
    g.Writer = "Objective-C iOS 4.2 REST";
    g.ExcludeClasses = "DSMetadata";
    g.SetMetaDataProvider(&s.provider);
    g.MetaDataLoaderIntf = c.Loader;
    fs::path target = folder.Path() / c.Golden;
    fs::create_directories(target);
    Generate(g, target, "DSProxy.h");
    std::string header = ReadFile(target / "DSProxy.h");
    ASSERT_GT(header.size(), 3u);
    EXPECT_EQ(header.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(header.substr(header.size() - 2), "\r\n");
    EXPECT_EQ(ReadFile(target / "DSProxy.m").substr(0, 24),
              "\xEF\xBB\xBF#import \"DSProxy.h\"\r\n");
    ExpectGolden(target / "DSProxy.h", kFixtures / (std::string(c.Golden) + ".h"));
    ExpectGolden(target / "DSProxy.m", kFixtures / (std::string(c.Golden) + ".m"));
    // Identical metadata gives identical files but for the time stamp.
    std::string first = MaskTimeStamp(ReadFile(target / "DSProxy.h"));
    Generate(g, target, "DSProxy.h");
    EXPECT_EQ(MaskTimeStamp(ReadFile(target / "DSProxy.h")), first);
  }
}

TEST_F(ProxyTest, StreamWritersEncodeAndEndLinesWithCrLf) {
  struct TCase {
    TDSProxyEncoding Encoding;
    std::string Bytes;
  } cases[] = {
      {TDSProxyEncoding::peUTF8,
       "\xEF\xBB\xBF"
       "caff\xC3\xA8 \xE2\x82\xAC\r\n"},
      {TDSProxyEncoding::peUTF8NoBOM, "caff\xC3\xA8 \xE2\x82\xAC\r\n"},
      {TDSProxyEncoding::peAnsi, "caff\xE8 \x80\r\n"},  // Windows-1252, no preamble
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE("encoding " + std::to_string(int(c.Encoding)));
    TMemoryStream stream;
    TDSProxyStreamWriter writer("implementation", c.Encoding, stream);
    writer.Write("caff\xC3\xA8 \xE2\x82\xAC");
    writer.WriteLine();
    EXPECT_EQ(stream.Bytes(), c.Bytes);
  }
  // A stream that already holds text gets no second preamble.
  TMemoryStream stream("x");
  stream.SetPosition(1);
  TDSProxyStreamWriter writer("implementation", TDSProxyEncoding::peUTF8, stream);
  EXPECT_EQ(stream.Bytes(), "x");
}

TEST_F(ProxyTest, LanguageTableMapsArchiveNamesToWriters) {
  TDSProxyGenerator generator;
  TDSProxyDispatcher dispatcher;
  dispatcher.SetDSProxyGenerator(&generator);
  std::map<std::string, std::string> expected = {
      {"java_android", "Java (Android) REST"},
      {"java_blackberry", "Java (Black Berry) REST"},
      {"objectivec_ios42", "Objective-C iOS 4.2 REST"},
      {"csharp_silverlight", "C# Silverlight REST"},
      {"freepascal_ios42", "FreePascal iOS 4.2 REST"},
      {"freepascal_ios50", "FreePascal iOS 5.0 REST"},
      {"Java Script", "Java Script REST"},  // never matched: archive keys are lower-cased
  };
  EXPECT_EQ(dispatcher.LanguageTable(), expected);
  EXPECT_EQ(TDSProxyWriterFactory::RegisteredWritersList().front(), "Java (Android) REST");
}

}  // namespace
}  // namespace quillara
