#pragma once
// The chart control on the window: a widget that shows one TXYGraph and repaints whenever the
// graph changes (XYGraph1 on Panel1).
#include <QWidget>

#include "chart/XYGraph.h"

namespace mrv {

class XYGraphWidget : public QWidget {
  Q_OBJECT
 public:
  explicit XYGraphWidget(QWidget* parent = nullptr);
  ~XYGraphWidget() override;

  TXYGraph& graph() { return graph_; }
  const TXYGraph& graph() const { return graph_; }

  QSize sizeHint() const override { return QSize(560, 360); }
  QSize minimumSizeHint() const override { return QSize(240, 160); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TXYGraph graph_;
};

}  // namespace mrv
