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

// The hive's text escapes: "\x" takes up to four hexadecimal digits of either case, and UTF-8
// beyond U+FFFF becomes a surrogate pair.
TEST(TRegistry, HexEscapesAndCharactersBeyondTheBasicPlane) {
  struct Case {
    const char* name;
    const char* data;  // as written in the hive, after "="
    std::u16string text;
  } cases[] = {
      {"Letter", R"("a\x41")", u"aA"},
      {"FourDigits", R"("\x41b")", u"\u041b"},  // the "b" is a fourth digit too
      {"StopsAtFour", R"("\x4F60A")", u"\u4f60A"},
      {"MixedCase", R"("\xaB;\xAb")", u"\u00ab;\u00ab"},
      {"NoDigits", R"("\xg")", u"xg"},
      {"DigitsEndEarly", R"("\x7/")", u"\u0007/"},
      {"Emoji", "\"\xF0\x9F\x98\x80!\"", u"\U0001F600!"},
      {"LastPlane", "\"\xF4\x8F\xBF\xBF\"", u"\U0010FFFF"},
      {"HexText", "hex(1):41,00,62,00,00,00", u"Ab"},
      {"HexTextUpper", "hex(2):4A,00,4b,00,00,00", u"JK"},
  };
  fs::path dir = fs::temp_directory_path() / "quillara-reg-escapes";
  fs::remove_all(dir);
  fs::create_directories(dir);
  {
    std::ofstream hive(dir / "system.reg", std::ios::binary);
    hive << "WINE REGISTRY Version 2\n[Software\\\\Escapes] 1700000000\n";
    for (const Case& c : cases) hive << '"' << c.name << "\"=" << c.data << "\n";
    hive << "\"Number\"=dword:0000beEF\n\"NotANumber\"=dword:0000001g\n";
  }
  TRegistry r(dir);
  ASSERT_TRUE(r.OpenKey(u"\\SOFTWARE\\Escapes"));
  for (const Case& c : cases) {
    std::u16string name(c.name, c.name + std::char_traits<char>::length(c.name));
    EXPECT_EQ(Read(r, name.c_str()), c.text) << c.name << "=" << c.data;
  }
  // A number is no text; a number with a letter beyond "f" is no value at all.
  Read(r, u"Number", TRegistry::TReadStatus::rsWrongType);
  EXPECT_EQ(Read(r, u"NotANumber"), u"");
  fs::remove_all(dir);
}
