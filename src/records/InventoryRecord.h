#pragma once
// The inventory record as it is written: one value per row, into the grid (column 2) and the text
// view (one line per row) together, through the one add-a-value-row operation.
#include <string>
#include <string_view>
#include <vector>

#include "ui/Views.h"

namespace mrv {

// The field form of a value: control characters (CR, LF, tab, ...) become blanks, so every value is
// one line; then a quote before a leading + - = @ or double quote; a value with a comma is wrapped
// in double quotes, or has its commas turned into blanks when it also holds a double quote. So a
// field of a list begins with a double quote only when the field form wrapped it (and then holds
// no other), and no field begins with a formula character: a spreadsheet reads every value as the
// text it is, in its own column. A value that reads exactly as the section marker gets the quote
// too: only the item definition file's own literal line may divide a record.
std::string FieldForm(std::string_view value);

// The record line that divides the values between the main list and the software list.
inline constexpr std::string_view kSectionMarker = "/UninstallInfo";

// Rows the installed-programs block always fills (padded with empty rows).
inline constexpr int kInstalledBlockRows = 100;

class InventoryRecord {
 public:
  // counter: the main window's row counter (the next row to fill).
  InventoryRecord(GridView& grid, TextView& memo, int& counter) : grid_(grid), memo_(memo), counter_(counter) {}

  void addValueRow(std::string_view value) { putLine(FieldForm(value)); }
  // A literal line of the item definition file: the section marker stands as it is (it divides the
  // lists); any other line is a value like the rest.
  void addLiteralRow(std::string_view line) {
    if (line == kSectionMarker) putLine(std::string(line));
    else addValueRow(line);
  }
  // The same: the prompt dialog's answer (its commas already blanks) takes the field form as every
  // other value does, so a typed "=1+2" is kept as text.
  void addRow(std::string_view text) { addValueRow(text); }
  void addLabelRow(std::string_view label, int col);

  // Names the rows: the 90 catalogue labels for the family ("9x" or "NT"), then the custom block's
  // labels. col is 1 for the record view, 1 or 2 for the item list.
  void labelPass(std::string_view family, int col, const std::vector<std::string>& customLabels);
  // Appends the installed-programs block (padded to 100 rows) and the patch block (last entry first,
  // each without its sort prefix up to "0@").
  void closeRecord(const std::vector<std::string>& installed, const std::vector<std::string>& patches);
  // Writes 1, 2, 3, ... into column 0 of every grid row from row 1 on.
  void numberRows();

 private:
  void putLine(const std::string& line);

  GridView& grid_;
  TextView& memo_;
  int& counter_;
};

}  // namespace mrv
