#pragma once
// The lines of a record made of these values, each added through the add-a-value-row operation
// (the field form), as the record file keeps them.
#include <string>
#include <string_view>
#include <vector>

#include "records/InventoryRecord.h"
#include "ui/MemoryViews.h"

namespace mrv::test {

template <typename Values>
std::vector<std::string> recordLinesOf(const Values& values) {
  MemoryGridView grid;
  MemoryTextView memo;
  grid.setColCount(3);
  grid.setRowCount(10);
  int counter = 1;
  InventoryRecord record(grid, memo, counter);
  for (const auto& v : values) record.addValueRow(v);
  return memo.lines();
}

}  // namespace mrv::test
