#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "collect/TRegistryEx.h"
#include "platform/replay/HiveRegistry.h"
#include "support/RegistryFixtures.h"
#include "platform/PlatformServices.h"

// Hive files for these tests are written with libhivex; a build without it has none to read.
#ifdef MERVANA_HIVEX

using namespace mrv;
using namespace mrv::testing;
namespace fs = std::filesystem;

namespace {

const RootKey LM = RootKey::LocalMachine;
const RootKey CU = RootKey::CurrentUser;

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string text(RegistryStore& store, RootKey root, std::string_view path, std::string_view name) {
  TRegistryEx r(&store);
  r.setRootKey(root);
  if (!r.openKeyReadOnly(path)) return "(missing key)";
  return r.readString(name);
}

struct Machine {
  TempDir dir;
  std::vector<std::string> messages;
  std::unique_ptr<RegistryStore> store;
  std::string config() const { return dir.path() + "/Windows/System32/config"; }
  void open(const std::string& user = "") {
    Sources s;
    s.registry = dir.path();
    s.userRegistry = user;
    store = openRegistrySource(s, messages);
  }
};

// Walks the tree below `key` by handle (openSubkeys) and checks each subkey against the same key
// opened by name: the same names in the same order, the same values. The number of keys compared.
int compareWalks(RegistryKey& key, const std::string& path) {
  const auto byHandle = key.openSubkeys();
  const auto names = key.subkeyNames();
  EXPECT_EQ(byHandle.size(), names.size()) << path;
  int keys = 0;
  for (std::size_t i = 0; i < byHandle.size() && i < names.size(); ++i) {
    const std::string sub = path + "\\" + names[i];
    EXPECT_EQ(byHandle[i].name, names[i]) << sub;
    auto byName = key.openSubkey(names[i]);
    EXPECT_EQ(bool(byHandle[i].key), bool(byName)) << sub;
    if (!byHandle[i].key || !byName) continue;
    EXPECT_EQ(byHandle[i].key->valueNames(), byName->valueNames()) << sub;
    for (const auto& v : byName->valueNames()) {
      RegValue a, b;
      EXPECT_EQ(byHandle[i].key->queryValue(v, a), byName->queryValue(v, b)) << sub << " " << v;
      EXPECT_EQ(a.type, b.type) << sub << " " << v;
      EXPECT_EQ(a.data, b.data) << sub << " " << v;
    }
    keys += 1 + compareWalks(*byHandle[i].key, sub);
  }
  return keys;
}

std::vector<RegEntry> controlSets(std::uint32_t current) {
  return {dwordValue(LM, "System\\Select", "Current", current),
          strValue(LM, "System\\ControlSet001\\Control", "V", "one"),
          strValue(LM, "System\\ControlSet002\\Control", "V", "two"),
          dwordValue(LM, "System\\ControlSet002\\Hardware Profiles\\Current\\Software\\Fonts", "LogPixels", 96),
          strValue(LM, "Software\\Vendor", "V", "soft")};
}

TEST(HiveRegistry, InstallationFolderIsMatchedInAnyLetterCase) {
  Machine m;
  writeInstallation(controlSets(1), m.dir.path());
  fs::rename(m.config() + "/SOFTWARE", m.config() + "/software");
  fs::rename(m.dir.path() + "/Windows/System32", m.dir.path() + "/Windows/system32");
  fs::rename(m.dir.path() + "/Windows", m.dir.path() + "/WINDOWS");
  m.open();
  ASSERT_TRUE(m.store);
  EXPECT_TRUE(m.messages.empty());
  EXPECT_EQ(text(*m.store, LM, "\\SOFTWARE\\vendor", "v"), "soft");
  EXPECT_EQ(text(*m.store, LM, "\\System\\CurrentControlSet\\Control", "V"), "one");
}

TEST(HiveRegistry, CurrentControlSetFollowsSelect) {
  Machine m;
  writeInstallation(controlSets(2), m.dir.path());
  m.open();
  EXPECT_TRUE(m.messages.empty());
  EXPECT_EQ(text(*m.store, LM, "\\System\\CurrentControlSet\\Control", "V"), "two");
  EXPECT_EQ(text(*m.store, LM, "\\SYSTEM\\currentcontrolset\\Control", "V"), "two");
  // relative opening from HKLM\System and from HKLM reaches it too
  auto system = m.store->openKey(LM, "System");
  ASSERT_TRUE(system);
  auto control = system->openSubkey("CurrentControlSet\\Control");
  ASSERT_TRUE(control);
  EXPECT_EQ(m.store->openKey(LM, "")->openSubkey("System\\CurrentControlSet")->subkeyCount(), 2u);
  // it is not listed beside the numbered sets
  auto names = system->subkeyNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "CurrentControlSet"), 0);
  EXPECT_EQ(m.store->openKey(LM, "")->subkeyNames(), (std::vector<std::string>{"SOFTWARE", "SYSTEM"}));
  // HKEY_CURRENT_CONFIG is the current hardware profile
  TRegistryEx r(m.store.get());
  r.setRootKey(RootKey::CurrentConfig);
  ASSERT_TRUE(r.openKeyReadOnly("\\Software\\Fonts"));
  EXPECT_EQ(r.readInteger("LogPixels"), 96);
}

