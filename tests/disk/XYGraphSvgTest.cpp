#include <gtest/gtest.h>

#include "support/HistoryAxes.h"

#include <cmath>
#include <algorithm>
#include <string>
#include <vector>

#include "base/Text.h"
#include "chart/SvgCanvas.h"
#include "chart/XYGraph.h"

using namespace mrv;

namespace {

struct Polyline {
  std::vector<PointF> points;
  std::string stroke;
  int width = 0;
};

// The elements of one kind, each as its text from "<name " to its end ("/>" or the closing tag).
std::vector<std::string> elements(const std::string& svg, const std::string& name) {
  std::vector<std::string> out;
  const std::string open = "<" + name + " ";
  for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
    const std::size_t end = svg.find('\n', at);
    out.push_back(svg.substr(at, end - at));
  }
  return out;
}

std::string attr(const std::string& element, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const std::size_t at = element.find(key);
  if (at == std::string::npos) return "";
  const std::size_t from = at + key.size();
  return element.substr(from, element.find('"', from) - from);
}

std::vector<Polyline> polylines(const std::string& svg) {
  std::vector<Polyline> out;
  for (const std::string& e : elements(svg, "polyline")) {
    Polyline p;
    p.stroke = attr(e, "stroke");
    p.width = std::stoi(attr(e, "stroke-width"));
    for (const std::string& pair : split(attr(e, "points"), ' ')) {
      const std::size_t comma = pair.find(',');
      p.points.push_back({std::stod(pair.substr(0, comma)), std::stod(pair.substr(comma + 1))});
    }
    out.push_back(p);
  }
  return out;
}

struct Text {
  double x = 0, y = 0;
  std::string text;
};

std::vector<Text> texts(const std::string& svg) {
  std::vector<Text> out;
  for (const std::string& e : elements(svg, "text")) {
    const std::size_t from = e.find('>') + 1;
    out.push_back({std::stod(attr(e, "x")), std::stod(attr(e, "y")), e.substr(from, e.find("</text>") - from)});
  }
  return out;
}

std::vector<std::string> textsOnly(const std::string& svg) {
  std::vector<std::string> out;
  for (const Text& t : texts(svg)) out.push_back(t.text);
  return out;
}

using mrv::testing::historyAxes;

void expectAt(PointF p, double x, double y) {
  EXPECT_NEAR(p.x, x, 0.01);
  EXPECT_NEAR(p.y, y, 0.01);
}

}  // namespace

TEST(XYGraphSvg, SeriesAreMappedToThePlotAndClippedAtItsEdges) {
  TXYGraph g;
  TXYLineSeries& red = g.AddSeries();
  TXYLineSeries& green = g.AddSeries();
  TXYLineSeries& blue = g.AddSeries();
  red.setLinePen({colors::Red, 2, PenStyle::Solid});
  green.setLinePen({colors::Green, 2, PenStyle::Solid});
  blue.setLinePen({colors::Blue, 2, PenStyle::Solid});
  historyAxes(g);
  red.AddPoint(-90, 0);
  red.AddPoint(-45, 60);
  red.AddPoint(0, 120);
  green.AddPoint(-60, 30);
  green.AddPoint(-30, 90);
  // leaves the plot to the left, over the top and comes back
  blue.AddPoint(-120, 60);
  blue.AddPoint(-60, 60);
  blue.AddPoint(-30, 200);
  blue.AddPoint(0, 60);

  SvgCanvas measure(640, 400);
  const RectF r = g.PlotRect(measure, 640, 400);
  ASSERT_GT(r.width, 400);
  ASSERT_GT(r.height, 250);
  const auto X = [&](double v) { return r.left() + (v + 90) / 90 * r.width; };
  const auto Y = [&](double v) { return r.bottom() - v / 120 * r.height; };

  const std::vector<Polyline> lines = polylines(renderGraphSvg(g, 640, 400));
  ASSERT_EQ(lines.size(), 4u);  // red, green, blue in two pieces, in the order attached
  EXPECT_EQ(lines[0].stroke, "#ff0000");
  EXPECT_EQ(lines[1].stroke, "#008000");
  EXPECT_EQ(lines[2].stroke, "#0000ff");
  EXPECT_EQ(lines[3].stroke, "#0000ff");
  EXPECT_EQ(lines[0].width, 2);

  ASSERT_EQ(lines[0].points.size(), 3u);
  expectAt(lines[0].points[0], r.left(), r.bottom());
  expectAt(lines[0].points[1], r.left() + r.width / 2, r.top() + r.height / 2);
  expectAt(lines[0].points[2], r.right(), r.top());
  ASSERT_EQ(lines[1].points.size(), 2u);
  expectAt(lines[1].points[1], X(-30), Y(90));

  // Blue: enters at the left edge, leaves through the top where y reaches 120 ...
  ASSERT_EQ(lines[2].points.size(), 3u);
  expectAt(lines[2].points[0], r.left(), Y(60));
  expectAt(lines[2].points[1], X(-60), Y(60));
  expectAt(lines[2].points[2], X(-60 + 30 * 60.0 / 140), r.top());
  // ... and comes back through the top on its way down to (0, 60).
  ASSERT_EQ(lines[3].points.size(), 2u);
  expectAt(lines[3].points[0], X(-30 + 30 * 80.0 / 140), r.top());
  expectAt(lines[3].points[1], r.right(), Y(60));
}

