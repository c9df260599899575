#include "chart/XYGraph.h"

#include <algorithm>
#include <cmath>

#include "base/Error.h"

namespace mrv {

namespace {

constexpr double kMinSpan = 1e-8;
constexpr int kMaxTicks = 30;

// Last value reached from `anchor` by whole steps upwards that is at or below g, then tenths of a
// step until at or above g.
double walkUp(double anchor, double g, double step) {
  if (!(g > anchor)) return anchor;
  const double whole = anchor + std::floor((g - anchor) / step + 1e-9) * step;
  const double tenth = step / 10;
  int k = 0;
  while (k < 10 && whole + k * tenth < g - 1e-9 * step) ++k;
  return whole + k * tenth;
}

// The same walk downwards, to the first value at or below g.
double walkDown(double anchor, double g, double step) { return -walkUp(-anchor, -g, step); }

}  // namespace

double autoTickStep(double r) {
  if (!std::isfinite(r) || r <= 0) return 0;
  const double q = r / 6;
  double p = std::pow(10.0, std::floor(std::log10(q)));
  double m = q / p;
  // log10 of an exact power of ten may land a hair below it
  if (m >= 10 - 1e-9) {
    p *= 10;
    m /= 10;
  }
  constexpr double eps = 1e-9;
  if (m <= 1 + eps) return p;
  if (m <= 2 + eps) return 2 * p;
  if (m <= 2.5 + eps) return 2.5 * p;
  if (m <= 5 + eps) return 5 * p;
  return 10 * p;
}

// ---- TGraphAxis ----

// Setting an end to the value it already has changes nothing: the automatic flag stays on.
void TGraphAxis::setMin(double v) {
  if (!std::isfinite(v)) throw MrvError(axismsg::RangeInvalid);
  if (v == min_) return;
  min_ = v;
  autoMin_ = false;
  checkRange();
  owner_.changed();
}

void TGraphAxis::setMax(double v) {
  if (!std::isfinite(v)) throw MrvError(axismsg::RangeInvalid);
  if (v == max_) return;
  max_ = v;
  autoMax_ = false;
  checkRange();
  owner_.changed();
}

void TGraphAxis::checkRange() {
  if (!(min_ < max_)) throw MrvError(axismsg::RangeInvalid);
  if (scale_ == AxisScale::Logarithmic && min_ <= 0) throw MrvError(axismsg::LogRangeNotPositive);
  if (max_ - min_ < kMinSpan) max_ = min_ + kMinSpan;
  clampOrigin();
}

void TGraphAxis::clampOrigin() {
  if (autoOrigin_ && min_ <= max_)
    origin_ = std::clamp(0.0, min_, max_);  // an all-negative axis crosses at its Max
  else if (min_ < max_)
    origin_ = std::clamp(origin_, min_, max_);
}

void TGraphAxis::setOrigin(double v) {
  if (!(v >= min_)) throw MrvError(axismsg::OriginBelowMin);  // also refuses NaN
  if (v > max_) throw MrvError(axismsg::OriginAboveMax);
  origin_ = v;
  autoOrigin_ = false;
  owner_.changed();
}

void TGraphAxis::setTickStep(double v) {
  if (!(v > 0)) throw MrvError(axismsg::StepNotPositive);  // also refuses NaN
  const double range = max_ - min_;
  if (v > range) throw MrvError(axismsg::StepExceedsRange);
  if (range / v > kMaxTicks) throw MrvError(axismsg::StepTooSmall);
  step_ = v;
  autoStep_ = false;
  owner_.changed();
}

void TGraphAxis::setSubTicksCount(int n) {
  if (n < 1 || n > 19) return;
  subTicks_ = n;
  owner_.changed();
}

void TGraphAxis::setTitle(std::string title) {
  title_ = std::move(title);
  owner_.changed();
}

void TGraphAxis::setLabelDecimal(int decimals) {
  labelDecimal_ = decimals;
  owner_.changed();
}

void TGraphAxis::setLabelsOnAxis(bool on) {
  labelsOnAxis_ = on;
  owner_.changed();
}

void TGraphAxis::setAutoMin(bool on) {
  autoMin_ = on;
  owner_.changed();
}

void TGraphAxis::setAutoMax(bool on) {
  autoMax_ = on;
  owner_.changed();
}

void TGraphAxis::setAutoStep(bool on) {
  autoStep_ = on;
  owner_.changed();
}

void TGraphAxis::setAutoOrigin(bool on) {
  autoOrigin_ = on;
  if (on) clampOrigin();
  owner_.changed();
}

void TGraphAxis::setScale(AxisScale scale) {
  if (scale == AxisScale::Logarithmic && min_ <= 0) throw MrvError(axismsg::LogRangeNotPositive);
  scale_ = scale;
  owner_.changed();
}

void TGraphAxis::setLabelFont(Font f) {
  labelFont_ = std::move(f);
  owner_.changed();
}

void TGraphAxis::setTitleFont(Font f) {
  titleFont_ = std::move(f);
  owner_.changed();
}

void TGraphAxis::adjust(bool haveData, double dataMin, double dataMax) {
  // The automatic ends follow the data on a linear axis only; a pair left invalid by a refused
  // Min or Max is not touched either, so the caller sees what it stored.
  if (haveData && scale_ == AxisScale::Normal && (autoMin_ || autoMax_) && (min_ < max_ || (autoMin_ && autoMax_))) {
    // a flat data set still gets a range one unit high
    const double g = dataMax - dataMin < kMinSpan ? dataMax + 1 : dataMax;
    double walk = autoStep_ ? autoTickStep(g - dataMin) : step_;
    if (!(walk > 0) || !std::isfinite(walk)) walk = step_;
    if (autoMin_) {
      min_ = walkDown(autoOrigin_ ? 0 : origin_, dataMin, walk);
      if (!autoMax_ && !(min_ < max_)) min_ = max_ - walk;
    }
    if (autoMax_) {
      double anchor = autoOrigin_ ? (min_ <= 0 ? 0 : min_) : origin_;
      anchor = std::max(anchor, min_);
      max_ = walkUp(anchor, g, walk);
      if (!(max_ > min_)) max_ = min_ + walk;
    }
    if (max_ - min_ < kMinSpan) max_ = min_ + kMinSpan;
  }
  if (autoStep_ && min_ < max_) {
    const double s = autoTickStep(max_ - min_);
    if (s > 0) step_ = s;
  }
  clampOrigin();
}

// ---- TXYLineSeries ----

void TXYLineSeries::setSeriesColor(Color c) {
  linePen_.color = c;
  owner_.changed();
}

void TXYLineSeries::setLinePen(Pen p) {
  linePen_ = p;
  owner_.changed();
}

void TXYLineSeries::setDisContinue(bool on) {
  disContinue_ = on;
  owner_.changed();
}

void TXYLineSeries::Clear() {
  points_.clear();
  owner_.changed();
}

int TXYLineSeries::AddPoint(double x, double y) {
  points_.push_back({x, y});
  owner_.changed();
  return static_cast<int>(points_.size()) - 1;
}

// ---- TXYGraph ----

TXYGraph::TXYGraph() { changed(); }

void TXYGraph::setBackColor(Color c) {
  backColor_ = c;
  changed();
}

void TXYGraph::setGridPen(Pen p) {
  gridPen_ = p;
  changed();
}

void TXYGraph::setSubGridPen(Pen p) {
  subGridPen_ = p;
  changed();
}

void TXYGraph::setGridStyle(mrv::GridStyle s) {
  gridStyle_ = s;
  changed();
}

void TXYGraph::setTitle(std::vector<std::string> lines) {
  title_ = std::move(lines);
  changed();
}

void TXYGraph::setTitleFont(Font f) {
  titleFont_ = std::move(f);
  changed();
}

TXYLineSeries& TXYGraph::AddSeries() {
  series_.push_back(std::unique_ptr<TXYLineSeries>(new TXYLineSeries(*this)));
  changed();
  return *series_.back();
}

void TXYGraph::changed() {
  bool have = false;
  double xlo = 0, xhi = 0, ylo = 0, yhi = 0;
  for (const auto& s : series_) {
    for (const GraphPoint& p : s->points_) {
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
      if (!have) {
        xlo = xhi = p.x;
        ylo = yhi = p.y;
        have = true;
      } else {
        xlo = std::min(xlo, p.x);
        xhi = std::max(xhi, p.x);
        ylo = std::min(ylo, p.y);
        yhi = std::max(yhi, p.y);
      }
    }
  }
  x_.adjust(have, xlo, xhi);
  y_.adjust(have, ylo, yhi);
  if (onChanged_) onChanged_();
}

}  // namespace mrv
