#pragma once
// The 90 rows of the standard block: position, key and label. Keys name the items in code and are
// never written to files; labels are shown in the grid and written to the item list.
#include <array>
#include <string_view>

namespace mrv {

struct CatalogueItem {
  int pos;
  std::string_view key;    // empty for the rows without a key (7)
  std::string_view label;  // empty for the rows without a label (7, 33)
  bool ntOnly;             // the label is shown only when the OS family is "NT"
};

inline constexpr int kStandardRows = 90;
extern const std::array<CatalogueItem, kStandardRows> kItemCatalogue;

// Position (1-based) of a key; 0 when there is no such key.
int cataloguePos(std::string_view key);
// The label of a row for an OS family ("9x" or "NT"); exact comparison with "NT".
std::string_view catalogueLabel(int pos, std::string_view family);

}  // namespace mrv
