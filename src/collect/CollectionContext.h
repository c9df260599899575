#pragma once
// What the collectors of one Read share: the platform services, the per-pass registry reader and
// lists (CollectionState), the dialogs a probe may show, the settings the pass needs, the OS family
// and the texts one step keeps for later ones. The Read command creates it; the pass fills it.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/SystemProbes.h"
#include "platform/Platform.h"
#include "ui/ScreenInfo.h"
#include "ui/Views.h"

namespace mrv {

struct InstallationFacts;

struct CollectionContext {
  CollectionContext(const Platform& p, CollectionState& s, Dialogs& d) : platform(p), state(s), dialogs(d) {}

  const Platform& platform;
  // Where the installation's facts come from (collect/InstallationFacts.h), chosen from the platform.
  const InstallationFacts& installation() const;
  CollectionState& state;  // registry reader, Key-open flag, installed programs and patches
  Dialogs& dialogs;
  const ScreenInfo* screen = nullptr;  // the window's screen; none without a window system

  // Settings of the run.
  std::string saveDir;       // the SaveDir setting as read at start-up (may be empty)
  std::string recordFolder;  // where this PC's record goes, ending in a separator
  std::string programDir;    // the program's folder, no trailing separator

  // "NT" or "9x", decided by the pass before the network identity rows.
  std::string family = "NT";
  bool isNT() const { return family == "NT"; }

  // Texts the pass keeps for later steps and for the custom items.
  std::string computerName;        // ComputerNameText, read first
  std::string stem;                // record file name stem (row 1)
  std::string windowsProductName;  // the "WinVersion" notice of the custom items
  std::string programFilesFolder;  // FileVersionText's %programfiles%

  // The disk-health rows (56 to 61). Reading and judging a drive belongs to the disk layer, which
  // sits above this one, so the Read command hands its collector in; without one the rows are empty.
  std::function<std::vector<std::string>(CollectionContext&)> diskHealthRows;

  // A failure a step caught and turned into its rows' text; a batch run writes it to stderr.
  std::function<void(std::string_view step, std::string_view what)> onStepFailure;
  // The family of the step the pass is running, for the failures of single rows.
  std::string_view step;
};

}  // namespace mrv
