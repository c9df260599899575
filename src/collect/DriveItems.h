#pragma once
// The drives (rows 18 to 23): the Windows drive and the one after it, each with its file system,
// free and total megabytes.
#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts DriveItems(CollectionContext& ctx);

}  // namespace mrv
