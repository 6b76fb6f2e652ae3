#include "platform/TDrivePath.h"

#include <gtest/gtest.h>

#include "support/TTempFolder.h"

namespace fs = std::filesystem;
using quillara::platform::MapWindowsPath;

class TDrivePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(FPrefix / "drive_c" / "Brontal" / "Export");
    fs::create_directories(FPrefix / "elsewhere" / "Dati");
    fs::create_directories(FPrefix / "dosdevices");
    fs::create_directory_symlink(FPrefix / "elsewhere", FPrefix / "dosdevices" / "d:");
  }
  quillara::testing::TTempFolder FFolder{"quillara-drive-"};
  fs::path FPrefix = FFolder.Path();
};

TEST_F(TDrivePathTest, MapsDrivesSeparatorsAndLetterCase) {
  struct Case {
    const char* windows;
    fs::path expected;
  } cases[] = {
      {"C:\\Brontal\\Export", FPrefix / "drive_c/Brontal/Export"},
      {"c:\\BRONTAL\\export\\file.xml", FPrefix / "drive_c/Brontal/Export/file.xml"},
      {"C:/Brontal/Export/", FPrefix / "drive_c/Brontal/Export"},
      {"D:\\dati", FPrefix / "dosdevices/d:/Dati"},
      {"D:\\Nuovo\\x", FPrefix / "dosdevices/d:/Nuovo/x"},  // missing parts stay as written
      {"/tmp", "/tmp"},
      {"relative\\name.txt", "relative/name.txt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MapWindowsPath(c.windows, FPrefix), c.expected) << c.windows;
}
