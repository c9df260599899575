#pragma once
// How the window looks beyond its own widgets, set once on the application before the window is
// made:
// - the desktop's style, with the menu bar's extension button (the chevrons shown when the menus do
//   not fit) drawn in code: the style reads that icon from image files, and reading an image file
//   loads every image-format plugin first;
// - the menus in the window's own menu bar on every desktop, as on Windows, never moved to a
//   desktop's global menu (asking the desktop for one costs a bus round trip at each start).
// Both were a good part of the window's start.
namespace mrv {

void SetWindowConventions();

}  // namespace mrv
