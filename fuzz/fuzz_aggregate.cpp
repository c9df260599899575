// A folder of records as the aggregation reads it: two PC records, the item list (itemlist.csv) and
// the administrator's list (mervana2.csv), cut from one input at each "\n=====\n". The lists it
// writes are read back, as a spreadsheet would.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzFolder.h"
#include "platform/FolderFiles.h"
#include "records/Aggregate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  static const fuzzsupport::FuzzFolder folder("aggregate");
  const auto parts =
      fuzzsupport::cutInput(std::string_view(reinterpret_cast<const char*>(data), size), "\n=====\n");
  static const char* const kNames[] = {"PC01__SALES.csv", "pc02__sales.CSV", "itemlist.csv", "mervana2.csv",
                                       "PC03__.csv"};
  std::vector<std::pair<std::string, std::string_view>> files;
  for (std::size_t i = 0; i < parts.size() && i < std::size(kNames); ++i) files.emplace_back(kNames[i], parts[i]);
  folder.reset(files);
  const AggregateOutcome outcome = BuildAggregatedLists(folder.path());
  if (outcome.ok && outcome.message.empty()) __builtin_trap();  // success always says so
  std::string bytes;
  readFileBytes(folder.file(std::string(kMainListName)), bytes);
  readFileBytes(folder.file(std::string(kSoftwareListName)), bytes);
  return 0;
}
