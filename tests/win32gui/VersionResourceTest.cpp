// mervana.exe carries its version and its icon: the program's own file-version lookup reads them
// from the file, as an administrator's inventory of another PC would.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "collect/SystemProbes.h"
#include "platform/SystemServicesNative.h"
#include "ui/Version.h"
#include "collect/ValueTerms.h"

using namespace mrv;

namespace {

// The version the build is given, read where the build keeps it: project() in CMakeLists.txt.
std::string projectVersion() {
  std::ifstream in(std::filesystem::path(MERVANA_SOURCE_DIR) / "CMakeLists.txt");
  std::string line;
  const std::string marker = "project(Mervana VERSION ";
  while (std::getline(in, line))
    if (line.rfind(marker, 0) == 0)
      return line.substr(marker.size(), line.find_first_of(" )", marker.size()) - marker.size());
  return "<no project() line>";
}

std::string windowsPath(std::string p) {
  for (auto& c : p)
    if (c == '/') c = '\\';
  return p;
}

}  // namespace

TEST(VersionResource, TheFileVersionLookupReadsTheProgramsOwnVersion) {
  std::string message;
  auto sys = openNativeSystemServices(message);
  ASSERT_TRUE(sys) << message;
  const std::string version = projectVersion();
  ASSERT_EQ(VersionBanner(), "Mervana Ver." + version);  // the record's row 2 says the same
  // OriginalFilename in lower case, then the values asked for, from the Japanese (041104B0) block
  const std::string names = "FileVersion ProductVersion ProductName InternalName";
  EXPECT_EQ(FileVersionText(*sys, windowsPath(MERVANA_BINARY), names, ""),
            "mervana.exe " + version + " " + version + " Mervana mervana");

  // the fixed part: the four numbers of the file version, the last one 0
  std::string block;
  ASSERT_TRUE(sys->getFileVersionInfo(windowsPath(MERVANA_BINARY), block));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  std::ostringstream numbers;
  numbers << HIWORD(fixed->dwFileVersionMS) << "." << LOWORD(fixed->dwFileVersionMS) << "."
          << HIWORD(fixed->dwFileVersionLS);
  EXPECT_EQ(numbers.str(), version);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// The window class asks for icon 1; Explorer shows the same icon for the file.
TEST(VersionResource, TheProgramHasIconOne) {
  const std::filesystem::path program = windowsPath(MERVANA_BINARY);
  HMODULE image =
      LoadLibraryExW(program.wstring().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr) << GetLastError();
  EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);  // RT_GROUP_ICON
  HICON icon = static_cast<HICON>(LoadImageW(image, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(icon, nullptr);
  ICONINFO info{};
  if (icon && GetIconInfo(icon, &info)) {
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  if (icon) DestroyIcon(icon);
  FreeLibrary(image);
}
