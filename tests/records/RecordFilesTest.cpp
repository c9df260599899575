#include <gtest/gtest.h>

#include <filesystem>

#include "base/Utf8Path.h"
#include "platform/Encoding.h"
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

// Row 1 is written in Shift-JIS and read back by the aggregation; the file is named after it.
TEST(RecordFiles, StemIsWhatTheRecordHoldsAndAFileNameCanHold) {
  EXPECT_EQ(RecordFileStem("\xF0\x9F\x98\x80PC", "G"), "_PC__G");  // U+1F600 has no Shift-JIS code
  EXPECT_EQ(RecordFileStem("経理PC", "総務部"), "経理PC__総務部");
  EXPECT_EQ(RecordFileStem("ＰＣ１", "ｿｳﾑ"), "ＰＣ１__ｿｳﾑ");
  EXPECT_EQ(RecordFileStem("PC\xFF\xC3", "G\xE3\x81"), "PC____G__");  // bytes that are no UTF-8
  for (const char* name : {"caf\xC3\xA9", "\xD0\x9F\xD0\x9A", "\xE2\x80\x94\xE2\x88\x95x", "\xEA\xB0\x80", "a\xCC\x81"}) {
    const std::string stem = RecordFileStem(name, "G");
    EXPECT_EQ(ansiToUtf8(utf8ToAnsi(stem)), stem) << name;  // the record keeps it as it stands
    EXPECT_EQ(stem.find_first_of("?\\/:*\"<>|"), std::string::npos) << stem;
  }
}

TEST(RecordFiles, OverLongStemsFitTheNameLimitAndStayApart) {
  const std::string exact = std::string(249, 'A');  // 249 + "__" = 251 bytes: ".csv" makes 255
  EXPECT_EQ(RecordFileStem(exact, ""), exact + "__");
  const std::string longer = RecordFileStem(exact + "A", "");
  EXPECT_EQ(longer.size(), 251u);
  EXPECT_EQ(longer.substr(0, 242), std::string(242, 'A'));
  EXPECT_EQ(longer[242], '~');
  EXPECT_EQ(longer.find_first_not_of("0123456789abcdef", 243), std::string::npos);

  // the same on every system and in every run: FNV-1a of the whole stem's bytes
  EXPECT_EQ(RecordFileStem(std::string(300, 'A'), "G"), std::string(242, 'A') + "~0f306ca8");
  // names that differ only past the cut get files of their own
  const std::string domain(240, 'd');
  EXPECT_NE(RecordFileStem("PC01", domain + ".sales"), RecordFileStem("PC01", domain + ".admin"));

  // multi-byte characters are never split (242 is no multiple of 3)
  std::string kanji;
  for (int i = 0; i < 100; ++i) kanji += "経";
  const std::string cut = RecordFileStem(kanji, "総務");
  EXPECT_EQ(cut.size(), 80u * 3 + 9);
  EXPECT_EQ(cut.find(std::string("経") + "~"), 79u * 3);
  EXPECT_EQ(ansiToUtf8(utf8ToAnsi(cut)), cut);
}

TEST(RecordFiles, AuditLogRule) {
  EXPECT_EQ(AuditLogPath("/srv/pcdata/", "PC01__SALES"), std::string("/srv/pcdata/p2p") + kPathSeparator + "PC01__SALES.log");
  EXPECT_TRUE(AuditLogAllowsRun(-1));
  EXPECT_TRUE(AuditLogAllowsRun(80));
  EXPECT_FALSE(AuditLogAllowsRun(81));
}
