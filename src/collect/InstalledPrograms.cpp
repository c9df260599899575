#include "collect/InstalledPrograms.h"

#include <algorithm>
#include <exception>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/SystemServices.h"
#include "collect/ValueTerms.h"

namespace mrv {

void InstalledSoftwareList(CollectionState& state, SystemServices& sys) {
  std::vector<std::string> found;
  TRegistryEx& reg = state.reg;
  if (!reg.store()) {
    // No Windows registry: the programs of this system's package database.
    std::vector<std::pair<std::string, std::string>> packages;
    try {
      if (!sys.installedPackages(packages)) return;
    } catch (const std::exception&) {
      return;
    }
    for (const auto& [name, version] : packages) found.push_back(name + " " + version + " ");
  } else {
    const std::string uninstall = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    try {
      reg.setRootKey(RootKey::LocalMachine);
      if (!reg.openKeyReadOnly(uninstall)) return;
      for (const auto& sub : reg.keyNames()) {
        state.keyOpen = reg.openKeyReadOnly(uninstall + "\\" + sub);
        if (!state.keyOpen) continue;
        const std::string displayName = reg.readString("DisplayName");
        if (displayName.empty()) continue;
        std::string version = reg.readString("DisplayVersion");
        if (version.empty()) {
          if (reg.dataType("VersionMajor") == std::optional<std::uint32_t>(kRegDword))
            version = std::to_string(reg.readInteger("VersionMajor"));
          if (reg.dataType("VersionMinor") == std::optional<std::uint32_t>(kRegDword))
            version += "." + std::to_string(reg.readInteger("VersionMinor"));
        }
        const std::string entry = displayName + " " + version + " " + reg.readString("ProductID");
        if (!ReadValueTerm(reg, "NoRemove").empty()) continue;
        found.push_back(entry);
      }
    } catch (const std::exception&) {
      return;  // the walk ends; nothing has reached the lists yet
    }
  }

  for (const auto& entry : found) {
    const auto kb = entry.find("(KB");
    if (kb == std::string::npos) {
      state.installed.push_back(entry);
      continue;
    }
    const std::string head = charLeft(entry, 10);
    const auto late = entry.find("(KB", head.size());
    if (late != std::string::npos) state.patches.push_back(charSubstr(entry.substr(late), 0, 10) + "0@" + entry);
    else state.patches.push_back("0@" + entry);
  }
  // the order of the lower-cased texts, without making them (a thousand packages are common)
  auto caseless = [](const std::string& a, const std::string& b) {
    const auto lower = [](char c) {
      const auto u = static_cast<unsigned char>(c);
      return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
  };
  std::stable_sort(state.installed.begin(), state.installed.end(), caseless);
  std::stable_sort(state.patches.begin(), state.patches.end(), caseless);
}

}  // namespace mrv
