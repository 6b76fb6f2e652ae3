// The remote methods on real temporary folders.
#include "methods/TServerMethods1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/CodePages.h"
#include "platform/SystemText.h"
#include "platform/TFile.h"
#include "support/TTempFolder.h"

namespace fs = std::filesystem;
using namespace quillara;

namespace {

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

class TServerMethods1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(FRoot / "export");
    fs::create_directories(FRoot / "import");
    Text exportPath = Utf8ToText(platform::Utf8FromPath(FRoot / "export"));
    Text importPath = Utf8ToText(platform::Utf8FromPath(FRoot / "import"));
    TServerMethods1::Folders = [=] { return TMethodFolders{importPath, exportPath}; };
  }
  std::string Message(const std::function<void()>& call) {
    try {
      call();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "no error";
  }
  quillara::testing::TTempFolder FFolder{"quillara-methods-"};
  fs::path FRoot = FFolder.Path();
  TServerMethods1 FMethods;
};

}  // namespace

TEST_F(TServerMethods1Test, SmallMethods) {
  EXPECT_EQ(FMethods.EchoString(u"ciao \u00e8"), u"ciao \u00e8");
  EXPECT_EQ(FMethods.ReverseString(u"abc"), u"cba");
  EXPECT_EQ(FMethods.ReverseString(u""), u"");
  EXPECT_EQ(FMethods.ReverseString(u"a\U0001F600"), Text(u"\xDE00\xD83D"
                                                         u"a"));
  EXPECT_EQ(FMethods.SommaNumeri(2147483647, 1), -2147483648);
  EXPECT_EQ(FMethods.SommaNumeri(-5, 3), -2);
  EXPECT_FALSE(FMethods.SalvaDB(u"t", u"d"));
}

TEST_F(TServerMethods1Test, Listing) {
  EXPECT_EQ(FMethods.ListaFiles494(), u"0");
  for (const char* name : {"a.xml", "b.XML", "a.xml.bak", "axml", "d.xml/c.xml", "sub/e.xml"})
    WriteBytes(FRoot / "export" / name, "<x/>");
  Text list = FMethods.ListaFiles494();
  for (const char16_t* name : {u"{\"nome\":\"a.xml\"}", u"{\"nome\":\"b.XML\"}",
                               u"{\"nome\":\"c.xml\"}", u"{\"nome\":\"e.xml\"}"})
    EXPECT_NE(list.find(name), Text::npos) << TextToUtf8(list);
  EXPECT_EQ(list.find(u"bak"), Text::npos);
  EXPECT_EQ(list.find(u"axml"), Text::npos);
  EXPECT_EQ(list.find(u"\"d.xml\""), Text::npos);
  EXPECT_EQ(list.rfind(u"{\"file\":[", 0), 0u);
  Text missing = Utf8ToText(platform::Utf8FromPath(FRoot / "no" / "such" / "folder"));
  TServerMethods1::Folders = [=] { return TMethodFolders{u"", missing}; };
  EXPECT_EQ(Message([&] { FMethods.ListaFiles494(); }), "The specified path was not found");
}

