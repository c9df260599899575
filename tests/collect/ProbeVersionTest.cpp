#include <gtest/gtest.h>

#include <random>

#include "base/Text.h"
#include "collect/FakeSystemServices.h"
#include "collect/PeVersionInfo.h"
#include "collect/SystemProbes.h"

using namespace mrv;
using mrv::test::FakeSystemServices;

namespace {

void put16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::size_t at, std::uint32_t v) {
  put16(s, at, v & 0xFFFF);
  put16(s, at + 2, v >> 16);
}
void pad4(std::string& s) {
  while (s.size() % 4) s += '\0';
}

// One VS_VERSIONINFO node: header, key, value and children, each 32-bit aligned.
std::string node(std::string_view key, const std::string& value, bool text, const std::vector<std::string>& kids = {}) {
  std::string n(6, '\0');
  n += utf8ToUtf16le(key) + std::string(2, '\0');
  pad4(n);
  n += value;
  for (const auto& k : kids) {
    pad4(n);
    n += k;
  }
  put16(n, 0, static_cast<std::uint32_t>(n.size()));
  put16(n, 2, static_cast<std::uint32_t>(text ? value.size() / 2 : value.size()));
  put16(n, 4, text ? 1 : 0);
  return n;
}
std::string str(std::string_view key, std::string_view value) {
  return node(key, utf8ToUtf16le(value) + std::string(2, '\0'), true);
}

std::string versionBlock(bool withTranslation, const std::vector<std::string>& strings) {
  std::vector<std::string> kids{node("StringFileInfo", "", true, {node("041104B0", "", true, strings)})};
  if (withTranslation) {
    std::string t(4, '\0');
    put32(t, 0, 0x04B00411);
    kids.push_back(node("VarFileInfo", "", true, {node("Translation", t, false)}));
  }
  return node("VS_VERSION_INFO", std::string(52, '\x01'), false, kids);
}

// A PE32 image with one .rsrc section holding the block as its RT_VERSION resource.
std::string peImage(const std::string& block) {
  std::string img(0x200, '\0');
  img[0] = 'M';
  img[1] = 'Z';
  put32(img, 0x3C, 0x40);
  img.replace(0x40, 4, std::string("PE\0\0", 4));
  put16(img, 0x44, 0x14C);
  put16(img, 0x46, 1);    // sections
  put16(img, 0x54, 224);  // optional header size
  const std::size_t opt = 0x58;
  put16(img, opt, 0x10B);
  put32(img, opt + 92, 16);
  std::string rsrc(0x60, '\0');
  put16(rsrc, 14, 1);
  put32(rsrc, 16, 16);
  put32(rsrc, 20, 0x80000018);
  put16(rsrc, 0x18 + 14, 1);
  put32(rsrc, 0x18 + 16, 1);
  put32(rsrc, 0x18 + 20, 0x80000030);
  put16(rsrc, 0x30 + 14, 1);
  put32(rsrc, 0x30 + 16, 0x411);
  put32(rsrc, 0x30 + 20, 0x48);
  put32(rsrc, 0x48, 0x1060);
  put32(rsrc, 0x4C, static_cast<std::uint32_t>(block.size()));
  rsrc += block;
  put32(img, opt + 96 + 16, 0x1000);
  put32(img, opt + 96 + 20, static_cast<std::uint32_t>(rsrc.size()));
  const std::size_t sec = opt + 224;
  img.replace(sec, 5, ".rsrc");
  put32(img, sec + 8, static_cast<std::uint32_t>(rsrc.size()));
  put32(img, sec + 12, 0x1000);
  put32(img, sec + 16, static_cast<std::uint32_t>(rsrc.size()));
  put32(img, sec + 20, 0x200);
  return img + rsrc;
}

const std::vector<std::string> kStrings = {str("CompanyName", "Example"), str("FileVersion", "6.0.2800.1106"),
                                           str("OriginalFilename", "IEXPLORE.EXE"),
                                           str("ProductVersion", "6.00.2800.1106")};

}  // namespace

