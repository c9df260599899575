// These tests make folders with mkdtemp and pipes with mkfifo: Linux only.
#ifdef __linux__
// What a [Sources] entry may name: only regular files of bounded size that look like what the entry
// takes are read; devices, pipes, folders and files of the wrong kind are refused at once, with a reason.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/replay/MemoryRegistry.h"
#include "platform/replay/RegFile.h"
#include "platform/WmiInstancesFile.h"
#include "support/TempFolder.h"

using namespace mrv;

namespace {

namespace fs = std::filesystem;

using TempDir = mrv::test::TempFolder;

std::string regRefusal(const std::string& path) {
  MemoryRegistry reg;
  std::vector<std::string> messages;
  EXPECT_FALSE(loadRegFile(path, reg, messages)) << path;
  return messages.empty() ? std::string() : messages[0];
}

std::string wmiRefusal(const std::string& path) {
  std::vector<WmiClass> classes;
  std::string error;
  EXPECT_FALSE(readWmiInstancesFile(path, classes, error)) << path;
  return error;
}

TEST(SourceFiles, DevicesPipesAndFoldersAreNeverRead) {
  TempDir dir;
  const std::string fifo = (dir.path / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // /dev/zero never ends and a FIFO with no writer blocks: both must be refused without reading
  for (const std::string& path : {std::string("/dev/zero"), fifo}) {
    EXPECT_NE(regRefusal(path).find("not a regular file"), std::string::npos);
    EXPECT_NE(wmiRefusal(path).find("not a regular file"), std::string::npos);
  }
  EXPECT_NE(wmiRefusal(dir.path.string()).find("a folder"), std::string::npos);
  EXPECT_NE(regRefusal((dir.path / "missing.reg").string()).find("not found"), std::string::npos);
}

TEST(SourceFiles, FilesOfTheWrongKindAreRefusedByTheirFirstBytes) {
  TempDir dir;
  const std::string zeros = dir.write("zeros.bin", std::string(1 << 20, '\0'));
  const std::string hive = dir.write("SOFTWARE", std::string("regf") + std::string(8192, '\x01'));
  const std::string text = dir.write("notes.txt", "hello\r\n[HKEY_LOCAL_MACHINE\\A]\r\n");
  for (const std::string& path : {zeros, hive, text}) {
    EXPECT_NE(regRefusal(path).find("first bytes"), std::string::npos) << path;
    EXPECT_NE(wmiRefusal(path).find("first bytes"), std::string::npos) << path;
  }
  // what each entry does take passes the same check
  MemoryRegistry reg;
  std::vector<std::string> messages;
  EXPECT_TRUE(loadRegFile(dir.write("ok.reg", "\xFF\xFE" + std::string("W\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0"
                                                                        " \0E\0d\0i\0t\0o\0r\0 \0V\0e\0r\0s\0i\0o\0n\0"
                                                                        " \0005\0.\0000\0000\0\r\0\n\0", 76)),
                          reg, messages));
  std::vector<WmiClass> classes;
  std::string error;
  EXPECT_TRUE(readWmiInstancesFile(dir.write("ok.wmi", "# recorded\r\n\r\nclass Win32_BIOS\r\n"), classes, error))
      << error;
}

TEST(SourceFiles, OversizedFilesAreRefusedBeforeTheyAreRead) {
  TempDir dir;
  // sparse files: their size is refused from the directory entry, no byte is read
  const std::string big = (dir.path / "big.reg").string();
  { std::ofstream(big, std::ios::binary) << "REGEDIT4\r\n"; }
  fs::resize_file(big, kMaxRegExportBytes + 1);
  EXPECT_NE(regRefusal(big).find("larger than"), std::string::npos);
  const std::string wmi = (dir.path / "big.wmi").string();
  { std::ofstream(wmi, std::ios::binary) << "class X\r\n"; }
  fs::resize_file(wmi, kMaxWmiInstancesBytes + 1);
  EXPECT_NE(wmiRefusal(wmi).find("larger than"), std::string::npos);
}

}  // namespace

#endif  // __linux__