TEST(XYGraphSvg, TickLabelsAndTitle) {
  TXYGraph g;
  historyAxes(g);
  const std::string svg = renderGraphSvg(g, 640, 400);
  const std::vector<std::string> expected{"-90", "-60", "-30", "0", "0", "20", "40", "60", "80", "100", "120", "日数"};
  EXPECT_EQ(textsOnly(svg), expected);
  // The plot is clipped for the series.
  EXPECT_NE(svg.find("<clipPath"), std::string::npos);

  g.YAxis().setLabelDecimal(1);
  g.XAxis().setTickStep(45);
  const std::vector<std::string> decimals{"-90", "-45", "0", "0.0", "20.0", "40.0", "60.0", "80.0", "100.0", "120.0", "日数"};
  EXPECT_EQ(textsOnly(renderGraphSvg(g, 640, 400)), decimals);
}

TEST(XYGraphSvg, LabelsStayInsideThePictureAndApart) {
  TXYGraph g;
  historyAxes(g);
  g.XAxis().setTickStep(10);
  SvgCanvas m(1, 1);
  for (int width : {640, 200, 120}) {
    const std::vector<Text> t = texts(renderGraphSvg(g, width, 300));
    double lastRight = -1e9;
    int xLabels = 0;
    for (const Text& label : t) {
      const double w = m.textExtent(label.text, g.XAxis().LabelFont()).width;
      EXPECT_GE(label.x, 0) << width << " " << label.text;
      EXPECT_LE(label.x + w, width + 0.01) << width << " " << label.text;
      if (label.y > 250 && label.text != "日数") {  // the x labels along the bottom
        EXPECT_GE(label.x, lastRight) << width << " " << label.text;
        lastRight = label.x + w;
        ++xLabels;
      }
    }
    EXPECT_GE(xLabels, 2) << width;
    if (width == 640) {
      EXPECT_EQ(xLabels, 10);
    }
    if (width == 120) {
      EXPECT_LT(xLabels, 10);
    }
  }
}

TEST(XYGraphSvg, LonePointsBreaksAndInvalidAxes) {
  TXYGraph g;
  historyAxes(g);
  TXYLineSeries& s = g.AddSeries();
  s.AddPoint(-50, 50);
  std::vector<Polyline> lines = polylines(renderGraphSvg(g, 400, 300));
  ASSERT_EQ(lines.size(), 1u);  // a single point still shows
  EXPECT_EQ(lines[0].points.size(), 2u);

  s.AddPoint(NAN, 10);
  s.AddPoint(-10, 60);
  EXPECT_EQ(polylines(renderGraphSvg(g, 400, 300)).size(), 1u);  // joined across the gap
  s.setDisContinue(true);
  EXPECT_EQ(polylines(renderGraphSvg(g, 400, 300)).size(), 2u);

  // A series entirely outside the range draws nothing.
  s.Clear();
  s.AddPoint(-500, 50);
  s.AddPoint(-400, 500);
  EXPECT_TRUE(polylines(renderGraphSvg(g, 400, 300)).empty());

  // An axis left with Min = Max by a refused value paints the frame only, and a tiny area paints.
  s.AddPoint(-10, 10);
  EXPECT_ANY_THROW(g.XAxis().setMin(0));
  EXPECT_TRUE(polylines(renderGraphSvg(g, 400, 300)).empty());
  g.XAxis().setMin(-90);
  EXPECT_NO_THROW(renderGraphSvg(g, 1, 1));
  // Too many ticks for the step left from before (the step is only checked when set) still draw.
  g.XAxis().setMin(-9999);
  const std::string svg = renderGraphSvg(g, 400, 300);
  EXPECT_LT(texts(svg).size(), 40u);
}

TEST(XYGraphSvg, LogarithmicAxisLabelsDecades) {
  TXYGraph g;
  g.YAxis().setMax(1000);
  g.YAxis().setMin(1);
  g.YAxis().setScale(AxisScale::Logarithmic);
  g.XAxis().setMax(10);
  g.XAxis().setMin(0);
  TXYLineSeries& s = g.AddSeries();
  s.AddPoint(0, 1);
  s.AddPoint(5, 100);
  s.AddPoint(10, 0);  // not on a logarithmic axis: passed over
  const std::string svg = renderGraphSvg(g, 400, 300);
  const std::vector<std::string> t = textsOnly(svg);
  for (const char* d : {"1", "10", "100", "1000"}) EXPECT_NE(std::find(t.begin(), t.end(), d), t.end()) << d;
  const std::vector<Polyline> lines = polylines(svg);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].points.size(), 2u);
  SvgCanvas m(400, 300);
  const RectF r = g.PlotRect(m, 400, 300);
  expectAt(lines[0].points[1], r.left() + r.width / 2, r.bottom() - r.height * 2 / 3);
}

TEST(XYGraphSvg, TextIsMeasuredByCharacterAndEscaped) {
  SvgCanvas c(10, 10);
  const Font f;  // 16 px
  EXPECT_DOUBLE_EQ(c.textExtent("日数", f).width, 32);
  EXPECT_DOUBLE_EQ(c.textExtent("ｱｲ", f).width, 16);  // half-width katakana
  EXPECT_NEAR(c.textExtent("-90", f).width, (0.333 + 2 * 0.556) * 16, 1e-9);
  EXPECT_GT(c.textExtent("温度", f).width, c.textExtent("WW", f).width);  // full-width beats any Latin pair

  TXYGraph g;
  g.XAxis().setTitle("a<b&\"c\"\xff");
  const std::string svg = renderGraphSvg(g, 300, 200);
  EXPECT_NE(svg.find(">a&lt;b&amp;&quot;c&quot;\xEF\xBF\xBD</text>"), std::string::npos);
}
