#pragma once
// The standard block as a table: one step per row or per family of rows that one operation fills,
// in catalogue order. Each step names the catalogue keys of the rows it fills and the collector that
// gives their texts. The pass (StandardCollection.h) runs the steps in order and adds the texts
// through the record's add-a-value-row operation.
//
// Adding a row: declare its key in the catalogue (records/ItemCatalogue.cpp), give its collector in
// the family file it belongs to (collect/*Items.cpp), add the step here in catalogue order, and test
// the collector; StandardItemsTest holds the table against the catalogue.
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
  std::span<const std::string_view> keys;  // the catalogue keys of the rows it fills, in order
  Collector collect;
};

std::span<const StandardStep> StandardSteps();

}  // namespace mrv
