#include <gtest/gtest.h>

#include <random>

#include "base/Text.h"
#include "collect/FakeSystemServices.h"
#include "collect/PeImageBuilder.h"
#include "platform/Encoding.h"
#include "platform/PeVersionInfo.h"
#include "collect/SystemProbes.h"
#include "collect/ValueTerms.h"

using namespace mrv;
using mrv::test::FakeSystemServices;

namespace {

using namespace mrv::test;

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

// Damaged and cut images give no version or a version read from inside the file: a block found
// lies within the image, texts read from it are valid UTF-8 no longer than the block, and a
// resource the damage missed still gives its exact text. (Run under the sanitizers by .ci/run.)
TEST(PeVersionInfo, GarbageAndTruncatedImagesGiveNothingOrWhatTheFileHolds) {
  const std::string original = versionBlock(true, kStrings);
  const std::string image = peImage(original);
  auto sane = [](const std::string& block, const std::optional<std::string>& text) {
    return !text || (isValidUtf8(*text) && text->size() <= block.size());
  };
  for (std::size_t len = 0; len < image.size(); len += 7) {
    const std::string_view cut = std::string_view(image).substr(0, len);
    if (auto b = peVersionInfoBlock(cut)) {
      EXPECT_NE(cut.find(*b), std::string_view::npos) << len;
      EXPECT_TRUE(sane(*b, versionString(*b, "041104B0", "FileVersion"))) << len;
    }
  }
  std::mt19937 rng(7);
  int found = 0, intact = 0, lost = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string damaged = image;
    for (int i = 0; i < 8; ++i) damaged[rng() % damaged.size()] = static_cast<char>(rng());
    if (auto b = peVersionInfoBlock(damaged)) {
      ++found;
      EXPECT_NE(damaged.find(*b), std::string::npos) << round;
      versionTranslation(*b);
      const auto name = versionString(*b, "041104B0", "OriginalFilename");
      EXPECT_TRUE(sane(*b, name)) << round;
      if (*b == original) {
        ++intact;
        EXPECT_EQ(name, "IEXPLORE.EXE") << round;
      }
    } else {
      ++lost;
    }
    std::string block = original;
    for (int i = 0; i < 4; ++i) block[rng() % block.size()] = static_cast<char>(rng());
    if (const auto t = versionTranslation(block)) {  // a translation is four bytes of the block
      const char le[4] = {static_cast<char>(*t), static_cast<char>(*t >> 8), static_cast<char>(*t >> 16),
                          static_cast<char>(*t >> 24)};
      EXPECT_NE(block.find(std::string_view(le, 4)), std::string::npos) << round;
    }
    EXPECT_TRUE(sane(block, versionString(block, "041104B0", "ProductVersion"))) << round;
  }
  // both outcomes occur, so the loop is no empty ritual
  EXPECT_GT(intact, 5);  // 15 with this seed: most damage lands in the small resource
  EXPECT_GT(lost + (found - intact), 0);
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
