#include "collect/PrinterItems.h"

namespace mrv {

std::vector<std::string> DefaultPrinterItems(CollectionContext&) { return std::vector<std::string>(4); }

}  // namespace mrv
