#pragma once
// A Canvas that writes an SVG picture, for saving a chart as a file and for checking what a chart
// draws without a window system. Text widths are estimated from the characters (full-width
// Japanese characters count one em), so layouts come out close to what a real font gives.
#include <string>

#include "chart/Canvas.h"

namespace mrv {

class TXYGraph;

class SvgCanvas : public Canvas {
 public:
  // `idPrefix` starts the ids of the document's clipping paths, so several pictures can stand
  // inline in one HTML page without their ids meeting.
  SvgCanvas(double width, double height, std::string idPrefix = {});

  void fillRect(const RectF& r, Color c) override;
  void drawRect(const RectF& r, const Pen& pen) override;
  void drawLine(PointF a, PointF b, const Pen& pen) override;
  void drawPolyline(const std::vector<PointF>& points, const Pen& pen) override;
  SizeF textExtent(std::string_view text, const Font& font) override;
  void drawText(PointF at, std::string_view text, const Font& font, double angle = 0) override;
  void setClipRect(const RectF& r) override;
  void resetClip() override;

  // The complete document (closes an open clipping group).
  std::string svg() const;
  // The <svg> element alone, without the XML declaration, for a picture inside an HTML page.
  std::string element() const;

 private:
  double width_, height_;
  std::string idPrefix_;
  std::string body_;
  int clipCount_ = 0;
  bool clipOpen_ = false;
};

// Width of one character of a font of size 1, as estimated for proportional sans-serif text.
double estimatedCharWidth(char32_t c);

// The whole graph painted into a width x height SVG document.
std::string renderGraphSvg(const TXYGraph& graph, int width, int height);
// The same as an <svg> element for an HTML page, its ids starting with `idPrefix`.
std::string renderGraphSvgElement(const TXYGraph& graph, int width, int height, const std::string& idPrefix);

}  // namespace mrv
