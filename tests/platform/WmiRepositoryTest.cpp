#include "platform/WmiRepository.h"

#include <gtest/gtest.h>

#include "platform/WmiInstancesFile.h"

using namespace mrv;

namespace {

const char kDisks[] =
    "class Win32_DiskDrive\n"
    "property Caption string\nkey DeviceID string\nproperty Index uint32\nproperty Model string\n"
    "property Name string\nproperty Size uint64\n"
    "instance\nDeviceID = \"\\\\\\\\.\\\\PHYSICALDRIVE0\"\nIndex = 0\nModel = \"ST380815AS\"\n"
    "Name = \"\\\\\\\\.\\\\PHYSICALDRIVE0\"\nSize = 80026361856\n"
    "instance\nDeviceID = \"\\\\\\\\.\\\\PHYSICALDRIVE1\"\nIndex = 1\nModel = \"Maxtor 6Y080L0\"\n"
    "Name = \"\\\\\\\\.\\\\PHYSICALDRIVE1\"\n";

WmiReplayProvider provider(const std::string& text) {
  std::vector<WmiClass> classes;
  std::string error;
  EXPECT_TRUE(parseWmiInstances(text, classes, error)) << error;
  return WmiReplayProvider(std::move(classes));
}

std::vector<std::string> names(const WmiObject& o) {
  std::vector<std::string> r;
  for (const auto& p : o.properties) r.push_back(p.name);
  return r;
}

std::uint32_t failure(WmiClassProvider& p, const std::string& wql) {
  try {
    wmiExecQuery(p, wql);
  } catch (const WmiError& e) {
    return e.hresult();
  }
  return 0;
}

}  // namespace

TEST(Wql, PartialQueriesAddKeysInEnumerationOrder) {
  auto p = provider(kDisks);
  const WmiObjectSet all = wmiExecQuery(p, "SELECT * FROM Win32_DiskDrive");
  ASSERT_EQ(all.count(), 2u);
  EXPECT_EQ(names(all.objects[0]), (std::vector<std::string>{"Caption", "DeviceID", "Index", "Model", "Name", "Size"}));
  const WmiObjectSet some = wmiExecQuery(p, "SELECT Size, Model FROM Win32_DiskDrive");
  EXPECT_EQ(names(some.objects[1]), (std::vector<std::string>{"DeviceID", "Model", "Size"}));
  EXPECT_EQ(std::get<std::string>(some.objects[0].item("size").value.items[0]), "80026361856");
  EXPECT_TRUE(some.objects[1].item("Size").value.isNull);
  EXPECT_THROW(some.objects[0].item("Caption"), WmiError);
}

TEST(Wql, WhereComparesLiteralsAsWmiDoes) {
  auto p = provider(kDisks);
  // WQL escapes: the query text \\\\.\\PHYSICALDRIVE1 names \\.\PHYSICALDRIVE1.
  auto one = wmiExecQuery(p, "SELECT Model FROM Win32_DiskDrive WHERE Name = \"\\\\\\\\.\\\\PHYSICALDRIVE1\"");
  ASSERT_EQ(one.count(), 1u);
  EXPECT_EQ(std::get<std::string>(one.objects[0].item("Model").value.items[0]), "Maxtor 6Y080L0");
  EXPECT_EQ(wmiExecQuery(p, "select model from win32_diskdrive where name = '\\\\\\\\.\\\\physicaldrive0'").count(), 1u);
  EXPECT_EQ(wmiExecQuery(p, "SELECT * FROM Win32_DiskDrive WHERE Index = 1").count(), 1u);
  EXPECT_EQ(wmiExecQuery(p, "SELECT * FROM Win32_DiskDrive WHERE Index = \"0\"").count(), 1u);
  EXPECT_EQ(wmiExecQuery(p, "SELECT * FROM Win32_DiskDrive WHERE Name = \"\\\\.\\PHYSICALDRIVE0\"").count(), 0u);
  EXPECT_EQ(wmiExecQuery(p, "SELECT * FROM Win32_DiskDrive WHERE Size = 80026361856").count(), 1u);
  EXPECT_EQ(wmiExecQuery(p, "SELECT * FROM Win32_DiskDrive WHERE Caption = \"x\"").count(), 0u);  // null never matches
}