TEST(PeVersionInfo, ReadsTheVersionResourceOfABuiltImage) {
  const std::string block = versionBlock(true, kStrings);
  auto found = peVersionInfoBlock(peImage(block));
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, block);
  EXPECT_EQ(versionTranslation(block), 0x04B00411u);
  EXPECT_EQ(versionString(block, "041104b0", "fileversion"), "6.0.2800.1106");
  EXPECT_FALSE(versionString(block, "040904B0", "FileVersion"));
  EXPECT_FALSE(versionString(block, "041104B0", "Comments"));
  EXPECT_FALSE(versionTranslation(versionBlock(false, kStrings)));
}

TEST(PeVersionInfo, GarbageAndTruncatedImagesNeverCrash) {
  const std::string image = peImage(versionBlock(true, kStrings));
  for (std::size_t len = 0; len < image.size(); len += 7) {
    auto b = peVersionInfoBlock(std::string_view(image).substr(0, len));
    if (b) {
      versionTranslation(*b);
      versionString(*b, "041104B0", "FileVersion");
    }
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::string damaged = image;
    for (int i = 0; i < 8; ++i) damaged[rng() % damaged.size()] = static_cast<char>(rng());
    if (auto b = peVersionInfoBlock(damaged)) {
      versionTranslation(*b);
      versionString(*b, "041104B0", "OriginalFilename");
    }
    std::string block = versionBlock(true, kStrings);
    for (int i = 0; i < 4; ++i) block[rng() % block.size()] = static_cast<char>(rng());
    versionTranslation(block);
    versionString(block, "041104B0", "ProductVersion");
  }
  EXPECT_FALSE(peVersionInfoBlock("MZ"));
  EXPECT_FALSE(peVersionInfoBlock(std::string(4096, '\xFF')));
}

TEST(ProbeFileVersion, OriginalNameAndChosenStrings) {
  FakeSystemServices sys;
  sys.versionBlocks["c:\\program files\\internet explorer\\iexplore.exe"] = versionBlock(true, kStrings);
  EXPECT_EQ(FileVersionText(sys, "\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome",
                            "FileVersion ProductVersion", ""),
            "iexplore.exe 6.0.2800.1106 6.00.2800.1106");
  EXPECT_EQ(FileVersionText(sys, "%ProgramFiles%\\Internet Explorer\\iexplore.exe", "Comments FileVersion",
                            "c:\\program files"),
            "iexplore.exe 6.0.2800.1106");
  EXPECT_EQ(sys.versionAskedFor, "c:\\program files\\internet explorer\\iexplore.exe");
}

TEST(ProbeFileVersion, NoResourceNoTranslationAndFailures) {
  FakeSystemServices sys;
  sys.versionBlocks["c:\\tools\\plain.exe"] = versionBlock(false, kStrings);
  EXPECT_EQ(FileVersionText(sys, "C:\\Tools\\Plain.EXE", "FileVersion", ""), "plain.exe");
  EXPECT_EQ(FileVersionText(sys, "C:\\Tools\\none.dll", "FileVersion", ""), "");
  EXPECT_EQ(FileVersionText(sys, "", "FileVersion", ""), "");
  sys.raise = true;
  EXPECT_EQ(FileVersionText(sys, "C:\\Tools\\Plain.EXE", "FileVersion", ""), "Error!");
}

TEST(ProbeFileVersion, FlashControlsAreLookedForInTheSystemFolder) {
  FakeSystemServices sys;
  sys.systemDir = "C:\\WINDOWS\\system32";
  const std::string flash = "C:\\WINDOWS\\system32\\macromed\\flash\\flash9.ocx";
  sys.files.insert(flash);
  sys.versionBlocks[flash] = versionBlock(true, {str("OriginalFilename", "Flash9.ocx"), str("FileVersion", "9,0,45,0")});
  EXPECT_EQ(FileVersionText(sys, "Flash9.ocx", "FileVersion", ""), "flash9.ocx 9,0,45,0");
  EXPECT_EQ(sys.versionAskedFor, flash);
}
