#include "collect/StandardCollection.h"

#include "app/Version.h"
#include "collect/RecordName.h"
#include "collect/SystemProbes.h"
#include "records/ItemCatalogue.h"

namespace mrv {

CollectionResult RunStandardCollection(FormServices& form, InventoryRecord& record, CollectionState& state) {
  CollectionResult result;
  for (const auto& item : kItemCatalogue) {
    if (item.key == "CsvFileName")
      record.addValueRow(CsvFileNameText(form.platform()));
    else if (item.key == "MrvVersion")
      record.addValueRow(VersionBanner());
    else
      record.addValueRow("");
  }
  if (form.platform().system) InstalledSoftwareList(state, *form.platform().system);
  result.installedPrograms = state.installed;
  result.patches = state.patches;
  return result;
}

}  // namespace mrv
