// Panel1 and the chart painted with GDI, and the disk report in the Win32 window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "collect/FakeSystemServices.h"
#include "disk/HistoryChart.h"
#include "chart/XYGraph.h"
#include "platform/replay/DriveDump.h"
#include "support/HistoryAxes.h"
#include "support/HistoryGrid.h"
#include "win32gui/ChartPicture.h"
#include "win32gui/GdiCanvas.h"
#include "win32gui/MainWindow.h"
#include "win32gui/Win32TestSupport.h"
#include "support/FileBytes.h"

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

// The user picks an item of ComboBox1: the list tells its parent, as a click would.
void choose(Win32ChartPanel& panel, int index) {
  SendMessageW(panel.ComboBox1(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(panel.hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(panel.ComboBox1()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(panel.ComboBox1()));
}

std::string comboText(HWND combo, int index) {
  wchar_t buf[256] = {};
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf));
  return narrow(buf);
}

// A width x height picture painted through the GDI canvas, as 0x00RRGGBB pixels.
std::vector<std::uint32_t> paint(const std::function<void(Canvas&)>& draw, int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  {
    GdiCanvas canvas(dc);
    canvas.fillRect({0, 0, static_cast<double>(width), static_cast<double>(height)}, colors::White);
    draw(canvas);
  }
  GdiFlush();
  std::vector<std::uint32_t> out(static_cast<std::uint32_t*>(bits), static_cast<std::uint32_t*>(bits) + width * height);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  for (auto& p : out) p &= 0xFFFFFF;
  return out;
}

int count(const std::vector<std::uint32_t>& px, const std::function<bool(int, int, int)>& match) {
  int n = 0;
  for (auto p : px) n += match((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) ? 1 : 0;
  return n;
}
bool isRed(int r, int g, int b) { return r > 200 && g < 60 && b < 60; }
bool isGreen(int r, int g, int b) { return g > 100 && r < 60 && b < 60; }
bool isBlue(int r, int g, int b) { return b > 200 && r < 60 && g < 60; }

void sampleChart(TXYGraph& g) {
  TXYLineSeries& red = g.AddSeries();
  TXYLineSeries& green = g.AddSeries();
  TXYLineSeries& blue = g.AddSeries();
  red.setLinePen({colors::Red, 2, PenStyle::Solid});
  green.setLinePen({colors::Green, 2, PenStyle::Solid});
  blue.setLinePen({colors::Blue, 2, PenStyle::Solid});
  historyAxes(g);
  for (int d = -90; d <= 0; d += 10) {
    red.AddPoint(d, 100);
    green.AddPoint(d, 60);
    blue.AddPoint(d, 20);
  }
}

}  // namespace

TEST(Win32ChartPanel, TheWindowShowsWhatTheChartViewHolds) {
  test::FakeSystemServices sys;
  sys.now = LocalTime{2007, 3, 9, 12, 0, 0};
  Platform platform;
  platform.system = &sys;
  MainWindow window(platform, "C:\\opt\\mervana\\mervana.exe");
  TForm1& form = window.form();
  form.FormCreate({});
  Win32ChartPanel& panel = window.chartPanel();
  EXPECT_EQ(&form.chartPanel(), static_cast<ChartPanelView*>(&panel));
  EXPECT_EQ(panel.placeholderText(), "表示するデータを選択");
  EXPECT_EQ(windowText(panel.label("Label23")), "記録日時");

  fillHistoryGrid(form.grid(), history());
  ShowHistoryChartFromGrid(form, form.chartPanel());
  EXPECT_FALSE(hidden(panel.hwnd()));
  EXPECT_TRUE(hidden(window.StringGrid1()));
  EXPECT_TRUE(hidden(window.Memo1()));
  EXPECT_EQ(comboText(panel.ComboBox1(), static_cast<int>(SendMessageW(panel.ComboBox1(), CB_GETCURSEL, 0, 0))),
            "温度");
  EXPECT_EQ(comboText(panel.ComboBox1(), 4), "△再配置セクタ数");
  EXPECT_EQ(windowText(panel.label("Label10")), "37℃");
  EXPECT_EQ(panel.labelColor("Label20"), LabelColor::Red);
  EXPECT_EQ(panel.labelColor("Label22"), LabelColor::Black);
  EXPECT_EQ(panel.XYGraph1().Series(1).Count(), 3);

  // the user's choice draws it (the window runs ComboBox1Change)
  choose(panel, 4);
  EXPECT_EQ(windowText(panel.label("Label27")), "警戒");
  EXPECT_EQ(windowText(panel.label("Label26")), "グラフの 緑は現在値、赤は過去の最悪値、青はしきい値 です");
  // a separator chosen by the user changes nothing
  choose(panel, 2);
  EXPECT_EQ(windowText(panel.label("Label27")), "警戒");
  // items set from code do not run the command
  panel.setChoices({"a", "b"});
  EXPECT_EQ(panel.choiceIndex(), -1);
  panel.setChoiceIndex(5);
  EXPECT_EQ(panel.choiceIndex(), -1);
  EXPECT_EQ(windowText(panel.label("Label27")), "警戒");
}

TEST(Win32ChartPanel, GdiCanvasDrawsTheThreeLinesOnWhite) {
  TXYGraph g;
  sampleChart(g);
  const auto px = paint([&g](Canvas& c) { g.Paint(c, 640, 400); }, 640, 400);
  EXPECT_EQ(px[0], 0xFFFFFFu);
  EXPECT_GT(count(px, isRed), 400);
  EXPECT_GT(count(px, isGreen), 400);
  EXPECT_GT(count(px, isBlue), 400);
  g.Series(0).Clear();
  EXPECT_EQ(count(paint([&g](Canvas& c) { g.Paint(c, 640, 400); }, 640, 400), isRed), 0);
}

TEST(Win32ChartPanel, GdiCanvasClipsAndMeasuresJapaneseFullWidth) {
  const auto px = paint(
      [](Canvas& c) {
        c.setClipRect({10, 10, 20, 20});
        c.fillRect({0, 0, 100, 100}, colors::Red);
        c.resetClip();
        c.drawRect({50, 50, 10, 10}, Pen{colors::Blue, 1, PenStyle::Solid});
      },
      100, 100);
  EXPECT_EQ(count(px, isRed), 400);  // only the clip rectangle
  EXPECT_EQ(px[50 * 100 + 60], 0x0000FFu);  // the outline covers its right edge
  EXPECT_EQ(px[55 * 100 + 55], 0xFFFFFFu);
  HDC dc = CreateCompatibleDC(nullptr);
  {
    GdiCanvas c(dc);
    const Font f;
    const double ja = c.textExtent("日数", f).width;
    EXPECT_GT(ja, 24);
    EXPECT_LT(ja, 40);
    EXPECT_GT(ja, c.textExtent("00", f).width);
    EXPECT_EQ(c.textExtent("", f).width, 0);
  }
  DeleteDC(dc);
}

TEST(Win32DiskReport, TheReportOfAFailingDriveFillsTheGrid) {
  std::string message;
  auto drives = openDriveDumps(
      (std::filesystem::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading" / "4-failing").string(),
      message);
  ASSERT_TRUE(drives) << message;
  test::FakeSystemServices system;
  system.admin = true;
  Platform platform;
  platform.ata = drives.get();
  platform.system = &system;
  MainWindow window(platform, "C:\\nonexistent\\mervana.exe");
  window.form().FormCreate({});
  SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(window.commandId("HDD1"), 0), 0);
  HWND grid = window.StringGrid1();
  EXPECT_EQ(windowText(window.hwnd()), "Mervana HDD S.M.A.R.T.情報");
  EXPECT_FALSE(hidden(grid));
  EXPECT_TRUE(hidden(window.Memo1()));
  EXPECT_EQ(listColumns(grid), 11);  // the row labels and ten columns
  EXPECT_EQ(headerText(grid, 3), "状態");
  EXPECT_EQ(headerText(grid, 10), "エラー率?");
  // grid row 15 is attribute 5, failing
  EXPECT_EQ(listText(grid, 14, 0), "5");
  EXPECT_EQ(listText(grid, 14, 3), "故障");
  EXPECT_EQ(listText(grid, 14, 7), "2,276");
}

namespace {

std::uint32_t be32(const std::string& s, std::size_t at) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3]));
}

