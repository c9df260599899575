#pragma once
// The screen as the Qt window sees it: the width and colour depth of the screen it shows on, and
// the input method Qt's input context is configured for.
#include <QWidget>

#include "ui/ScreenInfo.h"

namespace mrv {

class QtScreenInfo : public ScreenInfo {
 public:
  explicit QtScreenInfo(const QWidget& window) : window_(window) {}
  bool screenWidth(int& pixels) const override;
  bool colorBits(int& bits) const override;
  std::string inputMethodDescription() const override;

 private:
  const QWidget& window_;
};

}  // namespace mrv
