#include "records/InventoryRecord.h"

#include "base/Text.h"
#include "records/ItemCatalogue.h"

namespace mrv {

namespace {
// A record line is one row: CR, LF and the other control characters become blanks, so a value
// holding a line break (an uninstall entry's name, say) cannot push every later row down.
std::string singleLine(std::string_view text) {
  std::string v(text);
  for (char& c : v)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return v;
}
}  // namespace

std::string FieldForm(std::string_view value) {
  std::string v = singleLine(value);
  // A leading double quote counts with the formula characters: a spreadsheet would read the field
  // as a quoted one, running on past the comma after it when no closing quote follows (shifting
  // every later column) and taking what the quotes hold, "=2+2" say, as a formula.
  if (!v.empty() && (v[0] == '+' || v[0] == '-' || v[0] == '=' || v[0] == '@' || v[0] == '"')) v = "'" + v;
  if (v == kSectionMarker) v = "'" + v;
  if (contains(v, ",")) {
    if (contains(v, "\"")) return replaceAll(v, ",", " ");
    return "\"" + v + "\"";
  }
  return v;
}

void InventoryRecord::putLine(const std::string& line) {
  grid_.setCell(2, counter_, line);
  memo_.appendLine(line);
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