TEST(HiveRegistry, SelectNamingAMissingControlSet) {
  Machine m;
  writeInstallation(controlSets(3), m.dir.path());
  m.open();
  ASSERT_EQ(m.messages.size(), 1u);
  EXPECT_NE(m.messages[0].find("control set 3"), std::string::npos) << m.messages[0];
  EXPECT_EQ(m.store->openKey(LM, "System\\CurrentControlSet"), nullptr);
  EXPECT_EQ(text(*m.store, LM, "\\System\\ControlSet001\\Control", "V"), "one");
  EXPECT_EQ(text(*m.store, LM, "\\Software\\Vendor", "V"), "soft");
}

TEST(HiveRegistry, ClassesRootIsTheUsersClassesOverTheMachines) {
  Machine m;
  const std::string user = writeInstallation(
      {strValue(LM, "Software\\Classes\\.txt", "", "txtfile"), strValue(LM, "Software\\Classes\\.log", "", "txtfile"),
       strValue(LM, "Software\\Classes\\.txt", "Content Type", "text/plain"),
       strValue(CU, "Software\\Classes\\.TXT", "", "userfile"), strValue(CU, "Software\\Classes\\.user", "", "u"),
       keyOnly(LM, "System\\Setup")},
      m.dir.path());
  m.open(user);
  EXPECT_TRUE(m.messages.empty());
  EXPECT_EQ(text(*m.store, RootKey::ClassesRoot, "\\.txt", ""), "userfile");
  EXPECT_EQ(text(*m.store, RootKey::ClassesRoot, "\\.txt", "Content Type"), "text/plain");
  EXPECT_EQ(text(*m.store, RootKey::ClassesRoot, "\\.log", ""), "txtfile");
  EXPECT_EQ(text(*m.store, RootKey::ClassesRoot, "\\.user", ""), "u");
  auto names = m.store->openKey(RootKey::ClassesRoot, "")->subkeyNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".TXT", ".log", ".user"}));
}

TEST(HiveRegistry, UserClassesComeFromTheProfilesUsrClassDat) {
  Machine m;
  const std::string user = writeInstallation(
      {strValue(LM, "Software\\Classes\\.txt", "", "txtfile"), strValue(CU, "Software\\Vendor", "V", "user"),
       keyOnly(CU, "Software\\Classes"), keyOnly(LM, "System\\Setup")},
      m.dir.path());
  fs::create_directories(m.dir.path() + "/AppData/Local/Microsoft/Windows");
  HiveWriter classes(m.dir.path() + "/AppData/Local/Microsoft/Windows/UsrClass.dat");
  classes.setValues(".txt", {HiveWriter::sz("", "myeditor")});
  classes.commit();
  m.open(user);
  EXPECT_TRUE(m.messages.empty());
  EXPECT_EQ(text(*m.store, CU, "\\Software\\Vendor", "V"), "user");
  EXPECT_EQ(text(*m.store, CU, "\\Software\\classes\\.txt", ""), "myeditor");
  EXPECT_EQ(text(*m.store, RootKey::ClassesRoot, "\\.txt", ""), "myeditor");
}

