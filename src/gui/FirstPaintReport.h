#pragma once
// Start-up timing: with MERVANA_FIRST_PAINT set in the environment, the window prints the wall-clock
// time at which it was first painted ("first paint at SECONDS.MICROSECONDS" since the epoch, on
// stdout) and quits. A benchmark takes the time before it starts the program from it. Header only
// and Qt only, so that a bare Qt program can report its first paint the same way.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace mrv {

class FirstPaintReport : public QObject {
 public:
  static bool wanted() { return qEnvironmentVariableIsSet("MERVANA_FIRST_PAINT"); }

  // Watches `window` and every widget in it; the report is a child of the window.
  explicit FirstPaintReport(QWidget* window) : QObject(window), window_(window) { qApp->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_) {
      seen_ = true;
      // after this paint pass, once the painted frame has gone to the display
      QTimer::singleShot(0, this, [] {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const long long us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
        std::printf("first paint at %lld.%06lld\n", us / 1000000, us % 1000000);
        std::fflush(stdout);
        QApplication::quit();
      });
    }
    return false;
  }

 private:
  QWidget* window_;
  bool seen_ = false;
};

}  // namespace mrv
