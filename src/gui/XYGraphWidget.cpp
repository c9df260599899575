#include "gui/XYGraphWidget.h"

#include <QPainter>

#include "gui/QtCanvas.h"

namespace mrv {

XYGraphWidget::XYGraphWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  graph_.setOnChanged([this] { update(); });
}

XYGraphWidget::~XYGraphWidget() { graph_.setOnChanged(nullptr); }

void XYGraphWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QtCanvas canvas(painter);
  graph_.Paint(canvas, width(), height());
}

}  // namespace mrv
