#pragma once
// The drawing surface the chart paints on: lines, rectangles and text in device pixels (origin
// top-left, y downwards), plus one clipping rectangle. The window paints through a QPainter, a saved
// picture through the SVG writer; the chart's painting code knows only this interface.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

namespace colors {
inline constexpr Color Black{0, 0, 0};
inline constexpr Color White{255, 255, 255};
inline constexpr Color Gray{128, 128, 128};
inline constexpr Color Red{255, 0, 0};
inline constexpr Color Green{0, 128, 0};
inline constexpr Color Blue{0, 0, 255};
}  // namespace colors

enum class PenStyle { Solid, Dash, Dot };

struct Pen {
  Color color = colors::Black;
  int width = 1;
  PenStyle style = PenStyle::Solid;
  friend bool operator==(const Pen&, const Pen&) = default;
};

struct Font {
  std::string family = "Arial";
  int pixelSize = 16;
  bool bold = false;
  Color color = colors::Black;
  friend bool operator==(const Font&, const Font&) = default;
};

struct PointF {
  double x = 0, y = 0;
};

struct SizeF {
  double width = 0, height = 0;
};

struct RectF {
  double x = 0, y = 0, width = 0, height = 0;
  double left() const { return x; }
  double top() const { return y; }
  double right() const { return x + width; }
  double bottom() const { return y + height; }
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void fillRect(const RectF& r, Color c) = 0;
  virtual void drawRect(const RectF& r, const Pen& pen) = 0;
  virtual void drawLine(PointF a, PointF b, const Pen& pen) = 0;
  // Consecutive points joined by straight lines (at least two points).
  virtual void drawPolyline(const std::vector<PointF>& points, const Pen& pen) = 0;
  // Width and line height of one line of UTF-8 text in the font.
  virtual SizeF textExtent(std::string_view text, const Font& font) = 0;
  // One line of text whose extent box has its top-left corner at `at`; with an angle the box is
  // turned about that corner counter-clockwise by the angle in degrees (90: reads bottom to top).
  virtual void drawText(PointF at, std::string_view text, const Font& font, double angle = 0) = 0;
  // Later drawing shows only inside the rectangle, until resetClip.
  virtual void setClipRect(const RectF& r) = 0;
  virtual void resetClip() = 0;
};

}  // namespace mrv
