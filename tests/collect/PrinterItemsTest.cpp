// The default printer rows and the printer tree lookup over a Windows registry (both file-backed
// stores), and the printers of an offline installation.
#include "collect/PrinterItems.h"

#include <gtest/gtest.h>

#include "base/Error.h"
#include "platform/Printers.h"
#include "support/RegistryFixtures.h"
#include "ui/MemoryViews.h"

namespace mrv {
namespace {

using namespace mrv::testing;

constexpr RootKey HKLM = RootKey::LocalMachine;
constexpr RootKey HKCU = RootKey::CurrentUser;
const std::string kTree = "System\\CurrentControlSet\\Control\\Print\\Printers";

// A DEVMODEW block: dmFields and dmColor as given, at the offsets of the Windows headers' DEVMODEW
// (mingw-w64's wingdi.h: offsetof(DEVMODEW, dmFields) is 72, offsetof(DEVMODEW, dmColor) 92).
std::string devMode(std::uint32_t fields, std::uint16_t color) {
  std::string b(220, '\0');
  hivebytes::put32(b, 72, fields);
  b[92] = static_cast<char>(color & 0xFF);
  b[93] = static_cast<char>(color >> 8);
  return b;
}

std::vector<RegEntry> officePrinters() {
  return {
      strValue(HKLM, kTree + "\\Accounting", "Name", "Accounting"),
      strValue(HKLM, kTree + "\\Accounting", "Printer Driver", "Generic / Text Only"),
      strValue(HKLM, kTree + "\\Accounting", "Port", "LPT1:"),
      {HKLM, kTree + "\\Accounting", "Default DevMode", kRegBinary, devMode(0x0800, 1)},
      strValue(HKLM, kTree + "\\Colour", "Name", "RICOH Aficio MP C2500 RPCS"),
      strValue(HKLM, kTree + "\\Colour", "Printer Driver", "RICOH Aficio MP C2500 RPCS"),
      strValue(HKLM, kTree + "\\Colour", "Port", "IP_192.168.0.250"),
      {HKLM, kTree + "\\Colour", "Default DevMode", kRegBinary, devMode(0x0800, 2)},
      strValue(HKLM, kTree + "\\Fax", "Name", "Fax"),
      {HKLM, kTree + "\\Fax", "Default DevMode", kRegBinary, devMode(0, 2)},
      keyOnly(HKLM, kTree + "\\Broken"),
      strValue(HKCU, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Device",
               "RICOH Aficio MP C2500 RPCS,winspool,IP_192.168.0.250"),
  };
}

class PrinterTree : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    store_ = openFixture(GetParam(), officePrinters(), dir_, messages_);
    ASSERT_TRUE(store_);
  }
  TempDir dir_;
  std::vector<std::string> messages_;
  std::unique_ptr<RegistryStore> store_;
};

TEST_P(PrinterTree, LooksThePrinterUpByItsName) {
  CollectionState state(store_.get());
  PrinterDriverPort r = DefaultPrinterDriverPort(state, "RICOH Aficio MP C2500 RPCS", true);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.driver, "RICOH Aficio MP C2500 RPCS");
  EXPECT_EQ(r.port, "IP_192.168.0.250");
  EXPECT_EQ(state.reg.rootKey(), RootKey::LocalMachine);
  EXPECT_TRUE(state.keyOpen);
  EXPECT_TRUE(endsWith(state.reg.currentPath(), "\\Colour")) << state.reg.currentPath();

  // 9x lists "name on port"; the tree knows the name alone, found in any letter case of " on "
  r = DefaultPrinterDriverPort(state, "Accounting On LPT1:", false);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.port, "LPT1:");
  // on NT the whole listed name is looked for
  EXPECT_FALSE(DefaultPrinterDriverPort(state, "Accounting on LPT1:", true).found);

  r = DefaultPrinterDriverPort(state, "Nobody's printer", true);
  EXPECT_FALSE(r.found);
  EXPECT_EQ(r.driver, "");
  EXPECT_EQ(r.port, "");
  // a key without a Name value does not match a PC without a default printer
  EXPECT_FALSE(DefaultPrinterDriverPort(state, "", true).found);
}

TEST_P(PrinterTree, AnOfflineInstallationAnswersForItsPrinters) {
  Sources sources;
  sources.registry = dir_.path();
  auto printers = openPrinterService(sources, store_.get());
  // in the registry's order, their keys sorted whatever order an export wrote them in; a key
  // without a Name is listed by its key name
  const std::vector<std::string> listed = {"Accounting", "Broken", "RICOH Aficio MP C2500 RPCS", "Fax"};
  EXPECT_EQ(printers->printerNames(), listed);
  EXPECT_EQ(printers->colorMode("Accounting"), kPrinterColorMonochrome);
  // dmColor is taken as it stands, whatever dmFields says of it
  EXPECT_EQ(printers->colorMode("Fax"), kPrinterColorColor);
  EXPECT_THROW(printers->colorMode("Broken"), MrvError);

  Platform platform;
  platform.registry = store_.get();
  platform.printers = printers.get();
  CollectionState state(store_.get());
  ScriptedDialogs dialogs;
  CollectionContext ctx(platform, state, dialogs);
  const std::vector<std::string> expected = {"RICOH Aficio MP C2500 RPCS", "RICOH Aficio MP C2500 RPCS",
                                             "IP_192.168.0.250", "2:Color"};
  EXPECT_EQ(DefaultPrinterItems(ctx), expected);
}

INSTANTIATE_TEST_SUITE_P(Stores, PrinterTree, ::testing::Values(Backend::RegExport, Backend::Hives),
                         [](const auto& info) { return std::string(backendName(info.param)); });

TEST(PrinterColorText, DeviceModeColours) {
  EXPECT_EQ(PrinterColorText(2), "2:Color");
  EXPECT_EQ(PrinterColorText(1), "1:Black");
  EXPECT_EQ(PrinterColorText(0), "0");
}

}  // namespace
}  // namespace mrv