TEST(Wql, FailuresAreWmis) {
  auto p = provider(kDisks);
  EXPECT_EQ(failure(p, "SELECT * FROM Win32_Nothing"), kWbemErrInvalidClass);
  for (const char* bad : {"", "SELECT", "SELECT * Win32_DiskDrive", "SELECT FROM Win32_DiskDrive",
                          "SELECT Model, FROM Win32_DiskDrive", "SELECT Colour FROM Win32_DiskDrive",
                          "SELECT * FROM Win32_DiskDrive WHERE", "SELECT * FROM Win32_DiskDrive WHERE Index > 0",
                          "SELECT * FROM Win32_DiskDrive WHERE Colour = 1",
                          "SELECT * FROM Win32_DiskDrive WHERE Name = \"open", "SELECT * FROM Win32_DiskDrive extra",
                          "DELETE FROM Win32_DiskDrive", "SELECT * FROM Win32_DiskDrive WHERE Index = Index"})
    EXPECT_EQ(failure(p, bad), kWbemErrInvalidQuery) << bad;
  EXPECT_THROW(wmiInstancesOf(p, "select * from Win32_DiskDrive"), WmiError);
  EXPECT_THROW(wmiInstancesOf(p, "Win32_Nothing"), WmiError);
  EXPECT_EQ(wmiInstancesOf(p, "win32_diskdrive").count(), 2u);

  WmiProviderService service(std::make_shared<WmiReplayProvider>(provider(kDisks)));
  EXPECT_NO_THROW(service.connectServer("", "root\\cimv2"));
  EXPECT_NO_THROW(service.connectServer(".", "ROOT\\CIMV2"));
  EXPECT_THROW(service.connectServer("", "root\\default"), WmiError);
  EXPECT_THROW(service.connectServer("SERVER9", "root\\CIMV2"), WmiError);
}

TEST(WmiInstancesFile, EveryTypeRoundTrips) {
  const std::string text =
      "# comment\n; another\n"
      "class Win32_All\n"
      "  key K string\n  property A sint8\n  property B uint8\n  property C sint16\n  property D uint16\n"
      "  property E sint32\n  property F uint32\n  property G sint64\n  property H uint64\n"
      "  property I real32\n  property J real64\n  property L boolean\n  property M object\n"
      "  property N datetime\n  property O reference\n  property P char16\n  property Q string[]\n"
      "  property R uint16[]\n  property S 42\n"
      "instance\n"
      "  K = \"quote \\\" and \\\\ backslash\"\n  A = -5\n  B = 200\n  C = -300\n  D = 60000\n  E = -70000\n"
      "  F = 4000000000\n  G = \"-9000000000\"\n  H = 18446744073709551615\n  I = 1.5\n  J = 2\n  L = true\n"
      "  M = \"obj\"\n  N = \"20060520000000.000000+540\"\n  O = \"Win32_X.K=1\"\n  P = 65\n"
      "  Q = {\"a\", \"b, c\", \"\"}\n  R = {}\n  S = NULL\n"
      "instance\n";
  std::vector<WmiClass> classes;
  std::string error;
  ASSERT_TRUE(parseWmiInstances(text, classes, error)) << error;
  ASSERT_EQ(classes.size(), 1u);
  const WmiClass& c = classes[0];
  ASSERT_EQ(c.instances.size(), 2u);
  const WmiObject o = c.object(0);
  EXPECT_TRUE(o.item("K").isKey);
  EXPECT_EQ(std::get<std::string>(o.item("K").value.items[0]), "quote \" and \\ backslash");
  EXPECT_EQ(std::get<std::int64_t>(o.item("F").value.items[0]), 4000000000);
  EXPECT_EQ(std::get<std::string>(o.item("H").value.items[0]), "18446744073709551615");
  EXPECT_EQ(std::get<double>(o.item("J").value.items[0]), 2.0);
  EXPECT_EQ(std::get<bool>(o.item("L").value.items[0]), true);
  EXPECT_EQ(o.item("Q").value.items.size(), 3u);
  EXPECT_TRUE(o.item("R").value.isArray);
  EXPECT_TRUE(o.item("R").value.items.empty());
  EXPECT_EQ(o.item("S").cimType, 42);
  EXPECT_TRUE(o.item("S").value.isNull);
  EXPECT_TRUE(c.object(1).item("A").value.isNull);

  std::vector<WmiClass> again;
  ASSERT_TRUE(parseWmiInstances(formatWmiInstances(classes), again, error)) << error;
  EXPECT_EQ(formatWmiInstances(again), formatWmiInstances(classes));
}

