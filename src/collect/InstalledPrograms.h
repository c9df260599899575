#pragma once
// The installed programs and patches of the record's last block.
#include "collect/SystemProbes.h"

namespace mrv {

// Fills state.installed and state.patches from the Uninstall key; with no registry at all, from
// the system's package database.
void InstalledSoftwareList(CollectionState& state, SystemServices& sys);

}  // namespace mrv
