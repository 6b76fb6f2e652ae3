// Zip archives of a folder, read back field by field and by independent readers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>

#include "ProxyTestSupport.h"
#include "platform/SystemText.h"
#include "platform/TFileSystem.h"
#include "proxy/TZipFile.h"

namespace quillara {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TTempFolder;
using test::WriteFile;

uint32_t U16(const std::string& s, size_t at) {
  return uint8_t(s[at]) | uint32_t(uint8_t(s[at + 1])) << 8;
}
uint32_t U32(const std::string& s, size_t at) {
  return U16(s, at) | U16(s, at + 2) << 16;
}

std::string RawInflate(const std::string& data, size_t size) {
  std::string out(size, '\0');
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  int status = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  EXPECT_EQ(status, Z_STREAM_END);
  EXPECT_EQ(z.avail_out, 0u);
  return out;
}

struct TSourceFile {
  std::string Name;
  std::string Content;
  bool Before1980 = false;
};

// Mixed text and noise, so deflate has work of both kinds.
std::string MixedBytes(size_t size, uint32_t seed) {
  std::string s;
  s.reserve(size);
  while (s.size() < size) {
    seed = seed * 1103515245u + 12345u;
    if ((seed >> 16) % 3 == 0)
      s +=
          "@interface TServerMethods1:DSAdmin{ } -(NSString *) EchoString: (NSString *) value;\r\n";
    else
      for (int i = 0; i < 64; ++i) s.push_back(char((seed = seed * 1664525u + 1013904223u) >> 24));
  }
  s.resize(size);
  return s;
}

void SetTime(const fs::path& p, int year) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = 5;
  t.tm_mday = 15;
  t.tm_hour = 12;
  t.tm_isdst = -1;
  auto sys = std::chrono::system_clock::from_time_t(std::mktime(&t));
  fs::last_write_time(p, std::chrono::file_clock::from_sys(sys));
}

