#include <gtest/gtest.h>

#include <filesystem>

#include "base/Utf8Path.h"
#include "records/RecordFiles.h"

using namespace mrv;
namespace fs = std::filesystem;

TEST(RecordFiles, SaveDirWinsWithOrWithoutSeparator) {
  // a separator is added in the system's own spelling
  EXPECT_EQ(RecordFolder("pcdata", "bin"), std::string("pcdata") + kPathSeparator);
  EXPECT_EQ(RecordFolder("/srv/pcdata", "/opt/mrv/bin", '/'), "/srv/pcdata/");
  EXPECT_EQ(RecordFolder("/srv/pcdata/", "/opt/mrv/bin", '/'), "/srv/pcdata/");
  // Windows keeps its backslashes
  EXPECT_EQ(RecordFolder("D:\\pcdata\\", "C:\\x", '\\'), "D:\\pcdata\\");
  EXPECT_EQ(RecordFolder("D:\\pcdata", "C:\\x", '\\'), "D:\\pcdata\\");
  EXPECT_EQ(RecordFolder("\\\\server\\pc/", "C:\\x", '\\'), "\\\\server\\pc\\");
}

// On Linux a backslash is no separator: "SaveDir=/tmp/sd1\\" once wrote the file "sd1\PC__.csv"
// into /tmp. Trailing backslashes are dropped like trailing slashes.
TEST(RecordFiles, TrailingBackslashesOfSaveDirStayInsideTheFolderOnLinux) {
  EXPECT_EQ(RecordFolder("/tmp/sd1\\", "/opt/mrv/bin", '/'), "/tmp/sd1/");
  EXPECT_EQ(RecordFolder("/tmp/sd1\\\\", "/opt/mrv/bin", '/'), "/tmp/sd1/");
  EXPECT_EQ(RecordFolder("/tmp/sd1/\\", "/opt/mrv/bin", '/'), "/tmp/sd1/");
  EXPECT_EQ(RecordFolder("/tmp/a\\b", "/opt/mrv/bin", '/'), "/tmp/a\\b/");  // inside a name it is a character
  EXPECT_EQ(RecordFolder("/", "/opt/mrv/bin", '/'), "/");
}

// A program in the root of a drive looks for C:\pcdata, not the drive-relative C:pcdata (which
// names a folder in the drive's current directory). Windows names are plain file names here.
TEST(RecordFiles, ProgramInADriveRootLooksInThatRootsPcdata) {
  const fs::path root = fs::temp_directory_path() / "mrv-driveroot";
  fs::remove_all(root);
  fs::create_directories(root);
  const fs::path before = fs::current_path();
  fs::current_path(root);
  fs::create_directory("C:pcdata");  // what the drive-relative path would find
  EXPECT_EQ(RecordFolder("", "C:\\", '\\'), "C:\\");
  // on Windows this is the drive's own root folder: the test removes what it made there
  const bool made = fs::create_directory("C:\\pcdata");
  EXPECT_EQ(RecordFolder("", "C:\\", '\\'), "C:\\pcdata\\");
  EXPECT_EQ(RecordFolder("", "C:", '\\'), "C:\\pcdata\\");
  if (made) fs::remove("C:\\pcdata");
  fs::current_path(before);
  fs::remove_all(root);
}

TEST(RecordFiles, PcdataBesideTheProgramsFolderElseTheProgramsFolder) {
  const fs::path root = fs::temp_directory_path() / "mrv-recordfolder";
  fs::remove_all(root);
  fs::create_directories(root / "bin");
  const std::string bin = (root / "bin").string();
  EXPECT_EQ(RecordFolder("", bin), bin + kPathSeparator);
  fs::create_directories(root / "pcdata");
  EXPECT_EQ(RecordFolder("", bin), (root / "pcdata").string() + kPathSeparator);
  EXPECT_EQ(RecordFolder("", bin + kPathSeparator), (root / "pcdata").string() + kPathSeparator);
  fs::remove_all(root);
}

TEST(RecordFiles, ProgramInTheRootFolderLooksBesideItself) {
  // "/" has no parent: the candidate is /pcdata, which does not exist on a test machine
  if (!fs::exists("/pcdata")) {
    EXPECT_EQ(RecordFolder("", "/"), "/");
  }
}

TEST(RecordFiles, StemNeverLeavesTheFolder) {
  EXPECT_EQ(RecordFileStem("PC01", "SALES"), "PC01__SALES");
  EXPECT_EQ(RecordFileStem("PC01", ""), "PC01__");
  EXPECT_EQ(RecordFileStem("..", "..\\x/y"), "..__.._x_y");
  EXPECT_EQ(RecordFileStem("A:B*C?", "\"<>|\t"), "A_B_C_" "__" "_____");
}

TEST(RecordFiles, AuditLogRule) {
  EXPECT_EQ(AuditLogPath("/srv/pcdata/", "PC01__SALES"), std::string("/srv/pcdata/p2p") + kPathSeparator + "PC01__SALES.log");
  EXPECT_TRUE(AuditLogAllowsRun(-1));
  EXPECT_TRUE(AuditLogAllowsRun(80));
  EXPECT_FALSE(AuditLogAllowsRun(81));
}
