#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "platform/PlatformServices.h"
#include "app/TForm1.h"
#include "collect/FakeSystemServices.h"
#include "collect/PeImageBuilder.h"
#include "lookup/ProgramLookups.h"
#include "platform/DesktopPrograms.h"
#include "platform/SystemServices.h"
#include "platform/replay/MemoryRegistry.h"
#include "support/RegistryFixtures.h"
#include "ui/MemoryViews.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

const RootKey HKCR = RootKey::ClassesRoot;
const RootKey HKLM = RootKey::LocalMachine;

// The window with in-memory components over the platform a test sets up.
struct Window {
  explicit Window(const Platform& p) : form(memo, grid, status, window, dialogs, p, "/opt/mervana/mervana") {}
  void type(const std::string& firstLine) { memo.setLines({firstLine, "second line"}); }
  MemoryTextView memo;
  MemoryGridView grid;
  MemoryStatusView status;
  MemoryWindowView window;
  ScriptedDialogs dialogs;
  TForm1 form;
};

std::string versionResource(bool withTranslation) {
  using test::str;
  return test::versionBlock(withTranslation, {str("CompanyName", "Mervana Test Works"),
                                              str("FileDescription", "Disk report viewer"),
                                              str("FileVersion", "2.1.0.7"), str("InternalName", "Tool"),
                                              str("LegalCopyright", "(C) 2006 Mervana Test Works"),
                                              str("OriginalFilename", "Tool.exe"), str("ProductVersion", "2.1")});
}

TEST(RunningProg1, ListsTheProcessesInOrderAndLeavesMemoEditable) {
  test::FakeSystemServices sys;
  sys.processes = std::vector<std::string>{"init", "bash", "mervana"};
  Platform p;
  p.system = &sys;
  Window w(p);
  w.window.setPanelVisible(true);
  w.type("old text");
  w.form.runCommand("RunningProg1");
  EXPECT_EQ(w.memo.lines(), (std::vector<std::string>{"init", "bash", "mervana"}));
  EXPECT_FALSE(w.memo.readOnly());
  EXPECT_FALSE(w.window.panelVisible());
  EXPECT_EQ(w.window.caption(), "Mervana 実行中プログラム");

  sys.processes.reset();  // the snapshot fails
  w.form.runCommand("RunningProg1");
  EXPECT_TRUE(w.memo.lines().empty());

  // unsaved definition edits and Cancel: nothing is touched
  sys.processes = std::vector<std::string>{"init"};
  w.form.setSettingsEditMode(true);
  w.memo.setLines({"[edited]"});
  w.memo.setModified(true);
  w.dialogs.confirmAnswers = {false};
  w.form.runCommand("RunningProg1");
  EXPECT_EQ(w.memo.lines(), std::vector<std::string>{"[edited]"});
}

TEST(FileVersion1, VersionStringsOfTheRegisteredProgram) {
  TempDir dir;
  const std::string exe = dir.file("Tool.EXE");
  writeBytes(exe, test::peImage(versionResource(true)));
  writeBytes(dir.file("Plain.exe"), test::peImage(versionResource(false)));
  MemoryRegistry reg;
  reg.setString(HKCR, ".mvt", "", "Mervana.Tool");
  reg.setString(HKCR, "Mervana.Tool\\shell\\open\\command", "", "\"" + exe + "\" \"%1\"");
  reg.setString(HKCR, ".mvp", "", "Mervana.Plain");
  reg.setString(HKCR, "Mervana.Plain\\shell\\open\\command", "", dir.file("Plain.exe") + " %1");
  reg.setString(HKCR, ".pf", "", "Mervana.Pf");
  reg.setString(HKCR, "Mervana.Pf\\shell\\open\\command", "", "%ProgramFiles%\\Mervana\\Tool.exe %1");
  reg.setString(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "\"C:\\Program Files\" x");
  std::string message;
  auto sys = openSystemServices(Sources{}, nullptr, message);
  ASSERT_TRUE(sys);
  Platform p;
  p.registry = &reg;
  p.system = sys.get();
  Window w(p);

  w.type(".mvt");
  w.memo.selection = ".mvp";  // a selection plays no part
  w.form.runCommand("FileVersion1");
  const std::string lower = toLowerAscii(exe);
  EXPECT_EQ(w.memo.lines(), (std::vector<std::string>{
                                ".mvt", exe, lower, "Version Information",
                                "CompanyName : Mervana Test Works", "FileDescription : Disk report viewer",
                                "FileVersion : 2.1.0.7", "InternalName : Tool",
                                "LegalCopyright : (C) 2006 Mervana Test Works", "OriginalFilename : Tool.exe",
                                "ProductName : None", "ProductVersion : 2.1"}));
  EXPECT_EQ(w.window.caption(), "Mervana ファイルバージョン");

  // a resource without a translation table: three lines
  w.type(".mvp");
  w.form.runCommand("FileVersion1");
  EXPECT_EQ(w.memo.lines().size(), 3u);

  // unregistered, empty input, and a program behind %ProgramFiles% that is not there
  for (const std::string input : {".none", ""}) {
    w.type(input);
    w.form.runCommand("FileVersion1");
    EXPECT_EQ(w.memo.lines(), (std::vector<std::string>{input, "", "", "No Version Info"}));
  }
  w.type(".pf");
  w.form.runCommand("FileVersion1");
  EXPECT_EQ(w.memo.lines(), (std::vector<std::string>{".pf", "%ProgramFiles%\\Mervana\\Tool.exe",
                                                      "C:\\Program Files\\mervana\\tool.exe", "No Version Info"}));
}

