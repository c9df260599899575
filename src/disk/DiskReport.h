#pragma once
// The disk menu: the S.M.A.R.T. report of this PC's drives (or, for a user without administrator
// rights, the last saved history row in the same layout), the history table, the deletion of the
// history and the viewing of any history file.
#include <cstdint>
#include <string>

#include "ui/FormServices.h"

namespace mrv {

// HDD1: the report. `historyPath` is this PC's history file.
void HDD1Click(FormServices& form, const std::string& historyPath);
// The grid made ready for the report: caption, 11 columns, the header row.
void PrepareDiskReportGrid(FormServices& form);
// The last row of the history file in the report's layout.
void ShowSavedDiskData(FormServices& form, const std::string& historyPath);

// HDD2: this PC's history as a table.
void HDD2Click(FormServices& form, const std::string& historyPath);
// HDDE1: deletes this PC's history after asking.
void HDDE1Click(FormServices& form, const std::string& historyPath);
// HDDO1: any history file as a table. `dialogFolder` is the open dialog's start folder, set from
// the history path on first use and kept for the run.
void HDDO1Click(FormServices& form, std::string& dialogFolder, const std::string& historyPath);

// The open dialog of the history files, starting in `dialogFolder` (the hdd folder of
// `historyPath` on first use). The chosen file, or "" when none was chosen or it does not exist.
std::string ChooseHistoryFile(FormServices& form, std::string& dialogFolder, const std::string& historyPath);

// A history file into the grid: one grid row per line, a cell per comma-ended field; the column
// count is that of the first line; one empty row after the last line. Raises MrvError when the
// file cannot be read.
void LoadHistoryGrid(GridView& grid, const std::string& path);

// A whole number with thousands separators ("#,##0").
std::string ThousandsText(std::uint64_t value);

}  // namespace mrv
