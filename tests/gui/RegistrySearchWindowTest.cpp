// The registry search as the administrator uses it: an offline Windows installation configured in
// the INI file, the search text typed into the first line, the menu item chosen.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "gui/MainWindow.h"
#include "gui/QtTestApp.h"
#include "platform/PlatformServices.h"
#include "support/RegistryFixtures.h"

using namespace mrv;
using namespace mrv::testing;

TEST(RegistrySearchWindow, FindsATextInTheSystemHiveOfAnOfflineInstallation) {
  ensureQtApp();
  TempDir dir;
  writeInstallation({dwordValue(RootKey::LocalMachine, "System\\Select", "Current", 1),
                     strValue(RootKey::LocalMachine, "System\\ControlSet001\\Services\\Tcpip\\Parameters", "Hostname",
                              "OFFICE-PC07"),
                     strValue(RootKey::LocalMachine, "System\\ControlSet001\\Services\\Tcpip\\Parameters", "Domain",
                              "sales.example"),
                     strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "ProductName",
                              "Windows 10 Pro")},
                    dir.path() + "/C");
  Sources sources;
  sources.registry = dir.path() + "/C";
  PlatformServices services(sources);
  ASSERT_NE(services.platform().registry, nullptr);

  MainWindow window(services.platform(), dir.path() + "/mervana");
  window.form().FormCreate({});
  window.findChild<QAction*>("SearchStr1")->trigger();
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Mervana 検索"));
  window.Memo1()->setPlainText("&office-pc");  // case-insensitive
  window.findChild<QAction*>("HKEYLOCALMACHINESystem21")->trigger();

  const QStringList lines = window.Memo1()->toPlainText().split('\n');
  ASSERT_GE(lines.size(), 5) << window.Memo1()->toPlainText().toStdString();
  EXPECT_EQ(lines[0], "&office-pc");
  EXPECT_EQ(lines[1], "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(lines[2], "\\System\\ControlSet001\\Services\\Tcpip\\Parameters");
  EXPECT_EQ(lines[3], "  Domain  ----  sales.example");
  EXPECT_EQ(lines[4], "  Hostname  ----  OFFICE-PC07");
  EXPECT_TRUE(window.Memo1()->isReadOnly());
  EXPECT_FALSE(window.findChild<QProgressBar*>("ProgressBar1")->isHidden());

  const QString shots = qEnvironmentVariable("MERVANA_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    window.show();
    QApplication::processEvents();
    window.grab().save(shots + "/registry-search.png");
  }
}
