#include "collect/StandardCollection.h"

#include "app/Version.h"
#include "collect/RecordName.h"
#include "records/ItemCatalogue.h"

namespace mrv {

CollectionResult RunStandardCollection(FormServices& form, InventoryRecord& record) {
  CollectionResult result;
  for (const auto& item : kItemCatalogue) {
    if (item.key == "CsvFileName")
      record.addValueRow(CsvFileNameText(form.platform()));
    else if (item.key == "MrvVersion")
      record.addValueRow(VersionBanner());
    else
      record.addValueRow("");
  }
  return result;
}

}  // namespace mrv