TEST(HiveRegistry, ValuesKeepTheirTypesAndBytes) {
  Machine m;
  std::string big(40000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  std::string qword = dw(1) + dw(0x80000000u);
  std::string multi = sz("a") + sz("日本") + std::string(2, '\0');
  writeInstallation({strValue(LM, "Software\\日本語キー", "名前", "値"),
                     {LM, "Software\\T", "Q", kRegQword, qword},
                     {LM, "Software\\T", "M", kRegMultiSz, multi},
                     {LM, "Software\\T", "Big", kRegBinary, big},
                     {LM, "Software\\T", "Odd", 0x1234, "xy"},
                     keyOnly(LM, "Software\\T\\Sub1"),
                     keyOnly(LM, "Software\\T\\Sub2"),
                     keyOnly(LM, "System\\Setup")},
                    m.dir.path());
  m.open();
  EXPECT_EQ(text(*m.store, LM, "\\Software\\日本語キー", "名前"), "値");
  auto t = m.store->openKey(LM, "software\\t");
  ASSERT_TRUE(t);
  RegValue v;
  ASSERT_TRUE(t->queryValue("q", v));
  EXPECT_EQ(v.type, kRegQword);
  EXPECT_EQ(v.data, qword);
  ASSERT_TRUE(t->queryValue("M", v));
  EXPECT_EQ(v.data, multi);
  ASSERT_TRUE(t->queryValue("BIG", v));
  EXPECT_EQ(v.data, big);
  ASSERT_TRUE(t->queryValue("Odd", v));
  EXPECT_EQ(v.type, 0x1234u);
  EXPECT_FALSE(t->queryValue("absent", v));
  EXPECT_EQ(t->valueNames(), (std::vector<std::string>{"Q", "M", "Big", "Odd"}));
  EXPECT_EQ(t->subkeyNames(), (std::vector<std::string>{"Sub1", "Sub2"}));
  EXPECT_EQ(t->subkeyCount(), 2u);
  EXPECT_NE(t->openSubkey("SUB2"), nullptr);
  EXPECT_EQ(t->openSubkey("Sub3"), nullptr);
}

// Each damaged SOFTWARE hive: one message naming it, HKLM\SOFTWARE missing, SYSTEM still read.
TEST(HiveRegistry, DamagedHivesGiveOneMessageAndAnEmptyRoot) {
  TempDir src;
  writeInstallation({strValue(LM, "Software\\Vendor", "V", "soft"), strValue(LM, "System\\Setup", "S", "sys")},
                    src.path());
  const std::string good = readFile(src.path() + "/Windows/System32/config/SOFTWARE");
  std::mt19937 rng(7);
  std::string random(good.size(), '\0');
  for (char& c : random) c = static_cast<char>(rng());
  std::string badSum = good;
  badSum[0x30] ^= 1;
  std::string noBins = good.substr(0, 0x1000);
  std::string badBin = good;
  badBin.replace(0x1000, 4, "xxxx");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "empty"},
      {good.substr(0, good.size() / 2), "truncated"},
      {good.substr(0, 1000), "truncated"},
      {noBins, "truncated"},
      {random, "not a registry hive"},
      {badSum, "bad checksum"},
      {badBin, "damaged"},
  };
  for (const auto& [bytes, why] : cases) {
    Machine m;
    writeBytes(m.config() + "/SOFTWARE", bytes);
    fs::copy_file(src.path() + "/Windows/System32/config/SYSTEM", m.config() + "/SYSTEM");
    m.open();
    ASSERT_EQ(m.messages.size(), 1u) << why;
    EXPECT_NE(m.messages[0].find(why), std::string::npos) << m.messages[0];
    EXPECT_NE(m.messages[0].find("/SOFTWARE"), std::string::npos);
    EXPECT_EQ(m.store->openKey(LM, "Software"), nullptr);
    ASSERT_NE(m.store->openKey(LM, ""), nullptr);
    EXPECT_EQ(text(*m.store, LM, "\\System\\Setup", "S"), "sys");
  }
}

