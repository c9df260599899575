// Random definition files built from every kind of line: the interpreter never crashes or hangs,
// and adds exactly as many value rows as the label pass gives labels.
#include <gtest/gtest.h>

#include <random>

#include "collect/CustomItemsFixture.h"

using namespace mrv;
using namespace mrv::test;

namespace {

// Lines of every kind. "#" lines with a count stand after an empty line (which ends any block), as
// a count inside a registry block is only a value name there; "?end", a "#" count on a list that
// does not use it and a "#" file that is not a program are left out: the label pass counts those
// differently by design.
std::vector<std::string> randomDefinition(std::mt19937& rng) {
  static const std::vector<std::string> kLines = {
      "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_USERS", "HKEY_NONSENSE",
      "\\Software\\Test", "\\Software\\Missing", "\\Software\\Test*", "\\Software\\Apps\\*\\Details",
      "\\Software\\Apps\\*", "\\Software\\Test\\*", "\\*", "*", "Owner", "Count==Count label", "Missing",
      "Missing|Owner", "Owner+-Count", "Build(v/;)", "Name/Be", "'Owner", "%Address", "DEFAULT", "Blob", "Notes",
      "/literal", "//comment", "", "plain text, with comma", "=formula", "&Office", "&Windows", "&", "$HOME",
      "$MERVANA_FUZZ_UNSET", "?NT", "?9x", "?9x NT", "?", ">prompt?", "<question?", "<WinVersion", ".txt FileVersion",
      ".none", ">tool/Tool", ">", "#running", "#running notepad.exe", "#printers", "#shareddir",
      "#c:\\tool.exe", "#running a b", "/",
  };
  static const std::vector<std::string> kCounted = {"#printers 3", "#shareddir 2", "#printers 1", "#shareddir x"};
  std::vector<std::string> lines;
  const int n = std::uniform_int_distribution<int>(0, 40)(rng);
  for (int i = 0; i < n; ++i) {
    if (std::uniform_int_distribution<int>(0, 15)(rng) == 0) {
      lines.push_back("");
      lines.push_back(kCounted[std::uniform_int_distribution<std::size_t>(0, kCounted.size() - 1)(rng)]);
    } else {
      lines.push_back(kLines[std::uniform_int_distribution<std::size_t>(0, kLines.size() - 1)(rng)]);
    }
  }
  lines.push_back("// end");
  return lines;
}

}  // namespace

TEST(CustomItemsFuzz, ValueRowsAlwaysMatchTheLabels) {
  CustomRun run;
  MemoryRegistry& reg = run.memoryRegistry;
  reg.setString(RootKey::LocalMachine, "Software\\Test", "Owner", "Yamada");
  reg.setDword(RootKey::LocalMachine, "Software\\Test", "Count", 7);
  reg.setString(RootKey::LocalMachine, "Software\\Test", "Build", "v1;");
  reg.setString(RootKey::LocalMachine, "Software\\Test", "Address", "10.0.0.1");
  reg.setString(RootKey::LocalMachine, "Software\\Test", "Notes", "two\r\nlines");
  reg.setValue(RootKey::LocalMachine, "Software\\Test", "Blob", RegValue{kRegBinary, "\x01"});
  reg.setString(RootKey::LocalMachine, "Software\\Apps\\A\\Details", "Name", "Alpha");
  reg.setString(RootKey::LocalMachine, "Software\\Apps\\B\\Details", "Name", "Beta");
  reg.setString(RootKey::ClassesRoot, ".txt", "", "txtfile");
  reg.setString(RootKey::ClassesRoot, "txtfile\\shell\\open\\command", "", "c:\\tool.exe %1");
  run.sys.shares.remoteNames = {"\\\\PC\\A", "\\\\PC\\B", "\\\\PC\\C"};
  run.sys.processes = std::vector<std::string>{"notepad.exe", "[System Process]", "explorer.exe"};
  run.printers.names = [] { return std::vector<std::string>{"P1", "P2 on LPT1:"}; };
  run.printers.driverPort = [](CollectionContext&, std::string_view) { return CustomPrinters::DriverPort{}; };

  std::mt19937 rng(15);
  for (int i = 0; i < 3000; ++i) {
    const auto lines = randomDefinition(rng);
    run.family = (i % 2) ? "NT" : "9x";
    run.installed = {"Office Suite", "Windows Update Agent", "Zip"};
    run.dialogs = ScriptedDialogs();
    const auto rows = run.rows(lines);
    const auto labels = CustomLabels(lines, run.family);
    std::string file;
    for (const auto& l : lines) file += l + "\n";
    ASSERT_EQ(rows.size(), labels.size()) << "family " << run.family << ", file:\n" << file;
    for (const auto& r : rows) ASSERT_EQ(r.find_first_of("\r\n"), std::string::npos) << file;
  }
}