TEST_F(TServerMethods1Test, ListingStaysInsideTheFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows that a test cannot count on, and "
                  "file names there are UTF-16, never bytes that are not UTF-8";
#endif
  for (const char* name : {"a.xml", "sub/e.xml"}) WriteBytes(FRoot / "export" / name, "<x/>");
  // The search stays inside: a loop of links is searched once, a link out is passed over, and
  // a name no client could send back is left out.
  WriteBytes(FRoot / "secret.xml", "secret");
  fs::create_directory_symlink(FRoot / "export", FRoot / "export" / "sub" / "loop");
  fs::create_directory_symlink(FRoot, FRoot / "export" / "out");
  fs::create_symlink(FRoot / "secret.xml", FRoot / "export" / "s.xml");
  fs::create_symlink(FRoot / "export" / "a.xml", FRoot / "export" / "alias.xml");
  WriteBytes(FRoot / "export" / "\xFF.xml", "<x/>");
  Text list = FMethods.ListaFiles494();
  auto count = [&](const Text& part) {
    size_t n = 0;
    for (size_t at = list.find(part); at != Text::npos; at = list.find(part, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(u"\"a.xml\""), 1u) << TextToUtf8(list);
  EXPECT_EQ(count(u"\"e.xml\""), 1u);
  EXPECT_EQ(count(u"\"alias.xml\""), 1u);
  EXPECT_EQ(count(u"secret"), 0u);
  EXPECT_EQ(count(u"\"s.xml\""), 0u);
  EXPECT_EQ(count(u"\uFFFD"), 0u);
}

TEST_F(TServerMethods1Test, ReadingTextInEveryEncoding) {
  Text expected = u"<a b=\"\u00e8\">\n\tx\\y</a>";
  std::string utf8 = TextToUtf8(expected);
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (char16_t c : expected) {
    le.push_back(char(c & 0xFF));
    le.push_back(char(c >> 8));
    be.push_back(char(c >> 8));
    be.push_back(char(c & 0xFF));
  }
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"utf8.xml", "\xEF\xBB\xBF" + utf8},
      {"le.xml", le},
      {"be.xml", be},
      {"ansi.xml", EncodeText(expected, TCodePage::cpWindows1252)},
  };
  Text json = u"{\"file\":[{\"contenuto\":\"<a b=\\\"\u00e8\\\">\n\tx\\y</a>\"}]}";
  for (const Case& c : cases) {
    WriteBytes(FRoot / "export" / c.name, c.bytes);
    EXPECT_EQ(FMethods.LeggiFile494(Utf8ToText(c.name)), json) << c.name;
  }
  WriteBytes(FRoot / "export" / "empty.xml", "");
  EXPECT_EQ(FMethods.LeggiFile494(u"empty.xml"), u"{\"file\":[{\"contenuto\":\"\"}]}");
  WriteBytes(FRoot / "export" / "bad.xml", "\xEF\xBB\xBF\xC3(");
  EXPECT_EQ(Message([&] { FMethods.LeggiFile494(u"bad.xml"); }),
            "No mapping for the Unicode character exists in the target multi-byte code page");
  EXPECT_EQ(Message([&] { FMethods.LeggiFile494(u"missing.xml"); }),
            "The specified file was not found");
  EXPECT_EQ(Message([&] { FMethods.LeggiFile494(u"a|b.xml"); }), "Invalid characters in path");
  EXPECT_EQ(Message([&] { FMethods.LeggiFile494(u"ab:c.xml"); }),
            "The path format is not supported");
  EXPECT_EQ(Message([&] { FMethods.LeggiFile494(u"nodir/a.xml"); }),
            "The specified path was not found");
  EXPECT_EQ(Message([&] { FMethods.LeggiFile494(Text(300, u'a')); }),
            "The specified path is too long");
}

TEST_F(TServerMethods1Test, PutFile) {
  auto object = [](std::unique_ptr<TJSONValue> value) {
    auto o = std::make_unique<TJSONObject>();
    o->AddPair(u"contenuto", std::move(value));
    return o;
  };
  auto doc = object(std::make_unique<TJSONString>(u"<a b=\"1\">\u00e8</a>"));
  EXPECT_EQ(FMethods.PutFile(u"x.xml", doc.get()), u"OK");
  EXPECT_EQ(ReadBytes(FRoot / "import" / "x.xml"), "\xEF\xBB\xBF<a b=\"1\">\xC3\xA8</a>");
  auto shorter = object(std::make_unique<TJSONString>(u"z"));
  EXPECT_EQ(FMethods.PutFile(u"x.xml", shorter.get()), u"OK");
  EXPECT_EQ(ReadBytes(FRoot / "import" / "x.xml"), "\xEF\xBB\xBFz");
  // any other value: its text form without the first and last character
  auto arr = object(std::make_unique<TJSONArray>(u"p", u"q"));
  EXPECT_EQ(FMethods.PutFile(u"y.xml", arr.get()), u"OK");
  EXPECT_EQ(ReadBytes(FRoot / "import" / "y.xml"), "\xEF\xBB\xBF\"p\",\"q\"");
  auto number = object(std::make_unique<TJSONNumber>(int32_t(123)));
  EXPECT_EQ(FMethods.PutFile(u"n.xml", number.get()), u"OK");
  EXPECT_EQ(ReadBytes(FRoot / "import" / "n.xml"),
            "\xEF\xBB\xBF"
            "2");
  EXPECT_EQ(FMethods.PutFile(u"nodir/x.xml", doc.get()), u"The specified path was not found");
  EXPECT_EQ(FMethods.PutFile(u"a|b.xml", doc.get()), u"Invalid characters in path");
  TJSONObject empty;
  EXPECT_NE(FMethods.PutFile(u"e.xml", &empty), u"OK");
  EXPECT_NE(FMethods.PutFile(u"e.xml", nullptr), u"OK");
  EXPECT_FALSE(fs::exists(FRoot / "import" / "e.xml"));
}

