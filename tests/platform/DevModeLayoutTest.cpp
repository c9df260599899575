// The device mode the offline printers decode, held against DEVMODEW as the Windows headers lay it
// out. The Windows build checks it as it compiles this file; on Linux the test compiles this file
// with the mingw-w64 compiler, whose headers are those of the Windows build.
#include "platform/RegistryPrinters.h"

#ifdef _WIN32
#include <windows.h>

#include <cstddef>

static_assert(offsetof(DEVMODEW, dmColor) == mrv::kDevModeColorOffset);
static_assert(sizeof(DEVMODEW{}.dmColor) == 2);
#else
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunProgram.h"

TEST(DevModeLayout, ColourStandsWhereTheWindowsHeadersPutIt) {
  const std::filesystem::path compiler = "/usr/bin/x86_64-w64-mingw32-g++";
  ASSERT_TRUE(std::filesystem::exists(compiler)) << "no mingw-w64 compiler to read the Windows headers (scripts/setup.sh --tests)";
  const std::string source = MERVANA_SOURCE_DIR;
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() / ("mrv-devmode-" + std::to_string(::getpid()));
  std::filesystem::create_directories(out);
  const auto r = testsupport::runProgram(compiler,
                                         {"-std=c++20", "-fsyntax-only", "-I" + source + "/src",
                                          source + "/tests/platform/DevModeLayoutTest.cpp"},
                                         out);
  std::filesystem::remove_all(out);
  EXPECT_EQ(r.status, 0) << r.err;
}
#endif
