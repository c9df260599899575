#pragma once
// One PC record as the inventory database holds it: the standard rows by position, the custom rows
// with their labels, the installed programs and the patches, all decoded from Shift-JIS to UTF-8.
//
// A record is one value per line and says nothing of where its blocks end. The custom rows are
// as many as the folder's item list (itemlist.csv) has rows past the standard ones, labelled from
// it; without an item list, they run to the section marker the definition file wrote, if any.
// The installed-programs block that follows is the programs, then the empty rows that fill it to
// 100, then the patches; a PC with 100 programs or more has no empty row, and then every row of
// the block counts as a program.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/ItemCatalogue.h"

namespace mrv {

// The custom rows' labels of the item list, by family, in row order.
struct CustomLabels {
  std::vector<std::string> nine;  // "9x"
  std::vector<std::string> nt;    // "NT"
};
// From itemlist.csv's bytes (Shift-JIS): the lines after the standard rows.
CustomLabels CustomLabelsOfItemList(std::string_view bytes);

struct CustomRow {
  std::string label, value;
};

struct RecordSnapshot {
  std::string stem;  // the record file's name without ".csv"
  std::array<std::string, kStandardRows> standard;
  std::vector<CustomRow> custom;
  std::vector<std::string> programs;
  std::vector<std::string> patches;

  const std::string& dateTime() const { return standard[23]; }  // row 24
};

// Reads a record's bytes. Nothing, with the reason in `why`, when they are not Shift-JIS or hold
// fewer lines than the standard rows.
std::optional<RecordSnapshot> ReadRecordSnapshot(std::string_view stem, std::string_view bytes,
                                                 const std::optional<CustomLabels>& labels, std::string& why);

}  // namespace mrv
