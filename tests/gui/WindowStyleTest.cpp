#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QProxyStyle>

#include "gui/QtTestApp.h"
#include "gui/WindowStyle.h"

using namespace mrv;

namespace {
// How many pixels of the icon's 16 × 16 image are not transparent.
int drawnPixels(const QIcon& icon) {
  const QImage image = icon.pixmap(16, 16).toImage();
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
  return n;
}
}  // namespace

TEST(WindowStyle, KeepsTheDesktopsStyleAndDrawsTheMenuBarsChevrons) {
  ensureQtApp();
  const QString before = QApplication::style()->name();
  SetWindowStyle();
  auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style());
  ASSERT_NE(proxy, nullptr);
  EXPECT_EQ(proxy->baseStyle()->name(), before);

  const QIcon right = proxy->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
  const QIcon down = proxy->standardIcon(QStyle::SP_ToolBarVerticalExtensionButton);
  EXPECT_GT(drawnPixels(right), 10);
  EXPECT_GT(drawnPixels(down), 10);
  EXPECT_NE(right.pixmap(16, 16).toImage(), down.pixmap(16, 16).toImage());
  // every other icon is the desktop style's own
  EXPECT_EQ(proxy->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32).toImage(),
            proxy->baseStyle()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32).toImage());
}
