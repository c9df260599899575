#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <string>

#include "gui/FirstPaintReport.h"
#include "gui/QtTestApp.h"

using namespace mrv;

namespace {

double nowSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Runs the event loop until something quits it or `limitMs` passes; true when it timed out.
bool runUntilQuitOr(int limitMs) {
  bool timedOut = false;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [&] {
    timedOut = true;
    QApplication::quit();
  });
  limit.start(limitMs);
  QApplication::exec();
  return timedOut;
}

}  // namespace

TEST(FirstPaintReport, PrintsTheTimeOfTheWindowsFirstPaintAndQuits) {
  ensureQtApp();
  QWidget window;
  window.resize(200, 100);
  new FirstPaintReport(&window);
  const double before = nowSeconds();
  testing::internal::CaptureStdout();
  window.show();
  const bool timedOut = runUntilQuitOr(10000);
  const std::string out = testing::internal::GetCapturedStdout();
  const double after = nowSeconds();
  window.hide();

  EXPECT_FALSE(timedOut) << "the event loop was not quit after the first paint";
  // "first paint at SECONDS.MICROSECONDS\n", six digits after the point
  const std::string prefix = "first paint at ";
  ASSERT_EQ(out.rfind(prefix, 0), 0u) << out;
  const std::string number = out.substr(prefix.size());
  const std::size_t point = number.find('.');
  ASSERT_NE(point, std::string::npos) << out;
  ASSERT_GT(point, 0u) << out;
  ASSERT_EQ(number.size(), point + 1 + 6 + 1) << out;
  ASSERT_EQ(number.back(), '\n') << out;
  ASSERT_EQ(number.find_first_not_of("0123456789.\n"), std::string::npos) << out;
  const double at = std::stod(number);
  EXPECT_GE(at, before - 0.001);
  EXPECT_LE(at, after + 0.001);
}

TEST(FirstPaintReport, AnotherWindowsPaintIsNotTheFirstPaint) {
  ensureQtApp();
  QWidget watched;  // never shown, so never painted
  QWidget other;
  other.resize(200, 100);
  new FirstPaintReport(&watched);
  testing::internal::CaptureStdout();
  other.show();
  const bool timedOut = runUntilQuitOr(500);
  const std::string out = testing::internal::GetCapturedStdout();
  other.hide();

  EXPECT_TRUE(timedOut) << "the report quit on a window it does not watch";
  EXPECT_EQ(out, "");
}
