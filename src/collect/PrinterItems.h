#pragma once
// The default printer: name, driver, port and colour setting (rows 42 to 45).
#include <string>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

std::vector<std::string> DefaultPrinterItems(CollectionContext& ctx);

}  // namespace mrv