#ifdef MERVANA_HIVEX  // the installation is written with libhivex
TEST(FileVersion1, ProgramsOfAnOfflineInstallation) {
  TempDir dir;
  const std::vector<RegEntry> entries{
      strValue(HKLM, "Software\\Classes\\.mvt", "", "Mervana.Tool"),
      strValue(HKLM, "Software\\Classes\\Mervana.Tool\\shell\\open\\command", "", "%ProgramFiles%\\Mervana\\Tool.exe \"%1\""),
      strValue(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files"),
      strValue(HKLM, "System\\Select", "Dummy", "1"),
  };
  writeInstallation(entries, dir.path());
  std::filesystem::create_directories(dir.file("Program Files/Mervana"));
  writeBytes(dir.file("Program Files/Mervana/Tool.exe"), test::peImage(versionResource(true)));
  Sources sources;
  sources.registry = dir.path();
  std::vector<std::string> messages;
  auto reg = openRegistrySource(sources, messages);
  ASSERT_TRUE(reg) << (messages.empty() ? "" : messages.front());
  std::string message;
  auto sys = openSystemServices(sources, reg.get(), message);
  Platform p;
  p.registry = reg.get();
  p.system = sys.get();
  Window w(p);
  w.type(".mvt");
  w.form.runCommand("FileVersion1");
  const auto lines = w.memo.lines();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[2], "C:\\Program Files\\mervana\\tool.exe");
  EXPECT_EQ(lines[3], "Version Information");
  EXPECT_EQ(lines[4], "CompanyName : Mervana Test Works");
}
#endif

// A desktop without a Windows registry: a MIME default, its program, and the package owning it.
TEST(FileVersion1, DesktopDefaultProgramAndItsPackage) {
  TempDir dir;
  namespace fs = std::filesystem;
  fs::create_directories(dir.file("Bin"));
  fs::create_directories(dir.file("data/mime"));
  fs::create_directories(dir.file("data/applications"));
  fs::create_directories(dir.file("config"));
  fs::create_directories(dir.file("dpkg/info"));
  fs::create_directories(dir.file("doc/mervana-viewer"));
  const std::string program = dir.file("Bin/mervana-viewer");
  writeBytes(program, "#!/bin/sh\n");
  chmod(program.c_str(), 0755);
  writeBytes(dir.file("data/mime/globs2"), "50:application/x-mervana-report:*.mvr\n");
  writeBytes(dir.file("data/applications/mervana-viewer.desktop"),
             "[Desktop Entry]\nType=Application\nName=Viewer\nExec=mervana-viewer --open %f\n");
  writeBytes(dir.file("config/mimeapps.list"), "[Default Applications]\napplication/x-mervana-report=mervana-viewer.desktop;\n");
  writeBytes(dir.file("dpkg/status"),
             "Package: mervana-viewer\nStatus: install ok installed\nMaintainer: Mervana Team <team@example.org>\n"
             "Version: 1.4-2\nDescription: report viewer for disk histories\n long text\n\n");
  writeBytes(dir.file("dpkg/info/mervana-viewer:amd64.list"), "/.\n" + dir.file("Bin") + "\n" + program + "\n");
  writeBytes(dir.file("doc/mervana-viewer/copyright"), "Format: https://example.org/dep5\n\nFiles: *\nCopyright: 2006 Mervana Team\n");
  DesktopDirs dirs;
  dirs.configHome = dir.file("config");
  dirs.dataHome = dir.file("data");
  dirs.path = {dir.file("Bin")};
  dirs.packageDatabase = dir.file("dpkg");
  dirs.docRoot = dir.file("doc");
  auto desktop = openDesktopPrograms(dirs);
  ASSERT_TRUE(desktop);
  std::string message;
  auto sys = openSystemServices(Sources{}, nullptr, message);
  Platform p;
  p.system = sys.get();
  p.desktop = desktop.get();
  Window w(p);
  w.window.setPanelVisible(true);
  w.type(".MVR");
  w.form.runCommand("FileVersion1");
  EXPECT_EQ(w.memo.lines(), (std::vector<std::string>{
                                ".MVR", program, toLowerAscii(program), "Version Information",
                                "CompanyName : Mervana Team <team@example.org>",
                                "FileDescription : report viewer for disk histories", "FileVersion : 1.4-2",
                                "InternalName : mervana-viewer", "LegalCopyright : 2006 Mervana Team",
                                "OriginalFilename : mervana-viewer", "ProductName : mervana-viewer",
                                "ProductVersion : 1.4-2"}));
  EXPECT_FALSE(w.window.panelVisible());

  // a program no package owns
  writeBytes(dir.file("dpkg/info/mervana-viewer:amd64.list"), "/.\n");
  w.type(".mvr");
  w.form.runCommand("FileVersion1");
  EXPECT_EQ(w.memo.lines().back(), "No Version Info");
}

}  // namespace
