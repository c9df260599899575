#include "win32gui/GdiCanvas.h"

#include <cmath>

#include "win32gui/WinText.h"

namespace mrv {

namespace {
COLORREF ref(Color c) { return RGB(c.r, c.g, c.b); }
int px(double v) { return static_cast<int>(std::floor(v)); }
}  // namespace

GdiCanvas::GdiCanvas(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {
  SetBkMode(dc_, TRANSPARENT);
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

GdiCanvas::~GdiCanvas() {
  RestoreDC(dc_, saved_);  // deselects our pens and fonts before they are deleted
  for (auto& [k, p] : pens_) DeleteObject(p);
  for (auto& [k, f] : fonts_) DeleteObject(f);
}

HPEN GdiCanvas::pen(const Pen& p) {
  const int width = p.width < 1 ? 1 : p.width;
  const int style = p.style == PenStyle::Dash ? PS_DASH : p.style == PenStyle::Dot ? PS_DOT : PS_SOLID;
  const auto key = std::tuple{static_cast<std::uint32_t>(ref(p.color)), width, style};
  if (auto it = pens_.find(key); it != pens_.end()) return it->second;
  // a geometric pen keeps its dashes at any width; flat ends so a line ends where it is told
  LOGBRUSH brush{BS_SOLID, ref(p.color), 0};
  HPEN h = ExtCreatePen(PS_GEOMETRIC | static_cast<DWORD>(style) | PS_ENDCAP_FLAT | PS_JOIN_MITER,
                        static_cast<DWORD>(width), &brush, 0, nullptr);
  if (!h) h = CreatePen(style, width, ref(p.color));
  pens_[key] = h;
  return h;
}

HFONT GdiCanvas::font(const Font& f, int tenths) {
  const auto key = std::tuple{f.family, f.pixelSize, f.bold, tenths};
  if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
  const std::wstring face = wide(f.family);
  HFONT h = CreateFontW(-(f.pixelSize < 1 ? 1 : f.pixelSize), 0, tenths, tenths, f.bold ? FW_BOLD : FW_NORMAL, FALSE,
                        FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS | CLIP_LH_ANGLES,
                        ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, face.substr(0, LF_FACESIZE - 1).c_str());
  fonts_[key] = h;
  return h;
}

void GdiCanvas::fillRect(const RectF& r, Color c) {
  const RECT rc{px(r.x), px(r.y), px(r.x) + static_cast<int>(std::lround(r.width)),
                px(r.y) + static_cast<int>(std::lround(r.height))};
  HBRUSH b = CreateSolidBrush(ref(c));
  FillRect(dc_, &rc, b);
  DeleteObject(b);
}

void GdiCanvas::drawRect(const RectF& r, const Pen& p) {
  SelectObject(dc_, pen(p));
  SelectObject(dc_, GetStockObject(NULL_BRUSH));
  // the outline covers both edges, right and bottom included
  Rectangle(dc_, px(r.x), px(r.y), px(r.x) + static_cast<int>(std::lround(r.width)) + 1,
            px(r.y) + static_cast<int>(std::lround(r.height)) + 1);
}

void GdiCanvas::drawLine(PointF a, PointF b, const Pen& p) { drawPolyline({a, b}, p); }

void GdiCanvas::drawPolyline(const std::vector<PointF>& points, const Pen& p) {
  if (points.size() < 2) return;
  std::vector<POINT> pts;
  pts.reserve(points.size());
  for (const auto& q : points) pts.push_back(POINT{px(q.x), px(q.y)});
  SelectObject(dc_, pen(p));
  Polyline(dc_, pts.data(), static_cast<int>(pts.size()));
}

SizeF GdiCanvas::textExtent(std::string_view text, const Font& f) {
  SelectObject(dc_, font(f, 0));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc_, &tm);
  const std::wstring w = wide(text);
  SIZE s{0, 0};
  if (!w.empty()) GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &s);
  return SizeF{static_cast<double>(s.cx), static_cast<double>(tm.tmHeight)};
}

void GdiCanvas::drawText(PointF at, std::string_view text, const Font& f, double angle) {
  const std::wstring w = wide(text);
  if (w.empty()) return;
  // an escapement turns the text about its reference point, the top-left corner, counter-clockwise
  const int tenths = static_cast<int>(std::lround(angle * 10)) % 3600;
  SelectObject(dc_, font(f, tenths));
  SetTextColor(dc_, ref(f.color));
  TextOutW(dc_, px(at.x), px(at.y), w.c_str(), static_cast<int>(w.size()));
}

void GdiCanvas::setClipRect(const RectF& r) {
  HRGN rgn = CreateRectRgn(px(r.x), px(r.y), px(r.x) + static_cast<int>(std::lround(r.width)),
                           px(r.y) + static_cast<int>(std::lround(r.height)));
  SelectClipRgn(dc_, rgn);
  DeleteObject(rgn);
}

void GdiCanvas::resetClip() { SelectClipRgn(dc_, nullptr); }

}  // namespace mrv
