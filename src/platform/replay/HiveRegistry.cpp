#include "platform/replay/HiveRegistry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::size_t kBaseBlock = 0x1000;

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

std::string hiveFileProblem(const std::string& path) {
  std::error_code ec;
  const fs::path file = pathFromUtf8(path);
  const fs::file_status st = fs::status(file, ec);
  if (ec || !fs::exists(st)) return "the file does not exist";
  if (fs::is_directory(st)) return "it is a folder, not a hive file";
  // the head through a handle that never waits: a FIFO or a device is refused, not read
  std::string head;
  const FileRefusal refusal = readRegularFile(path, UINT64_MAX, LinkRule::Follow, head, kBaseBlock);
  if (refusal == FileRefusal::NotRegular) return "it is not a regular file (a device, pipe or socket is never read)";
  if (refusal != FileRefusal::None) return "the file cannot be read";
  const auto size = fs::file_size(file, ec);
  if (ec) return "its size cannot be read";
  if (size == 0) return "the file is empty";
  const std::size_t got = head.size();
  if (got < 4 || head.compare(0, 4, "regf") != 0) return "it is not a registry hive file";
  if (got < kBaseBlock) return "the file is truncated (" + std::to_string(size) + " bytes)";
  const auto* p = reinterpret_cast<const unsigned char*>(head.data());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= le32(p + i);
  if (sum != le32(p + 0x1FC)) return "its header is damaged (bad checksum)";
  if (le32(p + 0x14) != 1) return "its format version " + std::to_string(le32(p + 0x14)) + " is not supported";
  const std::uint64_t needed = kBaseBlock + static_cast<std::uint64_t>(le32(p + 0x28));
  if (needed > size || size < 2 * kBaseBlock)
    return "the file is truncated (" + std::to_string(size) + " of " + std::to_string(needed) + " bytes)";
  return {};
}

bool looksLikeHiveFile(const std::string& path) {
  std::string magic;
  return readRegularFile(path, UINT64_MAX, LinkRule::Follow, magic, 4) == FileRefusal::None && magic == "regf";
}

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
