#include <gtest/gtest.h>

#include <QApplication>

#include "gui/QtTestApp.h"
#include "support/HistoryAxes.h"
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>

#include "chart/XYGraph.h"
#include "gui/QtCanvas.h"
#include "gui/XYGraphWidget.h"

using namespace mrv;

namespace {


void sampleChart(TXYGraph& g) {
  TXYLineSeries& red = g.AddSeries();
  TXYLineSeries& green = g.AddSeries();
  TXYLineSeries& blue = g.AddSeries();
  red.setLinePen({colors::Red, 2, PenStyle::Solid});
  green.setLinePen({colors::Green, 2, PenStyle::Solid});
  blue.setLinePen({colors::Blue, 2, PenStyle::Solid});
  mrv::testing::historyAxes(g);
  for (int d = -90; d <= 0; d += 10) {
    red.AddPoint(d, 100);
    green.AddPoint(d, 60);
    blue.AddPoint(d, 20);
  }
}

int countPixels(const QImage& img, const std::function<bool(QColor)>& match) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += match(img.pixelColor(x, y)) ? 1 : 0;
  return n;
}

bool isRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }
bool isGreen(QColor c) { return c.green() > 100 && c.red() < 60 && c.blue() < 60; }
bool isBlue(QColor c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; }

}  // namespace

TEST(XYGraphQt, PngShowsTheThreeLinesOnWhite) {
  ensureQtApp();
  TXYGraph g;
  sampleChart(g);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = (dir.path() + "/chart.png").toStdString();
  std::string message;
  ASSERT_TRUE(saveGraphPng(g, 640, 400, path, message)) << message;
  QImage img(QString::fromStdString(path));
  ASSERT_EQ(img.size(), QSize(640, 400));
  EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::white));
  // each line runs across the whole plot
  EXPECT_GT(countPixels(img, isRed), 400);
  EXPECT_GT(countPixels(img, isGreen), 400);
  EXPECT_GT(countPixels(img, isBlue), 400);

  EXPECT_FALSE(saveGraphPng(g, 640, 400, (dir.path() + "/missing/chart.png").toStdString(), message));
  EXPECT_FALSE(message.empty());
  EXPECT_FALSE(saveGraphPng(g, 0, 400, path, message));
}

TEST(XYGraphQt, WidgetShowsWhatTheGraphHolds) {
  ensureQtApp();
  XYGraphWidget w;
  w.resize(400, 300);
  sampleChart(w.graph());
  EXPECT_GT(countPixels(w.grab().toImage(), isRed), 300);
  w.graph().Series(0).Clear();
  const QImage after = w.grab().toImage();
  EXPECT_EQ(countPixels(after, isRed), 0);
  EXPECT_GT(countPixels(after, isBlue), 300);
}

TEST(XYGraphQt, JapaneseTextIsMeasuredFullWidth) {
  ensureQtApp();
  QImage img(10, 10, QImage::Format_RGB32);
  QPainter p(&img);
  QtCanvas c(p);
  const Font f;  // Arial 16 px, Japanese from the fallback font
  const double ja = c.textExtent("日数", f).width;
  EXPECT_GT(ja, 24);
  EXPECT_LT(ja, 40);
  EXPECT_GT(ja, c.textExtent("00", f).width);
}
