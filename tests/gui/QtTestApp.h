#pragma once
// One QApplication per test process, whichever test asks first.
#include <QApplication>

inline void ensureQtApp() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}
