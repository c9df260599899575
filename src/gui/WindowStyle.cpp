#include "gui/WindowStyle.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace mrv {

namespace {

// Two chevrons pointing right (or down), in the text colour, on 16 × 16 pixels.
QIcon chevrons(bool down, const QPalette& palette) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(palette.color(QPalette::ButtonText), 1.5));
  for (const int at : {4, 9}) {
    const QPointF a(at, 4), tip(at + 3.5, 8), b(at, 12);
    const QPointF pts[3] = {a, tip, b};
    if (!down) {
      p.drawPolyline(pts, 3);
    } else {
      const QPointF rotated[3] = {QPointF(a.y(), a.x()), QPointF(tip.y(), tip.x()), QPointF(b.y(), b.x())};
      p.drawPolyline(rotated, 3);
    }
  }
  return QIcon(pixmap);
}

class WindowStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override {
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton) {
      const QPalette palette = option ? option->palette : QApplication::palette(widget);
      return chevrons(icon == SP_ToolBarVerticalExtensionButton, palette);
    }
    return QProxyStyle::standardIcon(icon, option, widget);
  }
};

}  // namespace

void SetWindowStyle() {
  // the style QApplication chose (a -style argument included); with none found, the desktop's default
  QApplication::setStyle(new WindowStyle(QStyleFactory::create(QApplication::style()->name())));
}

}  // namespace mrv
