#pragma once
// The chart canvas over a QPainter, and saving a chart as a PNG picture.
#include <string>

#include "chart/Canvas.h"

class QPainter;
class QFont;

namespace mrv {

class TXYGraph;

class QtCanvas : public Canvas {
 public:
  // The painter must stay active while the canvas is used.
  explicit QtCanvas(QPainter& painter) : p_(painter) {}

  void fillRect(const RectF& r, Color c) override;
  void drawRect(const RectF& r, const Pen& pen) override;
  void drawLine(PointF a, PointF b, const Pen& pen) override;
  void drawPolyline(const std::vector<PointF>& points, const Pen& pen) override;
  SizeF textExtent(std::string_view text, const Font& font) override;
  void drawText(PointF at, std::string_view text, const Font& font, double angle = 0) override;
  void setClipRect(const RectF& r) override;
  void resetClip() override;

 private:
  QPainter& p_;
};

QFont toQFont(const Font& font);

// Paints the graph into a width x height picture and writes it as PNG (UTF-8 path). Needs a
// QGuiApplication (the offscreen platform will do). False with a message when it cannot be written.
bool saveGraphPng(const TXYGraph& graph, int width, int height, const std::string& path, std::string& message);

}  // namespace mrv
