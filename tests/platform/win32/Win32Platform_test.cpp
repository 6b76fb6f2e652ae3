// The Windows platform layer against the real system calls (run under Wine in CI).
// The registry header first: the system's headers make its root names macros.
#include "platform/TRegistry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/Exceptions.h"
#include "base/TFileFunctions.h"
#include "base/TStream.h"
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
