#include "platform/replay/HiveRegistry.h"

#include <algorithm>
#include <filesystem>

#include "base/Utf8Path.h"
#include "base/Text.h"
#include "platform/FolderFiles.h"
#include "platform/WindowsInstallation.h"
#include "platform/replay/MemoryRegistry.h"
#include "platform/replay/OfflineRegistry.h"

namespace fs = std::filesystem;

namespace mrv {

namespace {

// HKEY_LOCAL_MACHINE itself: its subkeys are the mounted hives.
class MachineRootKey : public RegistryKey {
 public:
  MachineRootKey(HiveRegistry* owner, std::vector<std::string> names) : owner_(owner), names_(std::move(names)) {}
  std::vector<std::string> subkeyNames() override { return names_; }
  std::size_t subkeyCount() override { return names_.size(); }
  std::vector<std::string> valueNames() override { return {}; }
  bool queryValue(std::string_view, RegValue&) override { return false; }
  std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
    return owner_->openKey(RootKey::LocalMachine, rel);
  }

 private:
  HiveRegistry* owner_;
  std::vector<std::string> names_;
};

}  // namespace

HiveRegistry::HiveRegistry(const std::string& softwareHive, const std::string& systemHive,
                           const std::string& userHive, std::vector<std::string>& messages) {
  auto mount = [&](const std::string& path, std::shared_ptr<HiveFile>& into) {
    if (path.empty()) return;
    std::string message;
    into = openHiveFile(path, message);
    if (!into) messages.push_back(message);
  };
  mount(softwareHive, software_);
  mount(systemHive, system_);
  mount(userHive, user_);
  // Windows keeps the user's HKCU\Software\Classes in UsrClass.dat of the same profile
  if (user_) {
    const std::string profile = utf8FromPath(pathFromUtf8(userHive).parent_path());
    mount(findPathIgnoringCase(profile.empty() ? "." : profile, "AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"),
          userClasses_);
  }
}

HiveRegistry::~HiveRegistry() = default;

std::unique_ptr<RegistryKey> HiveRegistry::openKey(RootKey root, std::string_view path) {
  std::string doubled;
  std::string_view normal = path;
  while (!normal.empty() && normal.front() == '\\') normal.remove_prefix(1);
  while (!normal.empty() && normal.back() == '\\') normal.remove_suffix(1);
  if (normal.find("\\\\") != std::string_view::npos) normal = doubled = normalRegistryPath(normal);
  if (root == RootKey::LocalMachine) {
    if (normal.empty()) {
      std::vector<std::string> names;
      if (software_) names.emplace_back("SOFTWARE");
      if (system_) names.emplace_back("SYSTEM");
      return std::make_unique<MachineRootKey>(this, std::move(names));
    }
    const auto cut = normal.find('\\');
    const std::string_view hive = normal.substr(0, cut);
    const std::string_view rest = cut == std::string_view::npos ? std::string_view() : normal.substr(cut + 1);
    if (iequalsAscii(hive, "SOFTWARE")) return openHiveKey(software_, rest);
    if (iequalsAscii(hive, "SYSTEM")) return openHiveKey(system_, rest);
    return nullptr;
  }
  if (root == RootKey::CurrentUser && user_) {
    constexpr std::string_view classes = "Software\\Classes";
    if (userClasses_ && normal.size() >= classes.size() && iequalsAscii(normal.substr(0, classes.size()), classes) &&
        (normal.size() == classes.size() || normal[classes.size()] == '\\'))
      return openHiveKey(userClasses_, normal.substr(std::min(normal.size(), classes.size() + 1)));
    return openHiveKey(user_, normal);
  }
  return normal.empty() ? makeEmptyKey() : nullptr;
}

std::unique_ptr<RegistryStore> openHiveRegistry(const std::string& softwareHive, const std::string& systemHive,
                                                const std::string& userHive, std::vector<std::string>& messages) {
  auto hives = std::make_unique<HiveRegistry>(softwareHive, systemHive, userHive, messages);
  return std::make_unique<OfflineRegistry>(std::move(hives), nullptr, messages);
}

}  // namespace mrv
