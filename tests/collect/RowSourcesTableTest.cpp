// README's table of where each row comes from, held against the item catalogue: every standard row
// is described exactly once, and every key the table names stands at the row the table gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "base/Text.h"
#include "records/ItemCatalogue.h"

namespace mrv {
namespace {

// "18–23", "3, 4" or "28, 29, 41" as the rows they name; nothing when the cell is not of that form.
std::vector<int> rowsOf(std::string_view cell) {
  std::vector<int> rows;
  for (std::string part : split(cell, ',')) {
    part = replaceAll(trim(part), "\u2013", "-");
    const std::size_t dash = part.find('-');
    int first = 0, last = 0;
    if (dash == std::string::npos ? !parseInt(part, first) : !parseInt(part.substr(0, dash), first) ||
                                                                 !parseInt(part.substr(dash + 1), last))
      return {};
    if (dash == std::string::npos) last = first;
    for (int r = first; r <= last; ++r) rows.push_back(r);
  }
  return rows;
}

std::vector<std::string> backtickedWords(std::string_view cell) {
  std::vector<std::string> words;
  for (std::size_t open = cell.find('`'); open != std::string_view::npos; open = cell.find('`', open + 1)) {
    const std::size_t close = cell.find('`', open + 1);
    if (close == std::string_view::npos) break;
    words.emplace_back(cell.substr(open + 1, close - open - 1));
    open = close;
  }
  return words;
}

TEST(RowSourcesTable, DescribesEachStandardRowOnceUnderItsKey) {
  std::ifstream in(MERVANA_SOURCE_DIR "/README.md", std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  std::map<int, int> described;  // row → how many table lines name it
  bool inSection = false;
  for (const std::string& line : splitLines(text.str())) {
    if (startsWith(line, "## ")) inSection = line == "## Where each row of the record comes from";
    if (!inSection || !startsWith(line, "| ") || startsWith(line, "| Row ")) continue;
    const std::vector<std::string> cells = split(line, '|');
    ASSERT_GE(cells.size(), 4u) << line;
    const std::vector<int> rows = rowsOf(cells[1]);
    ASSERT_FALSE(rows.empty()) << "not a row number: " << line;
    for (int r : rows) ++described[r];
    for (const std::string& key : backtickedWords(cells[2])) {
      const int pos = cataloguePos(key);
      EXPECT_TRUE(std::find(rows.begin(), rows.end(), pos) != rows.end())
          << "`" << key << "` is row " << pos << " of the catalogue: " << line;
    }
  }
  for (int r = 1; r <= kStandardRows; ++r) EXPECT_EQ(described[r], 1) << "row " << r;
  EXPECT_EQ(described.size(), static_cast<std::size_t>(kStandardRows));
}

}  // namespace
}  // namespace mrv
