// The Windows platform layer against the real system calls (run under Wine in CI).
// The registry header first: the system's headers make its root names macros.
#include "platform/TRegistry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/TFileFunctions.h"
#include "base/TStream.h"
#include "platform/SystemText.h"
#include "platform/TFile.h"
#include "platform/TSystem.h"

namespace {
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
}  // namespace
#undef HKEY_LOCAL_MACHINE
#undef HKEY_CURRENT_USER

using namespace quillara;
namespace fs = std::filesystem;
using platform::TRegistry;
using platform::TRegRoot;

namespace {

// A key written through the registry calls in the chosen view, removed again at the end.
class TTestKey {
 public:
  TTestKey(HKEY root, const wchar_t* path, REGSAM view) : FRoot(root), FPath(path), FView(view) {
    EXPECT_EQ(::RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &FKey,
                                nullptr),
              ERROR_SUCCESS);
  }
  ~TTestKey() {
    ::RegCloseKey(FKey);
    ::RegDeleteKeyExW(FRoot, FPath.c_str(), FView, 0);
  }
  void Set(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    EXPECT_EQ(::RegSetValueExW(FKey, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  void SetText(const wchar_t* name, DWORD type, const std::wstring& text) {
    Set(name, type, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
  }

 private:
  HKEY FRoot;
  std::wstring FPath;
  REGSAM FView;
  HKEY FKey{};
};

}  // namespace

TEST(Win32Registry, ReadsStringValuesOfTheOpenedKey) {
  TTestKey key(kUser, L"Software\\QuillaraTest\\Values", KEY_WOW64_32KEY);
  key.SetText(L"Plain", REG_SZ, L"C:\\Brontal\\Export");
  key.SetText(L"Expandable", REG_EXPAND_SZ, L"%TEMP%\\import");
  key.Set(L"WithNul", REG_SZ, L"before\0after", sizeof L"before\0after");
  key.Set(L"Empty", REG_SZ, L"", 0);
  DWORD number = 7;
  key.Set(L"Number", REG_DWORD, &number, sizeof number);

  TRegistry registry;
  registry.SetRootKey(TRegRoot::HKEY_CURRENT_USER);
  EXPECT_TRUE(registry.KeyExists(u"\\Software\\QuillaraTest\\Values"));
  EXPECT_FALSE(registry.KeyExists(u"\\Software\\QuillaraTest\\Missing"));
  std::u16string text = u"unchanged";
  EXPECT_EQ(registry.ReadString(u"Plain", text), TRegistry::TReadStatus::rsOk);  // no current key
  EXPECT_EQ(text, u"");
  ASSERT_TRUE(registry.OpenKey(u"\\SOFTWARE\\quillaratest\\values"));
  EXPECT_FALSE(registry.OpenKey(u"\\Software\\QuillaraTest\\Missing"));  // the current key stays

  struct TCase {
    const char16_t* name;
    TRegistry::TReadStatus status;
    const char16_t* text;
  } cases[] = {
      {u"Plain", TRegistry::TReadStatus::rsOk, u"C:\\Brontal\\Export"},
      {u"Expandable", TRegistry::TReadStatus::rsOk, u"%TEMP%\\import"},  // never expanded
      {u"WithNul", TRegistry::TReadStatus::rsOk, u"before"},
      {u"Empty", TRegistry::TReadStatus::rsOk, u""},
      {u"Absent", TRegistry::TReadStatus::rsOk, u""},
      {u"Number", TRegistry::TReadStatus::rsWrongType, u""},
  };
  for (const TCase& c : cases) {
    text = u"unchanged";
    EXPECT_EQ(registry.ReadString(c.name, text), c.status) << TextToUtf8(c.name);
    EXPECT_EQ(text, c.text) << TextToUtf8(c.name);
  }
}

TEST(Win32Registry, MachineKeysAreSeenInTheThirtyTwoBitView) {
  TTestKey wow(kMachine, L"Software\\QuillaraTest32", KEY_WOW64_32KEY);
  TTestKey native(kMachine, L"Software\\QuillaraTest64", KEY_WOW64_64KEY);
  TRegistry registry;
  registry.SetRootKey(TRegRoot::HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(registry.KeyExists(u"\\SOFTWARE\\QuillaraTest32"));
  EXPECT_FALSE(registry.KeyExists(u"\\SOFTWARE\\QuillaraTest64"));
}

class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    FFolder = fs::path(temp) / ("quillara-win32-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(FFolder);
    FFile = FFolder / "data.txt";
    WriteAllText(Full(FFile), u"first");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(FFolder, ec);
  }
  static Text Full(const fs::path& p) { return Utf8ToText(p.string()); }
  HANDLE Hold(DWORD access, DWORD share) {
    return ::CreateFileW(FFile.c_str(), access, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  fs::path FFolder;
  fs::path FFile;
};

TEST_F(Win32Files, ReadingAndWritingAreWithoutSharing) {
  EXPECT_EQ(ReadAllText(Full(FFile)), u"first");
  // Whoever holds the file, however it shares it, keeps both out.
  struct TCase {
    DWORD access;
    DWORD share;
  } holders[] = {{GENERIC_WRITE, 0},
                 {GENERIC_READ, FILE_SHARE_READ},
                 {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE}};
  for (const TCase& c : holders) {
    HANDLE holder = Hold(c.access, c.share);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_THROW(ReadAllText(Full(FFile)), EFOpenError) << c.access << " " << c.share;
    EXPECT_THROW(WriteAllText(Full(FFile), u"second"), EFCreateError) << c.access << " " << c.share;
    ::CloseHandle(holder);
  }
  {
    TFileStream download(FFile.string());  // a download's stream shares with everyone
    HANDLE writer = Hold(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    ::CloseHandle(writer);
    EXPECT_THROW(ReadAllText(Full(FFile)), EFOpenError);
  }
  WriteAllText(Full(FFile), u"second");
  EXPECT_EQ(ReadAllText(Full(FFile)), u"second");
  // no temporary file left beside it
  EXPECT_EQ(std::distance(fs::directory_iterator(FFolder), fs::directory_iterator()), 1);
}

TEST_F(Win32Files, StreamsReadRegularFilesOnly) {
  TFileStream stream(FFile.string());
  EXPECT_EQ(stream.Size(), 8);  // byte-order mark and "first"
  stream.SetStart(3);
  EXPECT_EQ(stream.ReadRest(), "first");
  try {
    TFileStream folder(FFolder.string());
    FAIL() << "a folder opened";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + FFolder.string() + "\". ", 0), 0u)
        << e.what();
  }
  EXPECT_THROW(TFileStream((FFolder / "missing.txt").string()), EFOpenError);
}

TEST(Win32System, HTTPDateFormsReadLikeTheCLibraryReadsThem) {
  struct TCase {
    const char* text;
    const char* format;
    std::time_t expected;  // -1: refused
  } cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", "%a, %d %b %Y %H:%M:%S GMT", 784111777},
      {"Sunday, 06-Nov-94 08:49:37 GMT", "%A, %d-%b-%y %H:%M:%S GMT", 784111777},
      {"Sun Nov  6 08:49:37 1994", "%a %b %d %H:%M:%S %Y", 784111777},
      {"sun, 06 NOV 1994 08:49:37 gmt", "%a, %d %b %Y %H:%M:%S GMT", 784111777},
      {"Thu, 01 Jan 1970 00:00:00 GMT", "%a, %d %b %Y %H:%M:%S GMT", 0},
      {"Sun, 06 Nov 1994 25:49:37 GMT", "%a, %d %b %Y %H:%M:%S GMT", -1},
      {"Sun, 06 Foo 1994 08:49:37 GMT", "%a, %d %b %Y %H:%M:%S GMT", -1},
      {"06 Nov 1994", "%a, %d %b %Y %H:%M:%S GMT", -1},
  };
  for (const TCase& c : cases) {
    std::tm tm{};
    const char* end = platform::ParseTime(c.text, c.format, tm);
    if (c.expected < 0) {
      EXPECT_TRUE(end == nullptr || *end != '\0') << c.text;
      continue;
    }
    ASSERT_TRUE(end != nullptr && *end == '\0') << c.text;
    EXPECT_EQ(platform::UtcTime(tm), c.expected) << c.text;
  }
}

TEST(Win32System, ExecutableFolderAndRandomBytes) {
  wchar_t name[MAX_PATH];
  ::GetModuleFileNameW(nullptr, name, MAX_PATH);
  EXPECT_EQ(platform::ExecutableFolder(), fs::path(name).parent_path());
  uint64_t a = 0, b = 0;
  EXPECT_TRUE(platform::SecureRandom(&a, sizeof a));
  EXPECT_TRUE(platform::SecureRandom(&b, sizeof b));
  EXPECT_NE(a, b);
  uint32_t address = 0;
  EXPECT_TRUE(platform::LookupHostIPv4(address));
}

// UTF-8 names reach the file system as the same characters, and come back from it unchanged.
TEST_F(Win32Files, NamesOutsideTheAnsiCodePage) {
  struct TCase {
    const char* Utf8;
    const wchar_t* Wide;
  } cases[] = {
      {"Citt\xC3\xA0 \xE2\x82\xAC.txt", L"Citt\u00E0 \u20AC.txt"},
      {"\xCE\xA9\xE2\x88\x9E \xF0\x9F\x98\x80.txt", L"\u03A9\u221E \U0001F600.txt"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Utf8);
    EXPECT_EQ(platform::PathFromUtf8(c.Utf8).native(), c.Wide);
    EXPECT_EQ(platform::Utf8FromPath(fs::path(c.Wide)), c.Utf8);
    Text full = Full(FFolder) + u"\\" + Utf8ToText(c.Utf8);
    WriteAllText(full, u"x");
    EXPECT_NE(::GetFileAttributesW((FFolder / c.Wide).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadAllText(full), u"x");
    TFileStream stream(platform::Utf8FromPath(FFolder / c.Wide));
    EXPECT_EQ(stream.ReadRest(), "\xEF\xBB\xBFx");
    std::vector<Text> found = FindFiles(Full(FFolder), Utf8ToText(c.Utf8));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], Utf8ToText(c.Utf8));
  }
}

// The ANSI code page is the system's, converted by the system without best-fit guesses: a
// character it cannot hold becomes "?".
TEST(Win32System, AnsiCodePageIsTheSystems) {
  EXPECT_EQ(platform::AnsiCodePage(), ::GetACP());
  for (const char16_t* text : {u"plain", u"\u00E8\u20AC\u00FF", u"\u03A9\u221E\u0100", u""}) {
    std::u16string t = text;
    const auto* wide = reinterpret_cast<const wchar_t*>(t.data());
    std::string bytes(t.size() * 4, '\0');
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, int(t.size()), bytes.data(),
                                  int(bytes.size()), nullptr, nullptr);
    bytes.resize(size_t(n));
    EXPECT_EQ(EncodeText(t, kAnsiCodePage), bytes) << TextToUtf8(t);
    std::wstring back(bytes.size(), L'\0');
    n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), back.data(),
                              int(back.size()));
    back.resize(size_t(n));
    EXPECT_EQ(DecodeBytes(bytes, kAnsiCodePage), std::u16string(back.begin(), back.end()));
  }
  if (::GetACP() == 1252) {
    EXPECT_EQ(EncodeText(u"\u00E8\u20AC\u221E\u0100", kAnsiCodePage), "\xE8\x80??");
    EXPECT_EQ(DecodeBytes("\xE8\x80\x81", kAnsiCodePage), u"\u00E8\u20AC\u0081");
  }
}
