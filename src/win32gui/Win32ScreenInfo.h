#pragma once
// The screen as the Win32 window sees it: the width of the screen, the colour depth of the main
// window's device context and the input method of the thread's keyboard layout.
#include <windows.h>

#include "ui/ScreenInfo.h"

namespace mrv {

class Win32ScreenInfo : public ScreenInfo {
 public:
  explicit Win32ScreenInfo(HWND window) : window_(window) {}
  bool screenWidth(int& pixels) const override;
  bool colorBits(int& bits) const override;
  std::string inputMethodDescription() const override;

 private:
  HWND window_;
};

}  // namespace mrv
