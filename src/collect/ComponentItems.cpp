#include "collect/ComponentItems.h"

#include <algorithm>
#include <exception>

#include "base/Text.h"
#include "collect/RasProbes.h"
#include "collect/InstallationFacts.h"
#include "collect/RegistryInstallation.h"

namespace mrv {

namespace {
constexpr std::string_view kSearchTexts[] = {"プリンタ共有", "TCP/IP", "IPX/SPX", "NetBEUI"};
}

std::string FindComponentDescription(TRegistryEx& reg, const std::string& keyPath, std::string_view valueName,
                                     std::string_view searchText) {
  reg.setRootKey(RootKey::LocalMachine);
  if (!reg.openKeyReadOnly(keyPath)) return {};
  const std::string value = reg.readString(valueName);
  if (contains(value, searchText) && !reg.readString("InfPath").empty()) return value;
  std::vector<std::string> names = reg.keyNames();
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return toLowerAscii(a) < toLowerAscii(b); });
  for (const std::string& name : names) {
    std::string found = FindComponentDescription(reg, keyPath + "\\" + name, valueName, searchText);
    if (!found.empty()) return found;
  }
  return {};
}

ItemTexts NetworkComponentItems(CollectionContext& ctx) { return ctx.installation().networkComponents(ctx); }

std::span<const std::string_view> NetworkComponentSearchTexts() { return kSearchTexts; }

ItemTexts RegistryNetworkComponents(CollectionContext& ctx) {
  ItemTexts t;
  const std::string tree = ctx.isNT() ? "\\System\\CurrentControlSet\\Control\\Network"
                                      : "\\System\\CurrentControlSet\\Services\\Class\\NetTrans";
  const std::string_view valueName = ctx.isNT() ? "Description" : "DriverDesc";
  for (std::string_view search : kSearchTexts)
    t.push_back(RowText(ctx, [&] { return FindComponentDescription(ctx.state.reg, tree, valueName, search); }));
  return t;
}

ItemTexts DialUpItem(CollectionContext& ctx) {
  try {
    return {ctx.platform.system ? RasEntryList(*ctx.platform.system) : std::string()};
  } catch (const std::exception&) {
    return {""};
  }
}

}  // namespace mrv
