#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/Error.h"
#include "chart/XYGraph.h"

using namespace mrv;

namespace {

// Runs f and returns the message of the MrvError it raises ("" when none).
template <class F>
std::string errorOf(F f) {
  try {
    f();
  } catch (const MrvError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(XYGraphAxis, NewAxisDefaults) {
  TXYGraph g;
  for (const TGraphAxis* a : {&g.XAxis(), &g.YAxis()}) {
    EXPECT_EQ(a->Min(), 0);
    EXPECT_EQ(a->Max(), 10);
    EXPECT_EQ(a->TickStep(), 2);
    EXPECT_EQ(a->SubTicksCount(), 5);
    EXPECT_EQ(a->LabelDecimal(), 0);
    EXPECT_EQ(a->Origin(), 0);
    EXPECT_TRUE(a->AutoMin() && a->AutoMax() && a->AutoStep() && a->AutoOrigin());
    EXPECT_FALSE(a->LabelsOnAxis());
    EXPECT_EQ(a->Scale(), AxisScale::Normal);
    EXPECT_EQ(a->LabelFont().family, "Arial");
    EXPECT_EQ(a->LabelFont().pixelSize, 16);
  }
  EXPECT_EQ(g.BackColor(), colors::White);
  EXPECT_EQ(g.GridStyle(), GridStyle::TicksAndSubTicks);
}

TEST(XYGraphAxis, SettingAValueTurnsItsAutomaticFlagOff) {
  TXYGraph g;
  TGraphAxis& a = g.XAxis();
  a.setMin(-5);
  EXPECT_FALSE(a.AutoMin());
  EXPECT_TRUE(a.AutoMax());
  a.setMax(5);
  EXPECT_FALSE(a.AutoMax());
  EXPECT_TRUE(a.AutoOrigin());
  a.setOrigin(-5);
  EXPECT_FALSE(a.AutoOrigin());
  EXPECT_TRUE(a.AutoStep());
  a.setTickStep(1);
  EXPECT_FALSE(a.AutoStep());
}

TEST(XYGraphAxis, SettingTheValueAnEndAlreadyHasLeavesItAutomatic) {
  TXYGraph g;
  TGraphAxis& a = g.YAxis();
  a.setMin(0);   // the new axis's own Min
  a.setMax(10);  // and Max
  EXPECT_TRUE(a.AutoMin());
  EXPECT_TRUE(a.AutoMax());
  a.setMax(20);
  EXPECT_FALSE(a.AutoMax());
}

TEST(XYGraphAxis, AutomaticOriginIsZeroClampedIntoTheRange) {
  TXYGraph g;
  TGraphAxis& a = g.YAxis();
  a.setMin(-90);
  a.setMax(-10);  // all below zero: the axes cross at Max
  EXPECT_EQ(a.Origin(), -10);
  a.setMax(40);
  EXPECT_EQ(a.Origin(), 0);
  a.setMin(5);  // all above zero: at Min
  EXPECT_EQ(a.Origin(), 5);
}

TEST(XYGraphAxis, RangeCheckAndTheInvalidPairARefusedMinLeaves) {
  TXYGraph g;
  TGraphAxis& x = g.XAxis();
  x.setMin(-9999);
  x.setMax(0);
  // A history without rows: the caller sets Min 0 against Max 0.
  EXPECT_EQ(errorOf([&] { x.setMin(0); }), "軸の範囲を超えています");
  EXPECT_EQ(x.Min(), 0);  // stored although refused
  EXPECT_EQ(x.Max(), 0);
  EXPECT_EQ(errorOf([&] { x.setMin(-30); }), "");
  EXPECT_EQ(x.Min(), -30);
  EXPECT_EQ(errorOf([&] { x.setMax(-40); }), "軸の範囲を超えています");
  EXPECT_EQ(x.Max(), -40);
  // Setting both ends again, as the chart view does before each drawing, gives a valid axis.
  EXPECT_EQ(errorOf([&] { x.setMin(-9999); }), "");
  EXPECT_EQ(errorOf([&] { x.setMax(0); }), "");
  // Values that are not numbers are refused without being stored.
  EXPECT_EQ(errorOf([&] { x.setMin(NAN); }), "軸の範囲を超えています");
  EXPECT_EQ(errorOf([&] { x.setMax(INFINITY); }), "軸の範囲を超えています");
  EXPECT_EQ(x.Min(), -9999);
  EXPECT_EQ(x.Max(), 0);
}

TEST(XYGraphAxis, TinySpanIsWidenedAndOriginFollowsTheRange) {
  TXYGraph g;
  TGraphAxis& y = g.YAxis();
  y.setMax(1e-12);
  EXPECT_DOUBLE_EQ(y.Max(), 1e-8);
  y.setMax(100);
  y.setOrigin(50);
  y.setMax(40);  // the origin is pulled into the new range
  EXPECT_EQ(y.Origin(), 40);
  y.setMin(10);
  y.setMax(20);
  EXPECT_EQ(y.Origin(), 20);
}

TEST(XYGraphAxis, LogarithmicScaleNeedsAPositiveRange) {
  TXYGraph g;
  TGraphAxis& y = g.YAxis();
  const char* msg = "対数目盛では軸の範囲はゼロより大きくないといけません";
  EXPECT_EQ(errorOf([&] { y.setScale(AxisScale::Logarithmic); }), msg);
  EXPECT_EQ(y.Scale(), AxisScale::Normal);
  y.setMax(1000);
  y.setMin(1);
  y.setScale(AxisScale::Logarithmic);
  EXPECT_EQ(errorOf([&] { y.setMin(0); }), msg);
  EXPECT_EQ(y.Min(), 0);
  EXPECT_EQ(errorOf([&] { y.setMin(-1); }), msg);
  EXPECT_EQ(errorOf([&] { y.setMin(0.1); }), "");
}

TEST(XYGraphAxis, OriginCheckLeavesARefusedOriginUnchanged) {
  TXYGraph g;
  TGraphAxis& x = g.XAxis();
  x.setMin(-90);
  x.setMax(0);
  x.setOrigin(-90);  // at Min is allowed
  EXPECT_EQ(x.Origin(), -90);
  EXPECT_EQ(errorOf([&] { x.setOrigin(-90.5); }), "軸の交点の値が最小値以下です");
  EXPECT_EQ(errorOf([&] { x.setOrigin(1); }), "軸の交点の値が最大値を超えています");
  EXPECT_EQ(errorOf([&] { x.setOrigin(NAN); }), "軸の交点の値が最小値以下です");
  EXPECT_EQ(x.Origin(), -90);
  EXPECT_EQ(errorOf([&] { x.setOrigin(0); }), "");
}

TEST(XYGraphAxis, TickStepCheck) {
  TXYGraph g;
  TGraphAxis& x = g.XAxis();
  x.setMin(-90);
  x.setMax(0);
  EXPECT_EQ(errorOf([&] { x.setTickStep(30); }), "");
  EXPECT_EQ(x.TickStep(), 30);
  EXPECT_EQ(errorOf([&] { x.setTickStep(2); }), "目盛間隔が小さすぎます");  // 45 steps
  EXPECT_EQ(errorOf([&] { x.setTickStep(3); }), "");                       // exactly 30 steps
  EXPECT_EQ(errorOf([&] { x.setTickStep(0); }), "目盛間隔はゼロ以下に設定できません");
  EXPECT_EQ(errorOf([&] { x.setTickStep(-10); }), "目盛間隔はゼロ以下に設定できません");
  EXPECT_EQ(errorOf([&] { x.setTickStep(NAN); }), "目盛間隔はゼロ以下に設定できません");
  EXPECT_EQ(errorOf([&] { x.setTickStep(91); }), "目盛間隔が軸の範囲を超えています");
  EXPECT_EQ(x.TickStep(), 3);
  EXPECT_FALSE(x.AutoStep());
  // 30-day ticks over more than 900 days are too many.
  x.setMin(-930);
  EXPECT_EQ(errorOf([&] { x.setTickStep(30); }), "目盛間隔が小さすぎます");
}

TEST(XYGraphAxis, SubTicksCountOutside1To19IsIgnored) {
  TXYGraph g;
  TGraphAxis& x = g.XAxis();
  x.setSubTicksCount(6);
  for (int bad : {20, 0, -1}) {
    x.setSubTicksCount(bad);
    EXPECT_EQ(x.SubTicksCount(), 6) << bad;
  }
  x.setSubTicksCount(19);
  EXPECT_EQ(x.SubTicksCount(), 19);
  x.setSubTicksCount(1);
  EXPECT_EQ(x.SubTicksCount(), 1);
}

TEST(XYGraphAxis, AutomaticTickStep) {
  EXPECT_DOUBLE_EQ(autoTickStep(4000), 1000);  // q 666.7, m 6.67
  EXPECT_DOUBLE_EQ(autoTickStep(120), 20);     // q 20, m 2
  EXPECT_DOUBLE_EQ(autoTickStep(6), 1);        // m exactly 1
  EXPECT_DOUBLE_EQ(autoTickStep(10), 2);
  EXPECT_DOUBLE_EQ(autoTickStep(15), 2.5);
  EXPECT_DOUBLE_EQ(autoTickStep(30), 5);
  EXPECT_DOUBLE_EQ(autoTickStep(300), 50);
  EXPECT_DOUBLE_EQ(autoTickStep(0.6), 0.1);
  EXPECT_DOUBLE_EQ(autoTickStep(99999), 20000);
  EXPECT_EQ(autoTickStep(0), 0);
  EXPECT_EQ(autoTickStep(NAN), 0);
  // An axis with AutoStep on follows its range.
  TXYGraph g;
  g.YAxis().setMax(120);
  EXPECT_EQ(g.YAxis().TickStep(), 20);
}

TEST(XYGraphAxis, AutomaticMaximumWalksWholeStepsThenTenths) {
  TXYGraph g;
  TGraphAxis& y = g.YAxis();
  TXYLineSeries& s = g.AddSeries();
  y.setMax(99999);
  y.setMin(0);
  s.AddPoint(-10, 120);
  s.AddPoint(0, 4321);
  EXPECT_EQ(y.Max(), 99999);  // still off
  y.setAutoMax(true);
  // data range 4201: step 1000; 0 .. 4000 by whole steps, then 4100 .. 4400 by tenths
  EXPECT_DOUBLE_EQ(y.Max(), 4400);
  EXPECT_DOUBLE_EQ(y.TickStep(), 1000);
  EXPECT_EQ(y.Min(), 0);

  s.Clear();
  s.AddPoint(0, 0);
  s.AddPoint(1, 4000);  // lands on a whole step
  EXPECT_DOUBLE_EQ(y.Max(), 4000);

  // With a fixed step of 20 the walk goes 0, 20, 40, then 42 .. 58.
  y.setMax(100);
  y.setTickStep(20);
  y.setAutoMax(true);
  s.Clear();
  s.AddPoint(0, 3);
  s.AddPoint(1, 57);
  EXPECT_DOUBLE_EQ(y.Max(), 58);
  EXPECT_EQ(y.TickStep(), 20);

  // A flat series reaches one unit above its value.
  s.Clear();
  s.AddPoint(0, 50);
  s.AddPoint(1, 50);
  EXPECT_DOUBLE_EQ(y.Max(), 52);  // 40, then tenths of 20 up to at least 51
  y.setAutoStep(true);
  EXPECT_DOUBLE_EQ(y.Max(), 51);  // step 0.2 from a data range of 1

  // Data entirely below the fixed minimum still leaves a valid range.
  s.Clear();
  s.AddPoint(0, -5);
  EXPECT_GT(y.Max(), y.Min());
}

TEST(XYGraphAxis, AutomaticEndsFollowTheDataOnAFreshGraph) {
  TXYGraph g;
  TXYLineSeries& s = g.AddSeries();
  s.AddPoint(-87, 30);
  s.AddPoint(-3, 55);
  EXPECT_LE(g.XAxis().Min(), -87);
  EXPECT_GE(g.XAxis().Max(), -3);
  EXPECT_LE(g.YAxis().Min(), 30);
  EXPECT_GE(g.YAxis().Max(), 55);
  EXPECT_LT(g.XAxis().Min(), g.XAxis().Max());
  // Points that are not numbers do not disturb the automatic values.
  s.AddPoint(NAN, INFINITY);
  EXPECT_TRUE(std::isfinite(g.YAxis().Max()));
}

TEST(XYGraphSeries, AddPointClearAndRedraws) {
  TXYGraph g;
  int redraws = 0;
  g.setOnChanged([&] { ++redraws; });
  TXYLineSeries& s1 = g.AddSeries();
  TXYLineSeries& s2 = g.AddSeries();
  EXPECT_EQ(&g.Series(0), &s1);
  EXPECT_EQ(&g.Series(1), &s2);
  EXPECT_EQ(s1.AddPoint(1, 2), 0);
  EXPECT_EQ(s1.AddPoint(3, 4), 1);
  EXPECT_EQ(s1.Count(), 2);
  EXPECT_EQ(s1.Points()[1].y, 4);
  s1.Clear();
  EXPECT_EQ(s1.Count(), 0);
  EXPECT_EQ(s1.AddPoint(5, 6), 0);
  g.XAxis().setTitle("日数");
  EXPECT_EQ(redraws, 7);
  // A refused value does not redraw.
  EXPECT_NE(errorOf([&] { g.XAxis().setTickStep(-1); }), "");
  EXPECT_EQ(redraws, 7);
  s1.setSeriesColor(colors::Green);
  EXPECT_EQ(s1.LinePen().color, colors::Green);
}
