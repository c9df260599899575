// The road of a value from a collector to the administrator's spreadsheet: each line of the input
// is one value, added to a record through the add-a-value-row operation (the field form), saved as
// a record file, aggregated into mervana.csv and read back as a spreadsheet reads CSV. Every value
// must come out as exactly one cell, in its own column, and no cell may begin with a formula
// character or be read as a quoted field that the field form did not make.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzFolder.h"
#include "platform/TextFiles.h"
#include "platform/FolderFiles.h"
#include "records/Aggregate.h"
#include "records/InventoryRecord.h"
#include "support/RecordLines.h"

namespace {

// A CSV line split as a spreadsheet splits it: a field that begins with a double quote runs to the
// quote that closes it ("" inside stands for one quote) and on to the next comma; any other field
// runs to the next comma, quotes in it taken as they are.
std::vector<std::string> spreadsheetCells(std::string_view line, bool& openQuoteAtEnd) {
  std::vector<std::string> cells;
  std::string cell;
  std::size_t i = 0;
  openQuoteAtEnd = false;
  for (;;) {
    cell.clear();
    if (i < line.size() && line[i] == '"') {
      ++i;
      for (;;) {
        if (i >= line.size()) {
          openQuoteAtEnd = true;
          break;
        }
        if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
          cell += '"';
          i += 2;
        } else if (line[i] == '"') {
          ++i;
          break;
        } else {
          cell += line[i++];
        }
      }
    }
    while (i < line.size() && line[i] != ',') cell += line[i++];
    cells.push_back(cell);
    if (i >= line.size()) break;
    ++i;  // the comma
  }
  return cells;
}

bool startsAsFormula(std::string_view cell) {
  return !cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  static const fuzzsupport::FuzzFolder folder("field-form");
  const auto values = fuzzsupport::cutInput(std::string_view(reinterpret_cast<const char*>(data), size), "\n");
  if (values.size() > 200) return 0;

  std::vector<std::string_view> all{"PC01__SALES"};  // row 1, the record file name stem
  all.insert(all.end(), values.begin(), values.end());
  const std::vector<std::string> lines = mrv::test::recordLinesOf(all);
  if (lines.size() != values.size() + 1) __builtin_trap();  // one line per value, whatever it holds

  folder.reset({});
  if (!writeAnsiLinesAtomic(folder.file("PC01__SALES.csv"), lines)) return 0;
  if (!BuildAggregatedLists(folder.path()).ok) __builtin_trap();
  std::string bytes;
  if (!readFileBytes(folder.file(std::string(kMainListName)), bytes)) __builtin_trap();
  if (bytes.size() < 2 || bytes.substr(bytes.size() - 2) != "\r\n") __builtin_trap();
  const std::string_view row(bytes.data(), bytes.size() - 2);
  if (row.find_first_of("\r\n") != std::string_view::npos) __builtin_trap();  // one row per PC

  bool open = false;
  const std::vector<std::string> cells = spreadsheetCells(row, open);
  if (open || cells.size() != lines.size()) __builtin_trap();  // a column shifted
  for (const std::string& cell : cells)
    if (startsAsFormula(cell)) __builtin_trap();  // a spreadsheet would take it for a formula
  return 0;
}
