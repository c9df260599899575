#include "chart/SvgCanvas.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "base/Text.h"
#include "chart/XYGraph.h"

namespace mrv {

namespace {

constexpr double kAscent = 0.905;      // of the em, for a sans-serif face
constexpr double kLineHeight = 1.15;

// Next code point of a UTF-8 text; a byte that does not start a valid sequence gives U+FFFD.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = len == 1 ? b : b & (0x7F >> len);
  for (int k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += len;
  return cp;
}

std::string num(double v) {
  if (!std::isfinite(v)) v = 0;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string hex(Color c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

// Text as XML character data: markup characters escaped, control characters and broken UTF-8
// replaced so the document stays well-formed.
std::string xmlText(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const char32_t cp = nextCodePoint(s, i);
    switch (cp) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (cp < 0x20 || cp == 0xFFFE || cp == 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF))
          appendUtf8(out, 0xFFFD);
        else
          appendUtf8(out, cp);
    }
  }
  return out;
}

std::string stroke(const Pen& pen) {
  std::string s = " stroke=\"" + hex(pen.color) + "\" stroke-width=\"" + std::to_string(std::max(pen.width, 1)) + "\"";
  const int w = std::max(pen.width, 1);
  if (pen.style == PenStyle::Dot) s += " stroke-dasharray=\"" + std::to_string(w) + "," + std::to_string(2 * w) + "\"";
  if (pen.style == PenStyle::Dash) s += " stroke-dasharray=\"" + std::to_string(4 * w) + "," + std::to_string(2 * w) + "\"";
  return s;
}

std::string fontAttrs(const Font& f) {
  std::string s = " font-family=\"" + xmlText(f.family) + ", sans-serif\" font-size=\"" + std::to_string(f.pixelSize) + "\"";
  if (f.bold) s += " font-weight=\"bold\"";
  return s + " fill=\"" + hex(f.color) + "\"";
}

}  // namespace

double estimatedCharWidth(char32_t c) {
  // East Asian wide and full-width characters (kana, kanji, hangul, full-width forms, the
  // symbols Japanese fonts draw full-width) take a whole em.
  if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2100 && c <= 0x2BFF) || (c >= 0x2E80 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF01 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
      (c >= 0x20000 && c <= 0x3FFFD))
    return 1.0;
  if (c >= 0xFF61 && c <= 0xFF9F) return 0.5;  // half-width katakana
  if (c >= '0' && c <= '9') return 0.556;
  switch (c) {
    case ' ': case '.': case ',': case ':': case ';': case '!': case '\'': case '|':
    case 'i': case 'j': case 'l': case 'f': case 't': case 'I': case '(': case ')': case '[': case ']':
      return 0.278;
    case '-': case 'r':
      return 0.333;
    case 'm': case 'M': case 'W': case '%':
      return 0.833;
    case 'w':
      return 0.722;
    default:
      break;
  }
  if (c >= 'A' && c <= 'Z') return 0.667;
  if (c >= 'a' && c <= 'z') return 0.5;
  return 0.556;
}

SvgCanvas::SvgCanvas(double width, double height, std::string idPrefix)
    : width_(width), height_(height), idPrefix_(std::move(idPrefix)) {}

void SvgCanvas::fillRect(const RectF& r, Color c) {
  body_ += "<rect x=\"" + num(r.x) + "\" y=\"" + num(r.y) + "\" width=\"" + num(r.width) + "\" height=\"" + num(r.height) +
           "\" fill=\"" + hex(c) + "\"/>\n";
}

void SvgCanvas::drawRect(const RectF& r, const Pen& pen) {
  body_ += "<rect x=\"" + num(r.x) + "\" y=\"" + num(r.y) + "\" width=\"" + num(r.width) + "\" height=\"" + num(r.height) +
           "\" fill=\"none\"" + stroke(pen) + "/>\n";
}

void SvgCanvas::drawLine(PointF a, PointF b, const Pen& pen) {
  body_ += "<line x1=\"" + num(a.x) + "\" y1=\"" + num(a.y) + "\" x2=\"" + num(b.x) + "\" y2=\"" + num(b.y) + "\"" +
           stroke(pen) + "/>\n";
}

void SvgCanvas::drawPolyline(const std::vector<PointF>& points, const Pen& pen) {
  if (points.size() < 2) return;
  body_ += "<polyline points=\"";
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (i) body_ += ' ';
    body_ += num(points[i].x) + "," + num(points[i].y);
  }
  body_ += "\" fill=\"none\"" + stroke(pen) + " stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
}

SizeF SvgCanvas::textExtent(std::string_view text, const Font& font) {
  double em = 0;
  for (std::size_t i = 0; i < text.size();) em += estimatedCharWidth(nextCodePoint(text, i));
  const double size = font.pixelSize > 0 ? font.pixelSize : 1;
  return SizeF{em * size * (font.bold ? 1.08 : 1.0), size * kLineHeight};
}

void SvgCanvas::drawText(PointF at, std::string_view text, const Font& font, double angle) {
  const double baseline = at.y + kAscent * font.pixelSize;
  body_ += "<text x=\"" + num(at.x) + "\" y=\"" + num(baseline) + "\"";
  if (angle != 0) body_ += " transform=\"rotate(" + num(-angle) + " " + num(at.x) + " " + num(at.y) + ")\"";
  body_ += fontAttrs(font) + ">" + xmlText(text) + "</text>\n";
}

void SvgCanvas::setClipRect(const RectF& r) {
  resetClip();
  const std::string id = xmlText(idPrefix_) + "clip" + std::to_string(++clipCount_);
  body_ += "<clipPath id=\"" + id + "\"><rect x=\"" + num(r.x) + "\" y=\"" + num(r.y) + "\" width=\"" + num(r.width) +
           "\" height=\"" + num(r.height) + "\"/></clipPath>\n<g clip-path=\"url(#" + id + ")\">\n";
  clipOpen_ = true;
}

void SvgCanvas::resetClip() {
  if (!clipOpen_) return;
  body_ += "</g>\n";
  clipOpen_ = false;
}

std::string SvgCanvas::svg() const { return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + element(); }

std::string SvgCanvas::element() const {
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width_) + "\" height=\"" + num(height_) +
                    "\" viewBox=\"0 0 " + num(width_) + " " + num(height_) + "\">\n" + body_;
  if (clipOpen_) out += "</g>\n";
  return out + "</svg>\n";
}

std::string renderGraphSvg(const TXYGraph& graph, int width, int height) {
  SvgCanvas canvas(width, height);
  graph.Paint(canvas, width, height);
  return canvas.svg();
}

std::string renderGraphSvgElement(const TXYGraph& graph, int width, int height, const std::string& idPrefix) {
  SvgCanvas canvas(width, height, idPrefix);
  graph.Paint(canvas, width, height);
  return canvas.element();
}

}  // namespace mrv
