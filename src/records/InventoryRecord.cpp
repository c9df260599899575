#include "records/InventoryRecord.h"

#include "base/Text.h"
#include "records/ItemCatalogue.h"

namespace mrv {

std::string FieldForm(std::string_view value) {
  std::string v(value);
  // a record row is one line: a value holding line breaks (a multi-line registry value) must not
  // split it, so control characters become blanks
  for (char& c : v)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  if (!v.empty() && (v[0] == '+' || v[0] == '-' || v[0] == '=' || v[0] == '@')) v = "'" + v;
  if (contains(v, ",")) {
    if (contains(v, "\"")) return replaceAll(v, ",", " ");
    return "\"" + v + "\"";
  }
  return v;
}

void InventoryRecord::addRow(std::string_view text) {
  grid_.setCell(2, counter_, text);
  memo_.appendLine(text);
  ++counter_;
  if (grid_.rowCount() < counter_) grid_.setRowCount(grid_.rowCount() + 10);
}

void InventoryRecord::addLabelRow(std::string_view label, int col) {
  if (grid_.rowCount() < counter_ + 1) grid_.setRowCount(counter_ + 1);
  grid_.setCell(col, counter_, label);
  ++counter_;
}

void InventoryRecord::labelPass(std::string_view family, int col, const std::vector<std::string>& customLabels) {
  counter_ = 1;
  for (const auto& item : kItemCatalogue) addLabelRow(catalogueLabel(item.pos, family), col);
  for (const auto& label : customLabels) addLabelRow(label, col);
  grid_.showRow(counter_ - 1);
}

void InventoryRecord::closeRecord(const std::vector<std::string>& installed, const std::vector<std::string>& patches) {
  int added = 0;
  for (const auto& entry : installed) {
    addValueRow(entry);
    ++added;
  }
  for (; added < kInstalledBlockRows; ++added) addValueRow("");
  for (auto it = patches.rbegin(); it != patches.rend(); ++it) {
    const std::size_t pos = it->find("0@");
    addValueRow(pos == std::string::npos ? *it : it->substr(pos + 2));
  }
}

void InventoryRecord::numberRows() {
  for (int row = 1; row < grid_.rowCount(); ++row) grid_.setCell(0, row, std::to_string(row));
}

}  // namespace mrv