// The image rows of a PNG made of stored deflate blocks (what encodePng writes).
std::string storedPngRows(const std::string& png) {
  std::string z;
  for (std::size_t at = 8; at + 8 <= png.size();) {
    const std::uint32_t n = be32(png, at);
    if (png.compare(at + 4, 4, "IDAT") == 0) z += png.substr(at + 8, n);
    at += 12 + n;
  }
  std::string raw;
  for (std::size_t at = 2; at + 5 <= z.size();) {
    const bool last = z[at] & 1;
    const std::size_t n = static_cast<unsigned char>(z[at + 1]) | (static_cast<unsigned char>(z[at + 2]) << 8);
    raw += z.substr(at + 5, n);
    at += 5 + n;
    if (last) break;
  }
  return raw;
}

}  // namespace

TEST(Win32ChartPanel, SavesTheChartAsPngAndSvg) {
  TXYGraph g;
  sampleChart(g);
  const auto dir = std::filesystem::temp_directory_path() / ("mervana-chart-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(dir);
  std::string message;
  const auto png = dir / "chart.png", svg = dir / "chart.svg";
  ASSERT_TRUE(saveChartPicture(g, ChartPictureFormat::Png, 400, 300, png.string(), message)) << message;
  ASSERT_TRUE(saveChartPicture(g, ChartPictureFormat::Svg, 400, 300, svg.string(), message)) << message;
  const std::string bytes = testsupport::slurpFile(png);
  ASSERT_GT(bytes.size(), 33u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(be32(bytes, 16), 400u);
  EXPECT_EQ(be32(bytes, 20), 300u);
  const std::string rows = storedPngRows(bytes);
  ASSERT_EQ(rows.size(), 300u * (400 * 3 + 1));
  EXPECT_EQ(rows.substr(1, 3), "\xff\xff\xff");  // white at the top-left
  int red = 0;
  for (std::size_t y = 0; y < 300; ++y)
    for (std::size_t x = 0; x < 400; ++x) red += rows.compare(y * 1201 + 1 + x * 3, 3, "\xff\x00\x00", 3) == 0 ? 1 : 0;
  EXPECT_GT(red, 200);
  EXPECT_NE(testsupport::slurpFile(svg).find("<svg"), std::string::npos);
  // a folder that does not exist, or no size: a message, and an older picture stays whole
  EXPECT_FALSE(saveChartPicture(g, ChartPictureFormat::Png, 400, 300, (dir / "no" / "chart.png").string(), message));
  EXPECT_FALSE(message.empty());
  EXPECT_FALSE(saveChartPicture(g, ChartPictureFormat::Png, 0, 300, png.string(), message));
  EXPECT_EQ(testsupport::slurpFile(png), bytes);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
