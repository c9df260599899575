#pragma once
// The standard block as a table: one step per row or per family of rows that one operation fills,
// in catalogue order. Each step says how many rows it fills and names the collector that gives
// their texts; the rows' keys and labels are declared once, in the catalogue
// (records/ItemCatalogue.cpp), and a step's rows are the next ones of it. The pass
// (StandardCollection.h) runs the steps in order and adds the texts through the record's
// add-a-value-row operation.
//
// Adding a row: declare it in the catalogue, give its collector in the family file it belongs to
// (collect/*Items.cpp, or the installation's rows, collect/InstallationFacts.h), and add the step
// here in catalogue order, or count the row in the step that fills it. The build checks that the
// steps fill the catalogue's rows exactly.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

// Gives exactly as many texts as the step has keys.
using Collector = std::vector<std::string> (*)(CollectionContext&);

struct StandardStep {
  std::string_view family;                // which family of rows, for timings and failure reports
  int rows;                               // how many rows it fills: the next ones of the catalogue
  Collector collect;
  // Runs on a thread of its own beside the rest of the pass (its rows still go in their place).
  // Only for a step that mostly waits and reads nothing the other steps change: its collector may
  // read ctx.platform and nothing else of the context.
  bool alongside = false;
  // For a step alongside: how long it is known to take (0: not known). The pass, done before it,
  // keeps watching for its end from shortly before then rather than sleeping until it is woken.
  int takesMs = 0;
};

std::span<const StandardStep> StandardSteps();

}  // namespace mrv
