#pragma once
// Memory (rows 16, 17): physical memory rounded to a multiple of 8 MB, and the page file.
#include <string_view>

#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts MemoryItem(CollectionContext& ctx);    // 16
ItemTexts PageFileItem(CollectionContext& ctx);  // 17

// n MB to the nearest multiple of 8, 4 rounding up: 255 → 256, 251 → 248, 252 → 256. Raises
// MrvError when the probe's text is not a number (its failure text "Error!").
std::string RoundedMemoryMB(std::string_view probeText);

}  // namespace mrv
