#include "app/TDataFolders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Exceptions.h"

namespace fs = std::filesystem;
using namespace quillara;

namespace {

const fs::path kPrefixes = fs::path(QUILLARA_FIXTURES) / "prefixes";

TDataFolderSettings ReadFrom(TDataFolders& folders, const char* prefix) {
  platform::TRegistry registry(kPrefixes / prefix);
  folders.ReadFromRegistry(registry);
  return folders.Current();
}

}  // namespace

TEST(TDataFolders, LookupOrder) {
  struct Case {
    const char* prefix;
    const char16_t* importPath;
    const char16_t* exportPath;
    const char16_t* settingsKey;
  } cases[] = {
      // first existing key under the local machine wins; the user hive is not consulted
      {"win64", u"C:\\Brontal\\Import", u"C:\\Brontal\\Export",
       u"\\SOFTWARE\\Tavernis\\Brontal 2014"},
      // an existing 2015 key without values stops the machine pass; the user pass decides
      {"hklm-empty-2015", u"D:\\Utente\\Importa", u"D:\\Utente\\Esporta",
       u"\\SOFTWARE\\Tavernis\\Brontal 2013"},
      {"user-only", u"C:\\Dati\\Entrata", u"C:\\Dati\\Uscita \u00e8 qui",
       u"\\SOFTWARE\\Tavernis\\Brontal 2013"},
      {"malformed", u"C:\\Good\\Import", u"C:\\Out", u"\\SOFTWARE\\Tavernis\\Brontal 2014"},
  };
  for (const Case& c : cases) {
    TDataFolders folders;
    TDataFolderSettings s = ReadFrom(folders, c.prefix);
    EXPECT_EQ(s.ImportPath, c.importPath) << c.prefix;
    EXPECT_EQ(s.ExportPath, c.exportPath) << c.prefix;
    EXPECT_EQ(s.SettingsKey, c.settingsKey) << c.prefix;
  }
}

TEST(TDataFolders, NothingFoundKeepsTheEarlierValues) {
  TDataFolders folders;
  ReadFrom(folders, "win64");
  TDataFolderSettings s = ReadFrom(folders, "does-not-exist");
  EXPECT_EQ(s.ImportPath, u"C:\\Brontal\\Import");
  EXPECT_EQ(s.ExportPath, u"C:\\Brontal\\Export");
}

TEST(TDataFolders, WrongTypeStopsAfterTheImportPath) {
  TDataFolders folders;
  ReadFrom(folders, "win64");
  try {
    ReadFrom(folders, "wrong-type");
    ADD_FAILURE() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'ExportPath'");
  }
  TDataFolderSettings s = folders.Current();
  EXPECT_EQ(s.ImportPath, u"C:\\Import");
  EXPECT_EQ(s.ExportPath, u"C:\\Brontal\\Export");
}
