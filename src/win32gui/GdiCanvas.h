#pragma once
// The chart canvas over a GDI device context. Pens and fonts are made when first used and kept
// for the canvas's life.
#include <windows.h>

#include <map>
#include <tuple>

#include "chart/Canvas.h"

namespace mrv {

class GdiCanvas : public Canvas {
 public:
  explicit GdiCanvas(HDC dc);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  void fillRect(const RectF& r, Color c) override;
  void drawRect(const RectF& r, const Pen& pen) override;
  void drawLine(PointF a, PointF b, const Pen& pen) override;
  void drawPolyline(const std::vector<PointF>& points, const Pen& pen) override;
  SizeF textExtent(std::string_view text, const Font& font) override;
  void drawText(PointF at, std::string_view text, const Font& font, double angle = 0) override;
  void setClipRect(const RectF& r) override;
  void resetClip() override;

 private:
  HPEN pen(const Pen& p);
  HFONT font(const Font& f, int tenthsOfDegree);

  HDC dc_;
  int saved_;
  std::map<std::tuple<std::uint32_t, int, int>, HPEN> pens_;
  std::map<std::tuple<std::string, int, bool, int>, HFONT> fonts_;
};

}  // namespace mrv
