#pragma once
// The standard collection: the 90 rows of the standard block in catalogue order.
#include <string>
#include <vector>

#include "app/FormServices.h"
#include "records/InventoryRecord.h"

namespace mrv {

struct CollectionResult {
  std::string family = "NT";                   // OS family text, "9x" or "NT"
  std::vector<std::string> installedPrograms;  // sorted
  std::vector<std::string> patches;            // sorted, each behind its "0@" sort prefix
  std::vector<std::string> customLabels;       // labels of the custom block
};

struct CollectionState;

// state: the per-pass registry reader, Key-open flag and the two lists, created by the Read command.
CollectionResult RunStandardCollection(FormServices& form, InventoryRecord& record, CollectionState& state);

}  // namespace mrv
