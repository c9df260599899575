#pragma once
// The item list: the labels of every labelled record row for both OS families side by side, shown
// in the grid and written to itemlist.csv beside the program (the heading lines of the lists).
#include <string>
#include <vector>

#include "ui/Views.h"

namespace mrv {

inline constexpr const char* kItemListFileName = "itemlist.csv";

// Lays out the grid and runs the label pass twice: "9x" into column 1, "NT" into column 2. The
// custom labels come from the definition file's lines (empty when there is no file). `counter` is
// the window's row counter.
void BuildItemListGrid(GridView& grid, int& counter, const std::vector<std::string>& definitionLines);
// The file's lines: for every grid row from 1 on, the field form of column 1, a comma and the field
// form of column 2.
std::vector<std::string> ItemListLines(const GridView& grid);

}  // namespace mrv
