#pragma once
// TXYGraph: an x/y chart of line series on two numeric axes.
//
// The axes guard their values: a range whose Min is not below its Max, an Origin outside the range
// and a tick step that is not positive, wider than the range or giving more than 30 ticks are
// refused with an MrvError carrying the user-facing message. Every change of a property or of a
// series' points re-applies the automatic values (AutoMin, AutoMax, AutoStep, AutoOrigin) and
// then tells the owner through the change callback, so a widget can repaint.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/Canvas.h"

namespace mrv {

class TXYGraph;

enum class AxisScale { Normal, Logarithmic };
enum class GridStyle { None, Ticks, TicksAndSubTicks };

// Messages of the axis checks, as the user sees them.
namespace axismsg {
inline constexpr const char* RangeInvalid = "軸の範囲を超えています";
inline constexpr const char* LogRangeNotPositive = "対数目盛では軸の範囲はゼロより大きくないといけません";
inline constexpr const char* OriginBelowMin = "軸の交点の値が最小値以下です";
inline constexpr const char* OriginAboveMax = "軸の交点の値が最大値を超えています";
inline constexpr const char* StepNotPositive = "目盛間隔はゼロ以下に設定できません";
inline constexpr const char* StepExceedsRange = "目盛間隔が軸の範囲を超えています";
inline constexpr const char* StepTooSmall = "目盛間隔が小さすぎます";
}  // namespace axismsg

// The tick step that suits a range r: r / 6 rounded up to 1, 2, 2.5, 5 or 10 times a power of ten
// (r = 4000 gives 1000, r = 120 gives 20). Not finite or not positive: 0.
double autoTickStep(double r);

// The automatic values, applied after every change:
// - AutoMax (linear scale, at least one point): from the Origin upwards by whole tick steps to the
//   last tick at or below the largest value, then by tenths of a step until at or above it.
//   AutoMin walks the same way downwards from the Origin (from 0 while AutoOrigin is on).
//   With AutoStep on, the walk uses the step that suits the data's range.
// - AutoStep: the step that suits Max - Min (autoTickStep).
// - AutoOrigin: 0 clamped into Min..Max (Min for an all-positive axis, Max for an all-negative one).
class TGraphAxis {
 public:
  TGraphAxis(const TGraphAxis&) = delete;
  TGraphAxis& operator=(const TGraphAxis&) = delete;

  double Min() const { return min_; }
  double Max() const { return max_; }
  double Origin() const { return origin_; }
  double TickStep() const { return step_; }
  int SubTicksCount() const { return subTicks_; }
  const std::string& Title() const { return title_; }
  int LabelDecimal() const { return labelDecimal_; }
  bool LabelsOnAxis() const { return labelsOnAxis_; }
  bool AutoMin() const { return autoMin_; }
  bool AutoMax() const { return autoMax_; }
  bool AutoStep() const { return autoStep_; }
  bool AutoOrigin() const { return autoOrigin_; }
  AxisScale Scale() const { return scale_; }
  const Font& LabelFont() const { return labelFont_; }
  const Font& TitleFont() const { return titleFont_; }

  // Store the value and turn the automatic flag off, then check the new pair. When the check fails
  // the value stays stored (the pair is invalid until the next change of Min or Max) and MrvError
  // is raised. A value that is not a finite number is refused the same way and not stored.
  void setMin(double v);
  void setMax(double v);
  // Refused (MrvError, nothing changes) when outside Min..Max; else stored, AutoOrigin off.
  void setOrigin(double v);
  // Refused (MrvError, nothing changes) when not positive, wider than the range or giving more
  // than 30 steps over the range; else stored, AutoStep off.
  void setTickStep(double v);
  // Values below 1 or above 19 are ignored.
  void setSubTicksCount(int n);
  void setTitle(std::string title);
  void setLabelDecimal(int decimals);  // drawn with 0..15 decimals
  void setLabelsOnAxis(bool on);
  void setAutoMin(bool on);
  void setAutoMax(bool on);
  void setAutoStep(bool on);
  void setAutoOrigin(bool on);
  // Logarithmic is refused with its message while Min is not above zero.
  void setScale(AxisScale scale);
  void setLabelFont(Font f);
  void setTitleFont(Font f);

