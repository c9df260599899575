#include <gtest/gtest.h>

#include "collect/FakeSystemServices.h"
#include "collect/SystemProbes.h"
#include "platform/replay/MemoryRegistry.h"
#include "collect/ValueTerms.h"
#include "collect/InstalledPrograms.h"

using namespace mrv;
using mrv::test::FakeSystemServices;

namespace {

const RootKey HKLM = RootKey::LocalMachine;
const char* const kKey = "Software\\Test";

class ValueTerms : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.setString(HKLM, kKey, "", "default text");
    reg.setString(HKLM, kKey, "Name", "Office 2003 Pro");
    reg.setString(HKLM, kKey, "Empty", "");
    reg.setDword(HKLM, kKey, "Count", 0xFFFFFFFF);
    reg.setDword(HKLM, kKey, "Zero", 0);
    reg.setMultiString(HKLM, kKey, "Dns", {"192.168.0.1", "10.0.0.2"});
    reg.setString(HKLM, kKey, "Ip", "10.1.20.3");
    reg.setString(HKLM, kKey, "Path", "x[begin]middle[end]y");
    reg.setValue(HKLM, kKey, "Blob", RegValue{kRegBinary, "\x01\x02"});
    state.reg.setRootKey(HKLM);
    ASSERT_TRUE(state.reg.openKeyReadOnly(kKey));
    state.keyOpen = true;
  }
  std::string term(std::string_view t) { return ReadValueTerm(state.reg, t); }
  MemoryRegistry reg;
  CollectionState state{&reg};
};

}  // namespace

TEST_F(ValueTerms, PlainNamesDefaultAndTypes) {
  EXPECT_EQ(term("DEFAULT"), "default text");
  EXPECT_EQ(term("Name"), "Office 2003 Pro");
  EXPECT_EQ(term("Missing"), "");
  EXPECT_EQ(term("Count"), "-1");
  EXPECT_EQ(term("Zero"), "0");
  EXPECT_EQ(term("Blob"), "Error!");  // not text
}

TEST_F(ValueTerms, FilterQuotePrefixAndCut) {
  EXPECT_EQ(term("Name/2003"), "Office 2003 Pro");
  EXPECT_EQ(term("Name/2007"), "");
  EXPECT_EQ(term("Empty/"), " ");
  EXPECT_EQ(term("Missing/"), " ");
  EXPECT_EQ(term("Name/"), "Office 2003 Pro");
  EXPECT_EQ(term("'Name"), "'Office 2003 Pro");
  EXPECT_EQ(term("'Missing"), "");
  EXPECT_EQ(term("Path([begin]/[end])"), "middle");
  EXPECT_EQ(term("Path([begin]/[none])"), "");
  // A start marker that does not occur keeps the rest from the position of its length.
  EXPECT_EQ(term("Path(abc/[end])"), "begin]middle");
}

TEST_F(ValueTerms, PercentPadsAddresses) {
  EXPECT_EQ(term("%Ip"), " 10.  1. 20.  3");
  EXPECT_EQ(term("%Dns"), "192.168.  0.  1. 10.  0.  0.  2");
  EXPECT_EQ(term("%Missing"), "");
  EXPECT_EQ(MultiStringValueText(state.reg, "Dns"), "192.168.0.1.10.0.0.2");
  EXPECT_EQ(MultiStringValueText(state.reg, "Ip"), "");
  std::vector<std::string> list{"kept"};
  ReadMultiString(state.reg, "Name", list);
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
  ReadMultiString(state.reg, "Dns", list);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", "192.168.0.1", "10.0.0.2"}));
}

TEST_F(ValueTerms, ExpressionsLabelsAlternativesAndJoins) {
  auto expr = [&](std::string_view s) { return ReadValueExpression(state, s); };
  EXPECT_EQ(expr("Name==製品名"), "Office 2003 Pro");
  EXPECT_EQ(expr("Missing|Empty|Name|Count"), "Office 2003 Pro");
  EXPECT_EQ(expr("Missing|Empty"), "");
  EXPECT_EQ(expr("Zero+-Count+/Ip"), "0--1/10.1.20.3");
  EXPECT_EQ(expr("Zero+・Zero"), "0・0");  // a multi-byte separator is one character
  EXPECT_EQ(expr("Blob|Name"), "Error!");
  state.keyOpen = false;
  EXPECT_EQ(expr("Name"), "");
}

