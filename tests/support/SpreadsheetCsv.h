#pragma once
// Lists opened by a real spreadsheet: LibreOffice Calc, headless, converts CSV files to CSV as it
// read them (UTF-8), and the cells of such a text. Linux only (support/ChildProcess.h).
#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace mrv::test {

using CsvRow = std::vector<std::string>;
using CsvTable = std::vector<CsvRow>;

// Cells of a CSV text as a spreadsheet writes it (quoted cells, doubled quotes, LF or CR LF).
inline CsvTable parseCsv(const std::string& text) {
  CsvTable t;
  CsvRow row;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(cell);
      cell.clear();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(cell);
      t.push_back(row);
      row.clear();
      cell.clear();
    } else {
      cell += c;
    }
  }
  if (!cell.empty() || !row.empty()) {
    row.push_back(cell);
    t.push_back(row);
  }
  return t;
}

// Opens each input in Calc with the CSV import options `importOptions` (separator, text delimiter,
// character set, first line, ...) and saves it as UTF-8 CSV under the same name in workDir/calc.
// Calc gets a profile of its own in workDir.
inline ChildResult convertWithCalc(const std::filesystem::path& workDir, const std::vector<std::string>& inputs,
                                   const std::string& importOptions, int limitSeconds) {
  std::filesystem::create_directories(workDir / "calc");
  std::vector<std::string> argv{"soffice", "--headless", "--norestore",
                                "-env:UserInstallation=file://" + (workDir / "lo-profile").string(),
                                "--infilter=Text - txt - csv (StarCalc):" + importOptions, "--convert-to",
                                "csv:Text - txt - csv (StarCalc):44,34,76,1", "--outdir", (workDir / "calc").string()};
  argv.insert(argv.end(), inputs.begin(), inputs.end());
  return runChild(argv, workDir.string(), limitSeconds);
}

}  // namespace mrv::test
