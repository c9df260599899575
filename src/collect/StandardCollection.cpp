#include "collect/StandardCollection.h"

#include "app/Version.h"
#include "records/ItemCatalogue.h"

namespace mrv {

CollectionResult RunStandardCollection(FormServices&, InventoryRecord& record) {
  CollectionResult result;
  for (const auto& item : kItemCatalogue) {
    if (item.key == "MrvVersion")
      record.addValueRow(VersionBanner());
    else
      record.addValueRow("");
  }
  return result;
}

}  // namespace mrv