// An unset folder, or one that depends on a current drive or folder, would put the client's name
// at the root of the file system or wherever the server happens to run.
TEST_F(TServerMethods1Test, FolderSettingsThatAreNotFullPaths) {
  WriteBytes(FRoot / "export" / "a.xml", "<x/>");
  auto doc = std::make_unique<TJSONObject>();
  doc->AddPair(u"c", u"x");
  struct {
    const char16_t* Folder;
    std::string Message;
  } cases[] = {
      {u"", "is not set"},
      {u"   ", "is not set"},
      {u"relative\\dir", "is not a full path: relative\\dir"},
      {u"C:relative", "is not a full path: C:relative"},
      {u"%USERPROFILE%\\Import", "is not a full path: %USERPROFILE%\\Import"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Folder));
    Text folder = c.Folder;
    TServerMethods1::Folders = [=] { return TMethodFolders{folder, folder}; };
    EXPECT_EQ(Message([&] { FMethods.ListaFiles494(); }),
              "The folder setting ExportPath " + c.Message);
    EXPECT_EQ(Message([&] { FMethods.LeggiFile494(u"etc/passwd"); }),
              "The folder setting ExportPath " + c.Message);
    EXPECT_EQ(FMethods.GetFile(u"etc/passwd")->ReadRest(),
              "Errore: The folder setting ExportPath " + c.Message);
    EXPECT_EQ(TextToUtf8(FMethods.PutFile(u"x.txt", doc.get())),
              "The folder setting ImportPath " + c.Message);
  }
}

