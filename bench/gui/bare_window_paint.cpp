// The peer of the window's start-up time: the barest Qt Widgets program that opens a window of
// the main window's size and paints it. Run with MERVANA_FIRST_PAINT set, it reports its first
// paint the way the program does (gui/FirstPaintReport.h) and quits; scripts/bench.sh compares
// the two under one X server.
#include <QApplication>
#include <QPainter>
#include <QWidget>

#include "gui/FirstPaintReport.h"

namespace {

class BareWindow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Mervana"));
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BareWindow window;
  window.resize(749, 488);
  if (mrv::FirstPaintReport::wanted()) new mrv::FirstPaintReport(&window);
  window.show();
  return app.exec();
}