TEST(HiveRegistry, DamagedCellsInsideAReadableHive) {
  Machine m;
  std::vector<RegEntry> entries;
  for (int i = 0; i < 20; ++i) entries.push_back(strValue(LM, "Software\\K" + std::to_string(i) + "\\Deep", "V", "x"));
  entries.push_back(keyOnly(LM, "System\\Setup"));
  writeInstallation(entries, m.dir.path());
  // break the key record of K7: libhivex then refuses the whole list of its siblings
  std::string bytes = readFile(m.config() + "/SOFTWARE");
  const auto k7 = bytes.find("K7");
  ASSERT_NE(k7, std::string::npos);
  bytes.replace(k7 - 80 + 4, 2, "zz");
  writeBytes(m.config() + "/SOFTWARE", bytes);
  m.open();
  EXPECT_TRUE(m.messages.empty());
  // a full walk does not crash; the sound keys are all there
  auto root = m.store->openKey(LM, "Software");
  ASSERT_TRUE(root);
  int found = 0;
  for (const auto& name : root->subkeyNames())
    if (auto k = m.store->openKey(LM, "Software\\" + name + "\\Deep")) found += k->valueNames().size() == 1;
  EXPECT_GE(found, 19);
}

TEST(HiveRegistry, SubkeysOpenedByHandleAreTheKeysOpenedByName) {
  Machine m;
  std::vector<RegEntry> entries{strValue(LM, "Software\\Zeta\\Inner", "V", "z"),
                                strValue(LM, "Software\\alpha", "", "default"),
                                dwordValue(LM, "Software\\Alpha2\\Deeper\\Deepest", "D", 7),
                                keyOnly(LM, "Software\\Empty"),
                                strValue(LM, "Software\\日本語キー\\下", "名前", "値"),
                                keyOnly(LM, "System\\Setup")};
  for (int i = 0; i < 300; ++i) entries.push_back(dwordValue(LM, "Software\\Wide\\K" + std::to_string(i), "N", i));
  writeInstallation(entries, m.dir.path());
  m.open();
  auto software = m.store->openKey(LM, "Software");
  ASSERT_TRUE(software);
  EXPECT_EQ(compareWalks(*software, "Software"), 310);

  // a damaged key record among siblings: the walk by handle leaves out what the listing leaves out
  std::vector<RegEntry> damaged;
  for (int i = 0; i < 20; ++i) damaged.push_back(strValue(LM, "Software\\K" + std::to_string(i) + "\\Deep", "V", "x"));
  damaged.push_back(keyOnly(LM, "System\\Setup"));
  Machine d;
  writeInstallation(damaged, d.dir.path());
  std::string bytes = readFile(d.config() + "/SOFTWARE");
  const auto k7 = bytes.find("K7");
  ASSERT_NE(k7, std::string::npos);
  bytes.replace(k7 - 80 + 4, 2, "zz");
  writeBytes(d.config() + "/SOFTWARE", bytes);
  d.open();
  auto root = d.store->openKey(LM, "Software");
  ASSERT_TRUE(root);
  EXPECT_GE(compareWalks(*root, "Software"), 38);  // at least 19 keys and their Deep
}

