#pragma once
// The standard collection: the 90 rows of the standard block in catalogue order.
#include <string>
#include <vector>

#include "collect/CollectionContext.h"
#include "records/InventoryRecord.h"

namespace mrv {

struct CollectionResult {
  std::string family = "NT";                   // OS family text, "9x" or "NT"
  std::vector<std::string> installedPrograms;  // sorted
  std::vector<std::string> patches;            // sorted, each behind its "0@" sort prefix
};

// Runs every step of the item table (StandardItems.h). A step that raises adds "Error!" in each of
// its rows and reports the failure through ctx.onStepFailure, so the record keeps its layout; a
// step whose rows are read one by one fails only the row that raised (ItemSupport.h RowText).
// A step marked to run alongside (the processor clock's second of waiting) starts first on a
// thread of its own; the rows go into the record in catalogue order once every step has given
// them. `timings`, when given, receives each family's time in seconds, in pass order; for a step
// run alongside, the time the pass waited for it at the end.
CollectionResult RunStandardCollection(CollectionContext& ctx, InventoryRecord& record,
                                       std::vector<std::pair<std::string, double>>* timings = nullptr);

}  // namespace mrv