TEST_F(TServerMethods1Test, GetFile) {
  WriteBytes(FRoot / "export" / "f.bin", std::string("\x00\x01\xFFraw", 6));
  auto stream = FMethods.GetFile(u"f.bin");
  EXPECT_EQ(stream->ReadRest(), std::string("\x00\x01\xFFraw", 6));
  // The message names the path as the client's name makes it, with the system's own text for
  // the failure ("No such file or directory" here, "File not found." on Windows).
  auto systemText = [](const fs::path& file) {
    platform::TFileResult result;
    int64_t size = 0;
    EXPECT_FALSE(platform::OpenForStreaming(file, true, size, result).Valid());
    return platform::FileErrorText(result.Error);
  };
  fs::path missing = FRoot / "export" / "missing.xml";
  EXPECT_EQ(FMethods.GetFile(u"missing.xml")->ReadRest(), "Errore: Cannot open file \"" +
                                                              platform::Utf8FromPath(missing) +
                                                              "\". " + systemText(missing));
  // only regular files are streamed: a folder has no content, a pipe would block the call
  fs::path folder = FRoot / "export" / "Sub";
  fs::create_directories(folder);
  EXPECT_EQ(
      FMethods.GetFile(u"Sub")->ReadRest(),
      "Errore: Cannot open file \"" + platform::Utf8FromPath(folder) + "\". " + systemText(folder));
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((FRoot / "export" / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(FMethods.GetFile(u"pipe")->ReadRest(), "Errore: Cannot open file \"" +
                                                       (FRoot / "export").string() +
                                                       "/pipe\". The file is not a regular file");
#endif
}

// Names outside ASCII reach the file system as the same characters, listed, read, streamed and
// written.
TEST_F(TServerMethods1Test, NamesOutsideAscii) {
  const std::string name = "Citt\xC3\xA0 \xE2\x82\xAC.xml";
  const Text text = Utf8ToText(name);
  WriteBytes(FRoot / "export" / platform::PathFromUtf8(name), "\xEF\xBB\xBF<a>\xC3\xA8</a>");
  EXPECT_EQ(FMethods.ListaFiles494(), u"{\"file\":[{\"nome\":\"" + text + u"\"}]}");
  EXPECT_EQ(FMethods.LeggiFile494(text), u"{\"file\":[{\"contenuto\":\"<a>\u00e8</a>\"}]}");
  EXPECT_EQ(FMethods.GetFile(text)->ReadRest(), "\xEF\xBB\xBF<a>\xC3\xA8</a>");
  TJSONObject doc;
  doc.AddPair(u"contenuto", u"<b/>");
  EXPECT_EQ(FMethods.PutFile(text, &doc), u"OK");
  EXPECT_EQ(ReadBytes(FRoot / "import" / platform::PathFromUtf8(name)), "\xEF\xBB\xBF<b/>");
}

TEST_F(TServerMethods1Test, NamesThatLeaveTheFolderAreRefused) {
  WriteBytes(FRoot / "secret.xml", "secret");
  WriteBytes(FRoot / "export" / "sub" / "ok.xml", "fine");
  auto doc = std::make_unique<TJSONObject>();
  doc->AddPair(u"c", u"x");
  // Symbolic links need a privilege on Windows that a test cannot count on: the cases of links
  // run on Linux only.
  bool links = true;
#ifdef _WIN32
  links = false;
#endif
  for (const char* folder : {"export", "import"}) {
    if (!links) break;
    fs::create_directory_symlink(FRoot, FRoot / folder / "out");
    fs::create_symlink(FRoot / "secret.xml", FRoot / folder / "link.xml");
    fs::create_directory_symlink(FRoot / (folder == std::string("export") ? "import" : "export"),
                                 FRoot / folder / "other");
  }
  const std::string inside = "The file name must name a file inside the folder: ";
  struct TCase {
    const char16_t* Name;
    std::string Message;
    bool Link = false;
  };
  std::vector<TCase> cases = {
      {u"../secret.xml", inside + "../secret.xml"},
      {u"..\\secret.xml", inside + "..\\secret.xml"},
      {u"sub/../../secret.xml", inside + "sub/../../secret.xml"},
      {u"out/secret.xml", inside + "out/secret.xml", true},  // links that lead out are not followed
      {u"link.xml", inside + "link.xml", true},
      {u"other/x.xml", inside + "other/x.xml", true},
      {u"C:\\x.xml", "The path format is not supported"},
      {u"a:b", "The path format is not supported"},
      {u"a\x01.xml", "Invalid characters in path"},
  };
  if (!links) std::erase_if(cases, [](const TCase& c) { return c.Link; });
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    EXPECT_EQ(Message([&] { FMethods.LeggiFile494(c.Name); }), c.Message);
    EXPECT_EQ(TextToUtf8(FMethods.PutFile(c.Name, doc.get())), c.Message);
    EXPECT_EQ(FMethods.GetFile(c.Name)->ReadRest(), "Errore: " + c.Message);
  }
  EXPECT_FALSE(fs::exists(FRoot / "export" / "x.xml"));
  EXPECT_FALSE(fs::exists(FRoot / "x.xml"));
  EXPECT_EQ(ReadBytes(FRoot / "secret.xml"), "secret");
  EXPECT_EQ(FMethods.GetFile(u"sub/ok.xml")->ReadRest(), "fine");  // subfolders inside still work
}

TEST_F(TServerMethods1Test, ProductList) {
#ifdef _WIN32
  GTEST_SKIP() << "the exporter and its list have fixed places on drive C: that a unit test must "
                  "not write; the acceptance tests run the exporter's stand-in in a fresh prefix";
#else
  fs::path prefix = FRoot / "prefix";
  fs::path json = prefix / "drive_c/orsolan/Pellandro/STIVALO/json";
  fs::create_directories(json);
  ::setenv("WINEPREFIX", prefix.c_str(), 1);
  // the exporter: a script that writes the list beside it
  // found without regard to letter case from c:\orsolan\pellandro\stivalo\stivalo.exe
  fs::path exporter = prefix / "drive_c/orsolan/Pellandro/STIVALO/Stivalo.exe";
  auto writeExporter = [&](const std::string& content) {
    std::ofstream(exporter) << "#!/bin/sh\nprintf '%s' '" << content << "' > json/prodotti.json\n";
    fs::permissions(exporter, fs::perms::owner_all);
  };
  writeExporter("{ \"a\" : [1, \"x\\/y\", \"\\u00E9\"] ,\n \"b\": \"\xC3\xA9\" }\n");
  WriteBytes(json / "prodotti.json", "{\"stale\":true}");
  EXPECT_EQ(FMethods.ListaProdotti(), u"{\"a\":[1,\"x/y\",\"\u00e9\"],\"b\":\"??\"}");
  EXPECT_FALSE(fs::exists(json / "prodotti.json"));

  writeExporter("[1,2]");
  EXPECT_EQ(Message([&] { FMethods.ListaProdotti(); }), "Invalid class typecast");
  EXPECT_TRUE(fs::exists(json / "prodotti.json"));

  writeExporter("{\"not\": json");
  EXPECT_EQ(Message([&] { FMethods.ListaProdotti(); }), "The product list is not valid JSON");

  // a pause in the middle of writing is not the end of the list
  std::ofstream(exporter) << "#!/bin/sh\nprintf '{\"a\":' > json/prodotti.json\nsleep 1.3\n"
                          << "printf '[1]}' >> json/prodotti.json\n";
  EXPECT_EQ(FMethods.ListaProdotti(), u"{\"a\":[1]}");

  std::ofstream(exporter) << "#!/bin/sh\nexit 0\n";
  EXPECT_EQ(Message([&] { FMethods.ListaProdotti(); }),
            "The product list exporter ended without writing the product list");

  std::ofstream(exporter) << "#!/bin/sh\nsleep 2\n";
  TServerMethods1::ProductListTimeout = std::chrono::milliseconds(300);
  EXPECT_EQ(Message([&] { FMethods.ListaProdotti(); }),
            "The product list was not written by the exporter in time");
  TServerMethods1::ProductListTimeout = std::chrono::milliseconds(60000);

  fs::remove(exporter);
  EXPECT_EQ(Message([&] { FMethods.ListaProdotti(); }),
            "The product list exporter could not be started: "
            "c:\\orsolan\\pellandro\\stivalo\\stivalo.exe");
  ::unsetenv("WINEPREFIX");
#endif
}
