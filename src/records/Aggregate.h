#pragma once
// The aggregated lists: every PC record of a folder (one value per line) becomes one row of the main
// list mervana.csv and one of the software list mervana_a.csv, headed from itemlist.csv and merged
// with the administrator's own list mervana2.csv.
#include <string>
#include <string_view>

namespace mrv {

inline constexpr std::string_view kMainListName = "mervana.csv";
inline constexpr std::string_view kSoftwareListName = "mervana_a.csv";
inline constexpr std::string_view kAdminListName = "mervana2.csv";
inline constexpr std::string_view kItemListName = "itemlist.csv";

struct AggregateOutcome {
  bool ok = false;
  // The message for the user: the success text, or what could not be opened.
  std::string message;
};

// Builds both lists in `folder` from the *.csv records there (read in file-name order, case
// ignored). Both lists are written beside the old ones and put in their place only when every
// input was read, so a failure leaves the previous lists whole.
AggregateOutcome BuildAggregatedLists(const std::string& folder);

// Whether a file name is one of the four lists that are never read as records (case ignored).
bool IsReservedListName(std::string_view fileName);

}  // namespace mrv
