#include "gui/QtCanvas.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QString>

#include "chart/XYGraph.h"

namespace mrv {

namespace {

QColor toQColor(Color c) { return QColor(c.r, c.g, c.b); }

QPen toQPen(const Pen& pen) {
  QPen q(toQColor(pen.color));
  q.setWidth(std::max(pen.width, 1));
  q.setStyle(pen.style == PenStyle::Dot ? Qt::DotLine : pen.style == PenStyle::Dash ? Qt::DashLine : Qt::SolidLine);
  return q;
}

QString toQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Thin lines are drawn on pixel centres so that a one-pixel grid line stays one pixel wide.
QPointF crisp(PointF p, int width) {
  const double shift = (std::max(width, 1) % 2) ? 0.5 : 0.0;
  return QPointF(std::floor(p.x) + shift, std::floor(p.y) + shift);
}

}  // namespace

QFont toQFont(const Font& font) {
  QFont f(QString::fromStdString(font.family));
  f.setPixelSize(std::max(font.pixelSize, 1));
  f.setBold(font.bold);
  return f;
}

void QtCanvas::fillRect(const RectF& r, Color c) { p_.fillRect(QRectF(r.x, r.y, r.width, r.height), toQColor(c)); }

void QtCanvas::drawRect(const RectF& r, const Pen& pen) {
  p_.save();
  p_.setRenderHint(QPainter::Antialiasing, false);
  p_.setPen(toQPen(pen));
  p_.setBrush(Qt::NoBrush);
  const QPointF a = crisp({r.x, r.y}, pen.width), b = crisp({r.right(), r.bottom()}, pen.width);
  p_.drawRect(QRectF(a, b));
  p_.restore();
}

void QtCanvas::drawLine(PointF a, PointF b, const Pen& pen) {
  p_.save();
  p_.setRenderHint(QPainter::Antialiasing, false);
  p_.setPen(toQPen(pen));
  p_.drawLine(crisp(a, pen.width), crisp(b, pen.width));
  p_.restore();
}

void QtCanvas::drawPolyline(const std::vector<PointF>& points, const Pen& pen) {
  if (points.size() < 2) return;
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(points.size()));
  for (const PointF& p : points) poly << QPointF(p.x, p.y);
  p_.save();
  p_.setRenderHint(QPainter::Antialiasing, true);
  QPen q = toQPen(pen);
  q.setCapStyle(Qt::RoundCap);
  q.setJoinStyle(Qt::RoundJoin);
  p_.setPen(q);
  p_.drawPolyline(poly);
  p_.restore();
}

SizeF QtCanvas::textExtent(std::string_view text, const Font& font) {
  const QFontMetricsF fm(toQFont(font), p_.device());
  return SizeF{fm.horizontalAdvance(toQString(text)), fm.height()};
}

void QtCanvas::drawText(PointF at, std::string_view text, const Font& font, double angle) {
  const QFont f = toQFont(font);
  const QFontMetricsF fm(f, p_.device());
  p_.save();
  p_.setRenderHint(QPainter::TextAntialiasing, true);
  p_.translate(at.x, at.y);
  if (angle != 0) p_.rotate(-angle);
  p_.setFont(f);
  p_.setPen(toQColor(font.color));
  p_.drawText(QPointF(0, fm.ascent()), toQString(text));
  p_.restore();
}

void QtCanvas::setClipRect(const RectF& r) { p_.setClipRect(QRectF(r.x, r.y, r.width, r.height)); }

void QtCanvas::resetClip() { p_.setClipping(false); }

bool saveGraphPng(const TXYGraph& graph, int width, int height, const std::string& path, std::string& message) {
  if (width <= 0 || height <= 0 || width > 20000 || height > 20000) {
    message = "picture size out of range";
    return false;
  }
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    QtCanvas canvas(painter);
    graph.Paint(canvas, width, height);
  }
  if (!image.save(QString::fromStdString(path), "PNG")) {
    message = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace mrv