TEST(ZipTest, ArchiveFieldsAndDataReadBackExactly) {
  TTempFolder folder;
  fs::path src = folder.Path() / "src";
  std::vector<TSourceFile> files = {
      {"DSProxy.h", MixedBytes(20000, 1)},
      {"lib/DSAdmin.h", "#import \"DSRESTClient.h\"\n"},
      {"lib/deeper/more.m", MixedBytes(300000, 2)},
      {"Citt\xC3\xA0 \xE2\x82\xAC.txt", "non-ASCII name"},
      {"zero.txt", ""},
      {".hidden", "dot file"},
      {"old.txt", "before 1980", true},
  };
  fs::create_directories(src / "lib" / "deeper");
  fs::create_directories(src / "empty" / "inner");
  for (const auto& f : files) {
    WriteFile(src / platform::PathFromUtf8(f.Name), f.Content);
    SetTime(src / platform::PathFromUtf8(f.Name), f.Before1980 ? 1979 : 2024);
  }
  fs::path zip = folder.Path() / "out.zip";
  ASSERT_TRUE(
      TDSProxyUtils::CompressDirectory(platform::Utf8FromPath(src), platform::Utf8FromPath(zip)));
  EXPECT_TRUE(TDSProxyUtils::IsValidZipFile(platform::Utf8FromPath(zip)));
  std::string z = ReadFile(zip);

  size_t end = z.size() - 22;
  ASSERT_EQ(U32(z, end), 0x06054b50u);
  EXPECT_EQ(U16(z, end + 4), 0u);
  EXPECT_EQ(U16(z, end + 6), 0u);
  ASSERT_EQ(U16(z, end + 8), files.size());
  EXPECT_EQ(U16(z, end + 10), files.size());
  uint32_t cdSize = U32(z, end + 12), cdStart = U32(z, end + 16);
  EXPECT_EQ(cdStart + cdSize, end);
  EXPECT_EQ(U16(z, end + 20), 0u);

  std::map<std::string, const TSourceFile*> expected;
  for (const auto& f : files) expected[f.Name] = &f;
  size_t at = cdStart, nextLocal = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    ASSERT_EQ(U32(z, at), 0x02014b50u);
    uint32_t nameLength = U16(z, at + 28);
    std::string name = z.substr(at + 46, nameLength);
    SCOPED_TRACE(name);
    ASSERT_TRUE(expected.count(name));
    const TSourceFile& f = *expected[name];
    uint32_t crc = uint32_t(
        crc32(0, reinterpret_cast<const Bytef*>(f.Content.data()), uInt(f.Content.size())));
    uint32_t dosTime =
        f.Before1980 ? 0
                     : platform::LocalDosDateTime(
                           platform::LastWriteTime(src / platform::PathFromUtf8(name))->Seconds);
    EXPECT_NE(f.Before1980, dosTime != 0);
    // central header
    EXPECT_EQ(U16(z, at + 4), 20u);
    EXPECT_EQ(U16(z, at + 6), 20u);
    EXPECT_EQ(U16(z, at + 8), 0x0800u);
    EXPECT_EQ(U16(z, at + 10), 8u);
    EXPECT_EQ(U32(z, at + 12), dosTime);
    EXPECT_EQ(U32(z, at + 16), crc);
    uint32_t csize = U32(z, at + 20);
    EXPECT_EQ(U32(z, at + 24), f.Content.size());
    for (size_t field : {30, 32, 34, 36}) EXPECT_EQ(U16(z, at + field), 0u);
    EXPECT_EQ(U32(z, at + 38), 0u);
    uint32_t local = U32(z, at + 42);
    EXPECT_EQ(local, nextLocal);  // entries follow each other directly
    // local header, completed in place
    ASSERT_EQ(U32(z, local), 0x04034b50u);
    EXPECT_EQ(U16(z, local + 4), 20u);
    EXPECT_EQ(U16(z, local + 6), 0x0800u);
    EXPECT_EQ(U16(z, local + 8), 8u);
    EXPECT_EQ(U32(z, local + 10), dosTime);
    EXPECT_EQ(U32(z, local + 14), crc);
    EXPECT_EQ(U32(z, local + 18), csize);
    EXPECT_EQ(U32(z, local + 22), f.Content.size());
    EXPECT_EQ(U16(z, local + 26), nameLength);
    EXPECT_EQ(U16(z, local + 28), 0u);
    EXPECT_EQ(z.substr(local + 30, nameLength), name);
    size_t data = local + 30 + nameLength;
    EXPECT_EQ(RawInflate(z.substr(data, csize), f.Content.size()), f.Content);
    nextLocal = data + csize;
    at += 46 + nameLength;
  }
  EXPECT_EQ(nextLocal, cdStart);
  EXPECT_EQ(at, end);

  // Folders get no entries: a tree of empty folders is an end record alone.
  fs::create_directories(folder.Path() / "hollow" / "inner");
  TDSProxyUtils::CompressDirectory(platform::Utf8FromPath(folder.Path() / "hollow"),
                                   platform::Utf8FromPath(zip));
  EXPECT_EQ(ReadFile(zip), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

TEST(ZipTest, IndependentReadersAcceptTheArchives) {
  fs::path validate = fs::path(QUILLARA_SHARED) / "tools" / "zip-validate" / "validate.sh";
#ifdef _WIN32
  GTEST_SKIP() << "the shared zip validators are shell scripts, which a Windows program cannot "
                  "start; the Linux run checks the same archive writer with them";
#endif
  if (!fs::exists(validate))
    GTEST_SKIP() << "no " << validate << ": the shared zip validators are absent";
  TTempFolder folder;
  struct TCase {
    const char* Name;
    std::function<void(const fs::path&)> Fill;
  } cases[] = {
      {"mixed",
       [](const fs::path& d) {
         fs::create_directories(d / "lib" / "empty");
         WriteFile(d / "lib" / "DSAdmin.h", "x");
         WriteFile(d / platform::PathFromUtf8("Citt\xC3\xA0.txt"), "y");
         WriteFile(d / "zero.txt", "");
         WriteFile(d / "old.txt", "z");
         SetTime(d / "old.txt", 1979);
       }},
      {"large", [](const fs::path& d) { WriteFile(d / "big.bin", MixedBytes(100u << 20, 7)); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::path src = folder.Path() / c.Name;
    fs::create_directories(src);
    c.Fill(src);
    fs::path zip = folder.Path() / (std::string(c.Name) + ".zip");
    TDSProxyUtils::CompressDirectory(src.string(), zip.string());
    std::string command = "bash '" + validate.string() + "' --strict --src '" + src.string() +
                          "' '" + zip.string() + "' > '" + folder.Path().string() +
                          "/validate.log' 2>&1";
    int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << ReadFile(folder.Path() / "validate.log");
    fs::remove(src / "big.bin");
  }
}

TEST(ZipTest, FailuresLeaveTheOldArchiveAndNoTemporaryFile) {
  TTempFolder folder;
  fs::path src = folder.Path() / "src";
  fs::create_directories(src);
  WriteFile(src / "a.txt", std::string(2000, 'a'));
  WriteFile(src / "b.txt", "b");
  fs::path zip = folder.Path() / "p.zip";
  WriteFile(zip, "old archive");
  struct TCase {
    std::string Directory;
    TZipLimits Limits;
    std::string Message;
  } cases[] = {
      {(folder.Path() / "missing").string(), {}, "The specified path was not found"},
      {src.string(), {0xFFFFFFFEull, 1}, "Too many files for a zip archive: 2 (at most 1)"},
      {src.string(),
       {1000, 0xFFFE},
       "Zip file too large: \"a.txt\" is bigger than the archive format allows"},
      {src.string(),
       {1100, 0xFFFE},
       ""},  // the second entry starts beyond the limit; file order varies
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message);
    try {
      TDSProxyUtils::CompressDirectory(c.Directory, zip.string(), c.Limits);
      ADD_FAILURE() << "no error";
    } catch (const EZipException& e) {
      if (!c.Message.empty()) {
        EXPECT_EQ(e.what(), c.Message);
      }
    }
    EXPECT_EQ(ReadFile(zip), "old archive");
    int entries = 0;
    for (auto& e : fs::directory_iterator(folder.Path())) entries += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
  }
  EXPECT_FALSE(TDSProxyUtils::IsValidZipFile(zip.string()));
  EXPECT_FALSE(TDSProxyUtils::IsValidZipFile((folder.Path() / "none.zip").string()));
}

}  // namespace
}  // namespace quillara