TEST(HiveRegistry, DirtyHiveIsReadAsItStands) {
  Machine m;
  writeInstallation(controlSets(1), m.dir.path());
  std::string bytes = readFile(m.config() + "/SYSTEM");
  hivebytes::put32(bytes, 0x04, 5);  // primary sequence ahead of the secondary: a write was not finished
  hivebytes::fixHeaderChecksum(bytes);
  writeBytes(m.config() + "/SYSTEM", bytes);
  m.open();
  EXPECT_TRUE(m.messages.empty());
  EXPECT_EQ(text(*m.store, LM, "\\System\\CurrentControlSet\\Control", "V"), "one");
}

TEST(RegistrySource, NothingConfigured) {
  std::vector<std::string> messages;
  EXPECT_EQ(openRegistrySource(Sources{}, messages), nullptr);
  EXPECT_TRUE(messages.empty());
}

TEST(RegistrySource, WrongPlacesAreReportedOnce) {
  TempDir dir;
  writeBytes(dir.file("NTUSER.DAT"), emptyHiveBytes());
  writeBytes(dir.file("empty/readme.txt"), "nothing here");
  const std::vector<std::pair<Sources, std::string>> cases = {
      {{dir.file("absent"), "", "", "", ""}, "not found"},
      {{dir.file("empty"), "", "", "", ""}, "no Windows installation"},
      {{dir.file("NTUSER.DAT"), "", "", "", ""}, "a single hive file"},
      {{"", dir.file("absent.dat"), "", "", ""}, "not found"},
  };
  for (const auto& [sources, why] : cases) {
    std::vector<std::string> messages;
    auto store = openRegistrySource(sources, messages);
    ASSERT_TRUE(store);
    ASSERT_EQ(messages.size(), 1u) << why;
    EXPECT_NE(messages[0].find(why), std::string::npos) << messages[0];
    EXPECT_NE(store->openKey(LM, ""), nullptr);
    EXPECT_EQ(store->openKey(LM, "Software"), nullptr);
    EXPECT_EQ(store->openKey(CU, "Software"), nullptr);
  }
}

TEST(RegistrySource, HivesAndExportsCombine) {
  TempDir dir;
  // machine from a .reg export (with HKEY_CLASSES_ROOT as exported), user from NTUSER.DAT
  writeBytes(dir.file("m.reg"), regExportBytes({strValue(LM, "Software\\Vendor", "V", "from reg"),
                                                strValue(RootKey::ClassesRoot, ".txt", "", "txtfile"),
                                                strValue(CU, "Software\\Ignored", "V", "machine file's user")}));
  const std::string user = writeInstallation({strValue(CU, "Software\\Mine", "V", "from hive")}, dir.file("inst"));
  std::vector<std::string> messages;
  auto store = openRegistrySource({dir.file("m.reg"), user, "", "", ""}, messages);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(text(*store, LM, "\\Software\\Vendor", "V"), "from reg");
  EXPECT_EQ(text(*store, CU, "\\Software\\Mine", "V"), "from hive");
  EXPECT_EQ(text(*store, CU, "\\Software\\Ignored", "V"), "(missing key)");
  EXPECT_EQ(text(*store, RootKey::ClassesRoot, "\\.txt", ""), "txtfile");
  // without a user file, the export's own HKEY_CURRENT_USER is read
  store = openRegistrySource({dir.file("m.reg"), "", "", "", ""}, messages);
  EXPECT_EQ(text(*store, CU, "\\Software\\Ignored", "V"), "machine file's user");
  // a damaged user hive: one message, an empty HKEY_CURRENT_USER
  writeBytes(dir.file("bad.dat"), "regf" + std::string(100, 'x'));
  messages.clear();
  store = openRegistrySource({dir.file("m.reg"), dir.file("bad.dat"), "", "", ""}, messages);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(store->openKey(CU, ""), nullptr);
  EXPECT_EQ(store->openKey(CU, "Software"), nullptr);
}

}  // namespace

#endif  // MERVANA_HIVEX
