#pragma once
// What the window system tells of the screen the program runs on: its width, the colour depth of
// the main window's device context, and the input method in use. The Qt window answers; a run
// without a window system has none, and its rows stay empty.
#include <string>

namespace mrv {

struct ScreenInfo {
  // Width of the screen in pixels; false when it cannot be told.
  virtual bool screenWidth(int& pixels) const = 0;
  // Bits per pixel times colour planes of the window's device context; false when unknown.
  virtual bool colorBits(int& bits) const = 0;
  // The description of the input method in use for the program's keyboard input; "" when the
  // input goes straight from the keyboard layout.
  virtual std::string inputMethodDescription() const = 0;
  virtual ~ScreenInfo() = default;
};

}  // namespace mrv