 private:
  friend class TXYGraph;
  explicit TGraphAxis(TXYGraph& owner) : owner_(owner) {}
  void checkRange();
  void clampOrigin();
  // Applies the automatic values against the data's least and largest values on this axis.
  void adjust(bool haveData, double dataMin, double dataMax);

  TXYGraph& owner_;
  double min_ = 0, max_ = 10, origin_ = 0, step_ = 2;
  int subTicks_ = 5;
  std::string title_;
  int labelDecimal_ = 0;
  bool labelsOnAxis_ = false;
  bool autoMin_ = true, autoMax_ = true, autoStep_ = true, autoOrigin_ = true;
  AxisScale scale_ = AxisScale::Normal;
  Font labelFont_;
  Font titleFont_;
};

struct GraphPoint {
  double x = 0, y = 0;
};

// A series of points joined by straight lines in the order they were added.
class TXYLineSeries {
 public:
  TXYLineSeries(const TXYLineSeries&) = delete;
  TXYLineSeries& operator=(const TXYLineSeries&) = delete;

  Color SeriesColor() const { return linePen_.color; }
  const Pen& LinePen() const { return linePen_; }
  // false: consecutive points are always joined (a point that is not a finite number is passed
  // over); true: such a point breaks the line there.
  bool DisContinue() const { return disContinue_; }
  const std::vector<GraphPoint>& Points() const { return points_; }
  int Count() const { return static_cast<int>(points_.size()); }

  // The series colour is the colour of its line.
  void setSeriesColor(Color c);
  void setLinePen(Pen p);
  void setDisContinue(bool on);
  void Clear();
  // Appends a point; returns its index.
  int AddPoint(double x, double y);

 private:
  friend class TXYGraph;
  explicit TXYLineSeries(TXYGraph& owner) : owner_(owner) {}
  TXYGraph& owner_;
  Pen linePen_{colors::Red, 1, PenStyle::Solid};
  bool disContinue_ = false;
  std::vector<GraphPoint> points_;
};

class TXYGraph {
 public:
  TXYGraph();
  TXYGraph(const TXYGraph&) = delete;
  TXYGraph& operator=(const TXYGraph&) = delete;

  TGraphAxis& XAxis() { return x_; }
  TGraphAxis& YAxis() { return y_; }
  const TGraphAxis& XAxis() const { return x_; }
  const TGraphAxis& YAxis() const { return y_; }

  Color BackColor() const { return backColor_; }
  const Pen& GridPen() const { return gridPen_; }
  const Pen& SubGridPen() const { return subGridPen_; }
  mrv::GridStyle GridStyle() const { return gridStyle_; }
  // Lines of the graph's title, drawn centred above the plot.
  const std::vector<std::string>& Title() const { return title_; }
  const Font& TitleFont() const { return titleFont_; }
  void setBackColor(Color c);
  void setGridPen(Pen p);
  void setSubGridPen(Pen p);
  void setGridStyle(mrv::GridStyle s);
  void setTitle(std::vector<std::string> lines);
  void setTitleFont(Font f);

  // Attaches a new series; series are drawn in the order attached. The reference stays valid for
  // the graph's life.
  TXYLineSeries& AddSeries();
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  TXYLineSeries& Series(int index) { return *series_.at(static_cast<std::size_t>(index)); }
  const TXYLineSeries& Series(int index) const { return *series_.at(static_cast<std::size_t>(index)); }

  // Called after every change (the widget repaints).
  void setOnChanged(std::function<void()> callback) { onChanged_ = std::move(callback); }

  // Paints the whole graph into a width x height area of the canvas.
  void Paint(Canvas& canvas, double width, double height) const;
  // The plot area (inside the axes) that Paint uses for that size.
  RectF PlotRect(Canvas& canvas, double width, double height) const;

 private:
  friend class TGraphAxis;
  friend class TXYLineSeries;
  // Re-applies the automatic axis values and tells the owner.
  void changed();

  TGraphAxis x_{*this};
  TGraphAxis y_{*this};
  Color backColor_ = colors::White;
  Pen gridPen_{colors::Gray, 1, PenStyle::Solid};
  Pen subGridPen_{colors::Gray, 1, PenStyle::Dot};
  mrv::GridStyle gridStyle_ = mrv::GridStyle::TicksAndSubTicks;
  std::vector<std::string> title_;
  Font titleFont_;
  std::vector<std::unique_ptr<TXYLineSeries>> series_;
  std::function<void()> onChanged_;
};

}  // namespace mrv
