// The registry search in the Win32 window: a recorded PC's registry configured as the source, the
// search text typed into the first line, the menu item chosen.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/PlatformServices.h"
#include "win32gui/MainWindow.h"
#include "win32gui/Win32TestSupport.h"

using namespace mrv;
using namespace mrv::testing;

TEST(Win32RegistrySearch, FindsATextInTheSoftwareKeyOfARecordedPc) {
  Sources sources;
  sources.registry =
      (std::filesystem::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "recorded" / "office-pc-2006.reg").string();
  PlatformServices services(sources);
  ASSERT_NE(services.platform().registry, nullptr);
  MainWindow window(services.platform(), "C:\\nonexistent\\mervana.exe");
  window.form().FormCreate({});
  auto command = [&](std::string_view name) {
    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(window.commandId(name), 0), 0);
  };
  command("SearchStr1");
  EXPECT_EQ(windowText(window.hwnd()), "Mervana 検索");
  SetWindowTextW(window.Memo1(), L"&xp security");  // typed by the person; "&": case-insensitive
  command("LOCALMACHINE1");

  const std::vector<std::string> lines = window.form().memo().lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "&xp security");
  EXPECT_EQ(lines[1], "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(lines[2], "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KB921883");
  EXPECT_EQ(lines[3], "  DisplayName  ----  Windows XP Security Update (KB921883)");
  EXPECT_TRUE(GetWindowLongPtrW(window.Memo1(), GWL_STYLE) & ES_READONLY);
  EXPECT_FALSE(hidden(window.ProgressBar1()));
}
