#include "win32gui/Win32ScreenInfo.h"

#include <imm.h>

#include "win32gui/WinText.h"

namespace mrv {

bool Win32ScreenInfo::screenWidth(int& pixels) const {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  if (w <= 0) return false;
  pixels = w;
  return true;
}

bool Win32ScreenInfo::colorBits(int& bits) const {
  HDC dc = GetDC(window_);
  if (!dc) return false;
  bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(window_, dc);
  return true;
}

std::string Win32ScreenInfo::inputMethodDescription() const {
  HKL layout = GetKeyboardLayout(0);
  const UINT n = ImmGetDescriptionW(layout, nullptr, 0);
  if (n == 0) return {};  // no input method: keys go straight from the layout
  std::wstring s(n + 1, L'\0');
  s.resize(ImmGetDescriptionW(layout, s.data(), n + 1));
  return narrow(s);
}

}  // namespace mrv
