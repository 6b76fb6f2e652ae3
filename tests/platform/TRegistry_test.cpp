#include "platform/TRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TTempFolder.h"

namespace fs = std::filesystem;
using namespace quillara::platform;

namespace {

const fs::path kPrefixes = fs::path(QUILLARA_FIXTURES) / "prefixes";

std::u16string Read(TRegistry& r, const char16_t* name,
                    TRegistry::TReadStatus expected = TRegistry::TReadStatus::rsOk) {
  std::u16string text;
  EXPECT_EQ(r.ReadString(name, text), expected);
  return text;
}

}  // namespace

TEST(TRegistry, Win64PrefixReadsTheThirtyTwoBitView) {
  TRegistry r(kPrefixes / "win64");
  EXPECT_FALSE(r.KeyExists(u"\\SOFTWARE\\Tavernis\\Brontal 2015"));
  EXPECT_TRUE(r.KeyExists(u"\\software\\TAVERNIS\\brontal 2014"));
  EXPECT_TRUE(r.KeyExists(u"\\SOFTWARE\\Tavernis"));  // ancestors of a stored key exist too
  ASSERT_TRUE(r.OpenKey(u"\\SOFTWARE\\Tavernis\\Brontal 2014"));
  EXPECT_EQ(Read(r, u"importpath"), u"C:\\Brontal\\Import");
  EXPECT_EQ(Read(r, u"ExportPath"), u"C:\\Brontal\\Export");
  // The current user's hive is never redirected.
  r.SetRootKey(TRegRoot::HKEY_CURRENT_USER);
  EXPECT_FALSE(r.HasCurrentKey());
  EXPECT_TRUE(r.KeyExists(u"\\SOFTWARE\\Tavernis\\Brontal 2013"));
}

TEST(TRegistry, ValueKinds) {
  TRegistry r(kPrefixes / "expandable");
  ASSERT_TRUE(r.OpenKey(u"\\SOFTWARE\\Tavernis\\Brontal 2015"));
  EXPECT_EQ(Read(r, u"ImportPath"), u"%USERPROFILE%\\Import");  // no expansion
  EXPECT_EQ(Read(r, u"ExportPath"), u"");
  EXPECT_EQ(Read(r, u"Missing"), u"");
  Read(r, u"Binary", TRegistry::TReadStatus::rsWrongType);
}

TEST(TRegistry, EscapesAndHexStrings) {
  TRegistry user(kPrefixes / "user-only");
  user.SetRootKey(TRegRoot::HKEY_CURRENT_USER);
  ASSERT_TRUE(user.OpenKey(u"\\SOFTWARE\\Tavernis\\Brontal 2013"));
  EXPECT_EQ(Read(user, u"ExportPath"), u"C:\\Dati\\Uscita \u00e8 qui");

  TRegistry bad(kPrefixes / "malformed");
  EXPECT_FALSE(bad.KeyExists(u"\\SOFTWARE\\Tavernis\\Broken"));
  ASSERT_TRUE(bad.OpenKey(u"\\SOFTWARE\\Tavernis\\Brontal 2014"));
  EXPECT_EQ(Read(bad, u"ImportPath"), u"C:\\Good\\Import");
  EXPECT_EQ(Read(bad, u"ExportPath"), u"C:\\Out");  // hex(2) up to its NUL
}

TEST(TRegistry, MissingOrUnreadableHives) {
  TRegistry none(kPrefixes / "does-not-exist");
  EXPECT_FALSE(none.KeyExists(u"\\SOFTWARE"));
  EXPECT_FALSE(none.OpenKey(u"\\SOFTWARE"));
  EXPECT_EQ(Read(none, u"ImportPath"), u"");

  quillara::testing::TTempFolder folder("quillara-reg-");
  fs::path dir = folder.Path();
  std::ofstream(dir / "system.reg") << "REGEDIT4\n[Software\\\\Tavernis\\\\Brontal 2015]\n";
  TRegistry wrongHeader(dir);
  EXPECT_FALSE(wrongHeader.KeyExists(u"\\SOFTWARE\\Tavernis\\Brontal 2015"));
}

// A hive the user may read but not write: the key exists, opening it with full access fails
// silently and the current key stays as it was.
TEST(TRegistry, ReadOnlyHiveRefusesFullAccess) {
  quillara::testing::TTempFolder folder("quillara-reg-");
  fs::path dir = folder.Path();
  fs::copy_file(kPrefixes / "hklm-empty-2015" / "system.reg", dir / "system.reg");
  fs::permissions(dir / "system.reg",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  TRegistry r(dir);
  EXPECT_TRUE(r.KeyExists(u"\\SOFTWARE\\Tavernis\\Brontal 2014"));
  EXPECT_FALSE(r.OpenKey(u"\\SOFTWARE\\Tavernis\\Brontal 2014"));
  EXPECT_FALSE(r.HasCurrentKey());
  EXPECT_EQ(Read(r, u"ImportPath"), u"");
}
