#pragma once
// The network components (rows 85 to 88): printer sharing, TCP/IP, IPX/SPX and NetBEUI, each the
// description of the installed component that names it; and the dial-up entries (row 89).
#include <span>
#include <string>
#include <string_view>

#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts NetworkComponentItems(CollectionContext& ctx);  // 85 to 88
ItemTexts DialUpItem(CollectionContext& ctx);             // 89

// What rows 85 to 88 look for in a component's description, in row order.
std::span<const std::string_view> NetworkComponentSearchTexts();

// The first value named `valueName` in the tree under `keyPath` (depth first, subkeys in
// case-insensitive order) that holds `searchText` in a key with a non-empty InfPath; "" when none.
std::string FindComponentDescription(TRegistryEx& reg, const std::string& keyPath, std::string_view valueName,
                                     std::string_view searchText);

}  // namespace mrv
