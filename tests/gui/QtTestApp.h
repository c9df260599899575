#pragma once
// One QApplication per test process, whichever test asks first. It lives until the process ends and
// is never destroyed: destroyed among the exit handlers it would outlive Qt's own globals (a crash
// at exit once its event loop has run).
#include <QApplication>

inline void ensureQtApp() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}
