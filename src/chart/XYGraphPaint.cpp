// Painting of TXYGraph on a Canvas: layout of the plot area, grid, tick labels, titles, and the
// series clipped to the plot area.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "chart/XYGraph.h"

namespace mrv {

namespace {

constexpr double kPad = 8;      // blank border around everything
constexpr double kGap = 4;      // between a label and its tick mark or title
constexpr double kTickLen = 5;  // labelled tick mark
constexpr double kSubTickLen = 3;
// More ticks than this are never drawn: the axis falls back to a step that suits its range.
constexpr double kMaxDrawnTicks = 200;

bool usable(const TGraphAxis& a) {
  if (!(a.Min() < a.Max()) || !std::isfinite(a.Max() - a.Min())) return false;
  return a.Scale() == AxisScale::Normal || a.Min() > 0;
}

// Position of a value along the axis, 0 at Min and 1 at Max (may lie outside 0..1).
double fraction(const TGraphAxis& a, double v) {
  if (a.Scale() == AxisScale::Logarithmic) {
    if (!(v > 0)) return NAN;
    return (std::log10(v) - std::log10(a.Min())) / (std::log10(a.Max()) - std::log10(a.Min()));
  }
  return (v - a.Min()) / (a.Max() - a.Min());
}

struct Ticks {
  std::vector<double> major;
  std::vector<double> minor;
};

Ticks ticksOf(const TGraphAxis& a) {
  Ticks t;
  if (!usable(a)) return t;
  const double lo = a.Min(), hi = a.Max();
  if (a.Scale() == AxisScale::Logarithmic) {
    const int first = static_cast<int>(std::ceil(std::log10(lo) - 1e-9));
    const int last = static_cast<int>(std::floor(std::log10(hi) + 1e-9));
    for (int k = first - 1; k <= last; ++k) {
      const double decade = std::pow(10.0, k);
      if (k >= first) t.major.push_back(decade);
      for (int j = 2; j <= 9; ++j) {
        const double v = j * decade;
        if (v >= lo && v <= hi) t.minor.push_back(v);
      }
    }
    if (t.major.empty()) t.major = {lo, hi};
    return t;
  }
  const double range = hi - lo;
  double step = a.TickStep();
  if (!(step > 0) || range / step > kMaxDrawnTicks) step = autoTickStep(range);
  if (!(step > 0)) return t;
  const double origin = std::clamp(a.Origin(), lo, hi);
  const double kFirst = std::ceil((lo - origin) / step - 1e-9);
  const double kLast = std::floor((hi - origin) / step + 1e-9);
  const double tol = step * 1e-9;
  for (double k = kFirst; k <= kLast; k += 1) {
    double v = origin + k * step;
    if (std::fabs(v) < tol) v = 0;
    t.major.push_back(v);
  }
  const int n = a.SubTicksCount();
  if (n > 1) {
    for (double k = kFirst - 1; k <= kLast; k += 1) {
      for (int j = 1; j < n; ++j) {
        const double v = origin + (k + static_cast<double>(j) / n) * step;
        if (v >= lo - tol && v <= hi + tol) t.minor.push_back(v);
      }
    }
  }
  return t;
}

std::string label(const TGraphAxis& a, double v) {
  const int decimals = std::clamp(a.LabelDecimal(), 0, 15);
  char buf[64];
  if (std::fabs(v) >= 1e15)
    std::snprintf(buf, sizeof buf, "%.*g", decimals + 1, v);
  else
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  // a value rounded to zero has no sign
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

struct AxisLabels {
  std::vector<double> values;
  std::vector<std::string> texts;
  std::vector<SizeF> sizes;
  double maxWidth = 0, maxHeight = 0;
};

AxisLabels labelsOf(const TGraphAxis& a, const Ticks& t, Canvas& c) {
  AxisLabels l;
  for (double v : t.major) {
    l.values.push_back(v);
    l.texts.push_back(label(a, v));
    l.sizes.push_back(c.textExtent(l.texts.back(), a.LabelFont()));
    l.maxWidth = std::max(l.maxWidth, l.sizes.back().width);
    l.maxHeight = std::max(l.maxHeight, l.sizes.back().height);
  }
  if (l.texts.empty()) l.maxHeight = c.textExtent("0", a.LabelFont()).height;
  return l;
}

// Every how-many-th label can be written without two of them touching: `extent` gives a label's
// length along the axis, `pos` its centre in pixels.
template <class Extent, class Pos>
std::size_t labelStride(std::size_t count, Extent extent, Pos pos) {
  for (std::size_t stride = 1; stride < count; ++stride) {
    bool fits = true;
    for (std::size_t i = 0; i + stride < count && fits; i += stride)
      fits = std::fabs(pos(i + stride) - pos(i)) >= (extent(i) + extent(i + stride)) / 2 + kGap;
    if (fits) return stride;
  }
  return std::max<std::size_t>(count, 1);
}

// Sub-ticks closer than this many pixels are left out: they would only grey the plot.
constexpr double kMinSubTickGap = 6;

template <class Map>
void dropCrowdedSubTicks(Ticks& t, Map map) {
  std::vector<double> pos;
  for (double v : t.major) pos.push_back(map(v));
  for (double v : t.minor) pos.push_back(map(v));
  std::sort(pos.begin(), pos.end());
  for (std::size_t i = 1; i < pos.size(); ++i) {
    if (pos[i] - pos[i - 1] < kMinSubTickGap) {
      t.minor.clear();
      return;
    }
  }
}

struct Layout {
  RectF plot;
  double titleTop = kPad;
  Ticks xt, yt;
  AxisLabels xl, yl;
  SizeF xTitle, yTitle;
};

Layout layout(const TXYGraph& g, Canvas& c, double width, double height) {
  Layout L;
  L.xt = ticksOf(g.XAxis());
  L.yt = ticksOf(g.YAxis());
  L.xl = labelsOf(g.XAxis(), L.xt, c);
  L.yl = labelsOf(g.YAxis(), L.yt, c);
  if (!g.XAxis().Title().empty()) L.xTitle = c.textExtent(g.XAxis().Title(), g.XAxis().TitleFont());
  if (!g.YAxis().Title().empty()) L.yTitle = c.textExtent(g.YAxis().Title(), g.YAxis().TitleFont());

  double top = kPad;
  for (const std::string& line : g.Title()) top += c.textExtent(line, g.TitleFont()).height;
  if (!g.Title().empty()) top += kGap;
  // half a label sticks out above the top tick and to the right of the last one
  top += L.yl.maxHeight / 2;
  double left = kPad + L.yl.maxWidth + kGap + kTickLen;
  if (L.yTitle.width > 0) left += L.yTitle.height + kGap;
  double bottom = kPad + L.xl.maxHeight + kGap + kTickLen;
  if (L.xTitle.width > 0) bottom += L.xTitle.height + kGap;
  double right = kPad;
  if (!L.xl.sizes.empty()) right += L.xl.sizes.back().width / 2;
  // never less than one pixel of plot, however small the area
  L.plot = RectF{left, top, std::max(1.0, width - left - right), std::max(1.0, height - top - bottom)};
  dropCrowdedSubTicks(L.xt, [&](double v) { return fraction(g.XAxis(), v) * L.plot.width; });
  dropCrowdedSubTicks(L.yt, [&](double v) { return fraction(g.YAxis(), v) * L.plot.height; });
  return L;
}

double px(const RectF& plot, const TGraphAxis& a, double v) { return plot.left() + fraction(a, v) * plot.width; }
double py(const RectF& plot, const TGraphAxis& a, double v) { return plot.bottom() - fraction(a, v) * plot.height; }

// Cuts the segment p-q to the rectangle (Liang-Barsky). False when nothing of it lies inside.
bool clipSegment(PointF& p, PointF& q, const RectF& r) {
  const double dx = q.x - p.x, dy = q.y - p.y;
  double t0 = 0, t1 = 1;
  const double pk[4] = {-dx, dx, -dy, dy};
  const double qk[4] = {p.x - r.left(), r.right() - p.x, p.y - r.top(), r.bottom() - p.y};
  for (int i = 0; i < 4; ++i) {
    if (pk[i] == 0) {
      if (qk[i] < 0) return false;
      continue;
    }
    const double t = qk[i] / pk[i];
    if (pk[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const PointF a{p.x + t0 * dx, p.y + t0 * dy};
  const PointF b{p.x + t1 * dx, p.y + t1 * dy};
  p = a;
  q = b;
  return true;
}

bool inside(PointF p, const RectF& r) { return p.x >= r.left() && p.x <= r.right() && p.y >= r.top() && p.y <= r.bottom(); }

void paintSeries(const TXYGraph& g, const TXYLineSeries& s, const RectF& plot, Canvas& c) {
  std::vector<PointF> run;
  auto flush = [&] {
    if (run.size() == 1) run.push_back(run.front());  // a lone point still shows as a dot
    if (run.size() >= 2) c.drawPolyline(run, s.LinePen());
    run.clear();
  };
  bool havePrev = false;
  PointF prev;
  for (const GraphPoint& gp : s.Points()) {
    const PointF p{px(plot, g.XAxis(), gp.x), py(plot, g.YAxis(), gp.y)};
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
      if (s.DisContinue()) {
        flush();
        havePrev = false;
      }
      continue;
    }
    if (!havePrev) {
      if (inside(p, plot)) run.push_back(p);
    } else {
      PointF a = prev, b = p;
      if (clipSegment(a, b, plot)) {
        // the line left the plot area since the last drawn point: start a new piece
        if (run.empty() || run.back().x != a.x || run.back().y != a.y) {
          flush();
          run.push_back(a);
        }
        run.push_back(b);
        if (b.x != p.x || b.y != p.y) flush();
      } else {
        flush();
      }
    }
    prev = p;
    havePrev = true;
  }
  flush();
}

}  // namespace

RectF TXYGraph::PlotRect(Canvas& canvas, double width, double height) const {
  return layout(*this, canvas, width, height).plot;
}

void TXYGraph::Paint(Canvas& c, double width, double height) const {
  c.resetClip();
  c.fillRect(RectF{0, 0, width, height}, BackColor());
  const Layout L = layout(*this, c, width, height);
  const RectF& plot = L.plot;
  const TGraphAxis& xa = XAxis();
  const TGraphAxis& ya = YAxis();

  double y = kPad;
  for (const std::string& line : Title()) {
    const SizeF e = c.textExtent(line, TitleFont());
    c.drawText(PointF{std::max(0.0, (width - e.width) / 2), y}, line, TitleFont());
    y += e.height;
  }

  const Pen axisPen{colors::Black, 1, PenStyle::Solid};
  if (!usable(xa) || !usable(ya)) {
    c.drawRect(plot, axisPen);
    return;
  }

  // Grid: sub-ticks first so the tick lines lie on top.
  if (GridStyle() == mrv::GridStyle::TicksAndSubTicks) {
    for (double v : L.xt.minor) {
      const double x = px(plot, xa, v);
      c.drawLine({x, plot.top()}, {x, plot.bottom()}, SubGridPen());
    }
    for (double v : L.yt.minor) {
      const double yy = py(plot, ya, v);
      c.drawLine({plot.left(), yy}, {plot.right(), yy}, SubGridPen());
    }
  }
  if (GridStyle() != mrv::GridStyle::None) {
    for (double v : L.xt.major) {
      const double x = px(plot, xa, v);
      c.drawLine({x, plot.top()}, {x, plot.bottom()}, GridPen());
    }
    for (double v : L.yt.major) {
      const double yy = py(plot, ya, v);
      c.drawLine({plot.left(), yy}, {plot.right(), yy}, GridPen());
    }
  }
  c.drawRect(plot, axisPen);

  // Axis lines where the other axis crosses, and the tick marks on the side the labels are on.
  const double xAxisY = py(plot, ya, std::clamp(ya.Origin(), ya.Min(), ya.Max()));
  const double yAxisX = px(plot, xa, std::clamp(xa.Origin(), xa.Min(), xa.Max()));
  c.drawLine({plot.left(), xAxisY}, {plot.right(), xAxisY}, axisPen);
  c.drawLine({yAxisX, plot.top()}, {yAxisX, plot.bottom()}, axisPen);
  const double xMarkY = xa.LabelsOnAxis() ? xAxisY : plot.bottom();
  const double yMarkX = ya.LabelsOnAxis() ? yAxisX : plot.left();
  for (double v : L.xt.minor) c.drawLine({px(plot, xa, v), xMarkY}, {px(plot, xa, v), xMarkY + kSubTickLen}, axisPen);
  for (double v : L.xt.major) c.drawLine({px(plot, xa, v), xMarkY}, {px(plot, xa, v), xMarkY + kTickLen}, axisPen);
  for (double v : L.yt.minor) c.drawLine({yMarkX - kSubTickLen, py(plot, ya, v)}, {yMarkX, py(plot, ya, v)}, axisPen);
  for (double v : L.yt.major) c.drawLine({yMarkX - kTickLen, py(plot, ya, v)}, {yMarkX, py(plot, ya, v)}, axisPen);

  // Tick labels; when they would touch, only every n-th is written.
  const std::size_t nx = L.xl.values.size();
  const std::size_t xStride = labelStride(
      nx, [&](std::size_t i) { return L.xl.sizes[i].width; }, [&](std::size_t i) { return px(plot, xa, L.xl.values[i]); });
  // Labels beside axis lines that cross inside the plot leave the crossing free.
  const bool xCrossInside = yAxisX > plot.left() + 0.5 && yAxisX < plot.right() - 0.5;
  const bool yCrossInside = xAxisY > plot.top() + 0.5 && xAxisY < plot.bottom() - 0.5;
  for (std::size_t i = 0; i < nx; i += xStride) {
    if (xa.LabelsOnAxis() && xCrossInside && std::fabs(px(plot, xa, L.xl.values[i]) - yAxisX) < 0.5) continue;
    const SizeF e = L.xl.sizes[i];
    const double x = std::clamp(px(plot, xa, L.xl.values[i]) - e.width / 2, 0.0, std::max(0.0, width - e.width));
    c.drawText({x, xMarkY + kTickLen + kGap}, L.xl.texts[i], xa.LabelFont());
  }
  const std::size_t ny = L.yl.values.size();
  const std::size_t yStride = labelStride(
      ny, [&](std::size_t i) { return L.yl.sizes[i].height; }, [&](std::size_t i) { return py(plot, ya, L.yl.values[i]); });
  for (std::size_t i = 0; i < ny; i += yStride) {
    if (ya.LabelsOnAxis() && yCrossInside && std::fabs(py(plot, ya, L.yl.values[i]) - xAxisY) < 0.5) continue;
    const SizeF e = L.yl.sizes[i];
    const double x = std::max(0.0, yMarkX - kTickLen - kGap - e.width);
    const double yy = std::clamp(py(plot, ya, L.yl.values[i]) - e.height / 2, 0.0, std::max(0.0, height - e.height));
    c.drawText({x, yy}, L.yl.texts[i], ya.LabelFont());
  }

  // Axis titles: the x title centred under its labels, the y title turned to read upwards.
  if (L.xTitle.width > 0) {
    const double x = std::max(0.0, plot.left() + (plot.width - L.xTitle.width) / 2);
    c.drawText({x, plot.bottom() + kTickLen + kGap + L.xl.maxHeight + kGap}, xa.Title(), xa.TitleFont());
  }
  if (L.yTitle.width > 0) {
    const double yy = plot.top() + (plot.height + L.yTitle.width) / 2;
    c.drawText({kPad, yy}, ya.Title(), ya.TitleFont(), 90);
  }

  c.setClipRect(plot);
  for (int i = 0; i < SeriesCount(); ++i) paintSeries(*this, Series(i), plot, c);
  c.resetClip();
}

}  // namespace mrv
