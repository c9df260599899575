#pragma once
// The window's style, set once on the application before the window is made: the desktop's own,
// with the menu bar's extension button (the chevrons shown when the menus do not fit) drawn in
// code. The desktop style reads that icon from an image file, and the first image file a process
// reads loads every image-format plugin to ask whether it knows the file (1 ms of the window's
// start, which makes its menu bar before anything else reads an image).
namespace mrv {

void SetWindowStyle();

}  // namespace mrv
