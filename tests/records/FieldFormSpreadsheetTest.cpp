// The road a value takes from a collector to the administrator's spreadsheet: field form, record
// file, aggregated list, and the list opened by a real spreadsheet (LibreOffice Calc, headless,
// with formulas evaluated as a spreadsheet user has them). Whatever a value holds, it must come out
// as text in its own column.
#include <gtest/gtest.h>

#include "collect/CustomItemsFixture.h"
#include "records/Aggregate.h"
#include "records/InventoryRecord.h"
#include "support/ListFolder.h"
#include "support/RecordLines.h"
#if defined(__linux__)
#include "support/SpreadsheetCsv.h"
#endif

using namespace mrv;
using mrv::test::ListFolder;

namespace {

using Row = std::vector<std::string>;

// What the record of these values holds, one line per value, as the record file keeps it.
std::vector<std::string> recordOf(const std::vector<std::string>& values) { return mrv::test::recordLinesOf(values); }

// Values that a registry, a WMI answer or a person at the PC can hand over.
const std::vector<std::string> kHostile = {
    "PC01__SALES",
    "\"C:\\Program Files\\Viewer\\viewer.exe",  // a command line's opening quote, never closed
    "\"=2+2\"",                                   // a formula the quotes hide from the guard
    "=1+2",
    "=HYPERLINK(\"http://example.com\",\"x\")",
    "@SUM(1)",
    "\"a\"b\"",
    "a,b",
    "say \"x\", y",
    "\"",
    "/UninstallInfo",  // a value that reads as the section marker must not divide the record
    "last",
};


}  // namespace

// A leading double quote is guarded as a formula character is: it would open a quoted field that
// runs on past the comma after it, or unwrap a formula.
TEST(FieldFormRoad, ALeadingQuoteIsGuardedLikeAFormula) {
  EXPECT_EQ(FieldForm("\"=2+2\""), "'\"=2+2\"");
  EXPECT_EQ(FieldForm("\"abc"), "'\"abc");
  EXPECT_EQ(FieldForm("\"a,b"), "'\"a b");
  // what stored records hold for ordinary values stays as it was
  EXPECT_EQ(FieldForm("a,b"), "\"a,b\"");
  EXPECT_EQ(FieldForm("=1"), "'=1");
  EXPECT_EQ(FieldForm("say \"x\", y"), "say \"x\"  y");
  EXPECT_EQ(FieldForm("plain \"quote\""), "plain \"quote\"");
  // in a list, a field begins with a quote only when the field form wrapped it
  for (const auto& line : recordOf(kHostile)) {
    if (!line.empty() && line[0] == '"') {
      EXPECT_TRUE(line.size() >= 2 && line.back() == '"' && line.find('"', 1) == line.size() - 1) << line;
    }
  }
}

// The answer typed at a ">" prompt is a value like any other: "=1+2" must not reach the record as
// a live formula.
TEST(FieldFormRoad, APromptAnswerTakesTheFieldForm) {
  test::CustomRun run;
  run.dialogs.promptAnswers = {"=1+2", "\"=HYPERLINK(\"\"x\"\")\"", "Room 3, east", "-5"};
  EXPECT_EQ(run.rowsOf({">Formula?", ">Link?", ">Room?", ">Number?"}),
            (std::vector<std::string>{"'=1+2", "'\"=HYPERLINK(\"\"x\"\")\"", "Room 3  east", "'-5"}));
}

// The section marker divides a record only where the item definition file writes it as a literal
// line; a value that happens to read the same (here a typed answer) is a value in its column.
TEST(FieldFormRoad, OnlyTheDefinitionFilesLiteralLineIsTheSectionMarker) {
  test::CustomRun run;
  run.dialogs.promptAnswers = {"/UninstallInfo"};
  EXPECT_EQ(run.rowsOf({"/UninstallInfo", ">Where?"}), (std::vector<std::string>{"/UninstallInfo", "'/UninstallInfo"}));

  ListFolder folder("marker");
  folder.write("PC01__SALES.csv", recordOf({"PC01__SALES", "/UninstallInfo", "Viewer 2.0"}));
  ASSERT_TRUE(BuildAggregatedLists(folder.str()).ok);
  EXPECT_EQ(folder.bytes("mervana.csv"), "PC01__SALES,'/UninstallInfo,Viewer 2.0\r\n");
}

#if defined(__linux__)
// The list opened in LibreOffice Calc with formulas evaluated: every value is in its own column and
// none became a formula's result.
TEST(FieldFormRoad, ASpreadsheetReadsEveryValueAsTextInItsOwnColumn) {
  ListFolder folder("calc");
  folder.write("PC01__SALES.csv", recordOf(kHostile));
  ASSERT_TRUE(BuildAggregatedLists(folder.str()).ok);
  // import: comma, double quote, Shift-JIS, from line 1, standard cells, formulas evaluated
  const auto r = mrv::test::convertWithCalc(folder.path(), {(folder.path() / "mervana.csv").string()},
                                            "44,34,64,1,,1041,false,false,false,false,false,-1,true", 90);
  ASSERT_TRUE(r.started) << "LibreOffice Calc could not be started (soffice not found; scripts/setup.sh installs it)";
  ASSERT_FALSE(r.timedOut) << "LibreOffice Calc did not finish within 90 s:\n" << r.out << r.err;
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto table = mrv::test::parseCsv(folder.bytes("calc/mervana.csv"));
  ASSERT_EQ(table.size(), 1u);
  const Row& row = table[0];
  ASSERT_EQ(row.size(), kHostile.size()) << "columns shifted";
  EXPECT_EQ(row.back(), "last");
  EXPECT_EQ(row[7], "a,b");
  for (std::size_t i = 1; i < kHostile.size(); ++i) {
    // a value's text is still there (with the guard's quote at most); a formula would show its result
    const std::string& v = kHostile[i];
    const std::size_t at = v.find_first_not_of("\"=@");
    const std::string core = at == std::string::npos ? v : v.substr(at, 3);
    EXPECT_NE(row[i].find(core), std::string::npos) << "column " << i << ": \"" << row[i] << "\" for " << v;
    EXPECT_NE(row[i], "4");
    EXPECT_NE(row[i], "3");
  }
}
#endif