TEST(ProbeRegistry, ExePathOfFileType) {
  MemoryRegistry reg;
  const RootKey HKCR = RootKey::ClassesRoot;
  reg.setString(HKCR, ".txt", "", "txtfile");
  reg.setString(HKCR, "txtfile\\shell\\open\\command", "", "%SystemRoot%\\system32\\NOTEPAD.EXE %1");
  reg.setString(HKCR, ".doc", "", "Word.Document.8");
  reg.setString(HKCR, "Word.Document.8\\shell\\open\\command", "",
                "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\WINWORD.EXE\" \"%1\"");
  reg.setString(HKCR, ".url", "", "InternetShortcut");
  reg.setString(HKCR, "InternetShortcut\\shell\\open\\command", "", "rundll32.dll,OpenURL %l");
  reg.setString(HKCR, ".bad", "", "badfile");
  reg.setDword(HKCR, "badfile\\shell\\open\\command", "", 1);
  TRegistryEx r(&reg);
  EXPECT_EQ(ExePathOfFileType(r, ".doc"), "C:\\Program Files\\Microsoft Office\\OFFICE11\\WINWORD.EXE");
  EXPECT_EQ(ExePathOfFileType(r, ".txt"), "%SystemRoot%\\system32\\NOTEPAD.EXE");
  EXPECT_EQ(ExePathOfFileType(r, ".url"), "run");
  EXPECT_EQ(ExePathOfFileType(r, ".xyz"), "");
  EXPECT_EQ(ExePathOfFileType(r, ".bad"), "Error!");
}

namespace {
const char* const kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
std::string sub(const char* name) { return std::string(kUninstall) + "\\" + name; }
}  // namespace

TEST(ProbeInstalledSoftware, ProgramsPatchesAndSkippedEntries) {
  MemoryRegistry reg;
  reg.setString(HKLM, sub("zeta"), "DisplayName", "Zeta Viewer");
  reg.setString(HKLM, sub("zeta"), "DisplayVersion", "2.1");
  reg.setString(HKLM, sub("alpha"), "DisplayName", "alpha tools");
  reg.setDword(HKLM, sub("alpha"), "VersionMajor", 3);
  reg.setDword(HKLM, sub("alpha"), "VersionMinor", 14);
  reg.setString(HKLM, sub("alpha"), "ProductID", "P-1");
  reg.setString(HKLM, sub("kb1"), "DisplayName", "Windows XP Hotfix (KB123456)");
  reg.setString(HKLM, sub("kb2"), "DisplayName", "(KB99)early");
  reg.setString(HKLM, sub("norem"), "DisplayName", "Hidden Driver");
  reg.setDword(HKLM, sub("norem"), "NoRemove", 0);
  reg.setString(HKLM, sub("noname"), "DisplayVersion", "1.0");
  reg.setString(HKLM, sub("minoronly"), "DisplayName", "Minor");
  reg.setDword(HKLM, sub("minoronly"), "VersionMinor", 5);
  CollectionState state(&reg);
  FakeSystemServices sys;
  InstalledSoftwareList(state, sys);
  EXPECT_EQ(state.installed, (std::vector<std::string>{"alpha tools 3.14 P-1", "Minor .5 ", "Zeta Viewer 2.1 "}));
  EXPECT_EQ(state.patches, (std::vector<std::string>{"(KB123456)0@Windows XP Hotfix (KB123456)  ",
                                                     "0@(KB99)early  "}));
  EXPECT_TRUE(state.keyOpen);
}

TEST(ProbeInstalledSoftware, ANonTextNameEndsTheWalkWithNothingAdded) {
  MemoryRegistry reg;
  reg.setString(HKLM, sub("a"), "DisplayName", "First");
  reg.setDword(HKLM, sub("b"), "DisplayName", 7);
  reg.setString(HKLM, sub("c"), "DisplayName", "Third");
  CollectionState state(&reg);
  FakeSystemServices sys;
  InstalledSoftwareList(state, sys);
  EXPECT_TRUE(state.installed.empty());
  EXPECT_TRUE(state.patches.empty());
}

TEST(ProbeInstalledSoftware, WithoutARegistryThePackageDatabaseServes) {
  CollectionState state(nullptr);
  FakeSystemServices sys;
  InstalledSoftwareList(state, sys);
  EXPECT_TRUE(state.installed.empty());
  sys.packages = std::vector<std::pair<std::string, std::string>>{{"zlib1g", "1:1.2.13"}, {"Bash", "5.2"}};
  InstalledSoftwareList(state, sys);
  EXPECT_EQ(state.installed, (std::vector<std::string>{"Bash 5.2 ", "zlib1g 1:1.2.13 "}));
}
