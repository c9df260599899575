#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/TForm1.h"
#include "collect/FakeSystemServices.h"
#include "disk/HistoryChart.h"
#include "chart/XYGraph.h"
#include "gui/ChartPanel.h"
#include "gui/MainWindow.h"
#include "gui/QtTestApp.h"
#include "support/HistoryGrid.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

std::vector<std::string> history() {
  std::vector<std::string> lines{englishHeader({typicalAttributes()}), japaneseHeader({typicalAttributes()})};
  for (int i = 0; i < 3; ++i) {
    DriveCells d;
    d.temp = std::to_string(35 + i);
    d.warn = i == 2 ? "1" : "0";
    d.attrs[1].status = i == 2 ? "警戒" : "OK";
    lines.push_back(historyRow("2007/03/0" + std::to_string(5 + i) + " 09:00:00", {d}));
  }
  return lines;
}

TEST(ChartPanelQt, TheWindowShowsWhatTheChartViewHolds) {
  ensureQtApp();
  test::FakeSystemServices sys;
  sys.now = LocalTime{2007, 3, 9, 12, 0, 0};
  Platform platform;
  platform.system = &sys;
  MainWindow window(platform, "/opt/mervana/mervana");
  TForm1& form = window.form();
  form.FormCreate({});
  ChartPanel& panel = *window.chartPanel();
  EXPECT_EQ(&form.chartPanel(), static_cast<ChartPanelView*>(&panel));
  EXPECT_EQ(panel.ComboBox1()->placeholderText().toStdString(), "表示するデータを選択");
  EXPECT_EQ(panel.findChild<QLabel*>("Label23")->text().toStdString(), "記録日時");

  fillHistoryGrid(form.grid(), history());
  ShowHistoryChartFromGrid(form, form.chartPanel());
  EXPECT_TRUE(window.Panel1()->isVisibleTo(&window));
  EXPECT_FALSE(window.StringGrid1()->isVisibleTo(&window));
  EXPECT_FALSE(window.Memo1()->isVisibleTo(&window));
  EXPECT_EQ(panel.ComboBox1()->currentText().toStdString(), "温度");
  EXPECT_EQ(panel.ComboBox1()->itemText(4).toStdString(), "△再配置セクタ数");
  EXPECT_EQ(panel.label("Label10")->text().toStdString(), "37℃");
  EXPECT_EQ(panel.label("Label20")->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(panel.label("Label22")->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_EQ(panel.XYGraph1().Series(1).Count(), 3);

  // the user's choice draws it (the window runs ComboBox1Change)
  panel.ComboBox1()->setCurrentIndex(4);
  emit panel.ComboBox1()->activated(4);
  EXPECT_EQ(panel.label("Label27")->text().toStdString(), "警戒");
  EXPECT_EQ(panel.label("Label26")->text().toStdString(), "グラフの 緑は現在値、赤は過去の最悪値、青はしきい値 です");

  // a separator chosen by the user changes nothing
  panel.ComboBox1()->setCurrentIndex(2);
  emit panel.ComboBox1()->activated(2);
  EXPECT_EQ(panel.label("Label27")->text().toStdString(), "警戒");
}

TEST(ChartPanelQt, SavesTheChartAsPngAndSvg) {
  ensureQtApp();
  TXYGraph g;
  SetUpXYGraph1(g);
  g.Series(1).AddPoint(-10, 40);
  g.Series(1).AddPoint(0, 45);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::string message;
  const std::string png = (dir.path() + "/chart.png").toStdString();
  const std::string svg = (dir.path() + "/chart.svg").toStdString();
  ASSERT_TRUE(saveChartPicture(g, ChartPictureFormat::Png, 400, 300, png, message)) << message;
  ASSERT_TRUE(saveChartPicture(g, ChartPictureFormat::Svg, 400, 300, svg, message)) << message;
  EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(400, 300));
  QFile f(QString::fromStdString(svg));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains("<svg"));
  // a folder that does not exist: a message, no file
  EXPECT_FALSE(saveChartPicture(g, ChartPictureFormat::Png, 400, 300, (dir.path() + "/no/chart.png").toStdString(), message));
  EXPECT_FALSE(message.empty());
}

}  // namespace