TEST(WmiInstancesFile, FaultsNameTheirLine) {
  auto fault = [](const std::string& text) {
    std::vector<WmiClass> classes;
    std::string error;
    EXPECT_FALSE(parseWmiInstances(text, classes, error)) << text;
    return error;
  };
  EXPECT_EQ(fault("property A string\n"), "line 1: property before any class");
  EXPECT_EQ(fault("class X\nproperty A\n"), "line 2: name and type expected");
  EXPECT_EQ(fault("class X\nproperty A colour\n"), "line 2: name and type expected");
  EXPECT_EQ(fault("class X\nproperty A string\nA = \"x\"\n"), "line 3: value outside an instance");
  EXPECT_EQ(fault("class X\nproperty A uint32\ninstance\nA = \"x\"\n"), "line 4: A: this type takes no text");
  EXPECT_EQ(fault("class X\nproperty A string\ninstance\nA = x\n"), "line 4: A: this type takes text in double quotes");
  EXPECT_EQ(fault("class X\nproperty A string\ninstance\nB = \"x\"\n"), "line 4: no property B in class X");
  EXPECT_EQ(fault("class X\nproperty A string[]\ninstance\nA = {\"x\"\n"), "line 4: A: ',' or '}' expected");
  EXPECT_EQ(fault("class X\nproperty A string\ninstance\nA = \"x\n"), "line 4: A: unterminated text");
  EXPECT_EQ(fault("class X\nclass x\n"), "line 2: class x given twice");
  EXPECT_EQ(fault("class X\nproperty A boolean\ninstance\nA = yes\n"), "line 4: A: TRUE or FALSE expected");
  EXPECT_EQ(fault("garbage\n"), "line 1: unknown line");

  std::string message;
  EXPECT_FALSE(openWmiInstancesFile("/nonexistent/wmi.txt", message));
  EXPECT_NE(message.find("/nonexistent/wmi.txt"), std::string::npos);
}

TEST(WmiInstancesFile, DamagedFilesAndQueriesFailCleanly) {
  // Deterministic damage: every kind of byte at many places of a good file and a good query.
  const std::string good = std::string(kDisks) + "class Win32_X\nproperty A string[]\ninstance\nA = {\"a\", \"b\"}\n";
  const std::string query = "SELECT Model FROM Win32_DiskDrive WHERE Name = \"\\\\\\\\.\\\\PHYSICALDRIVE1\"";
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int round = 0; round < 2000; ++round) {
    std::string text = good;
    for (int k = 0; k < 3; ++k) text[next() % text.size()] = static_cast<char>(next() & 0xFF);
    text.resize(next() % (text.size() + 1));
    std::vector<WmiClass> classes;
    std::string error;
    if (parseWmiInstances(text, classes, error)) {
      WmiReplayProvider p(std::move(classes));
      std::string q = query;
      q[next() % q.size()] = static_cast<char>(next() & 0xFF);
      try {
        wmiExecQuery(p, q);
      } catch (const WmiError&) {
      }
    } else {
      EXPECT_EQ(error.rfind("line ", 0), 0u);
    }
  }
}
