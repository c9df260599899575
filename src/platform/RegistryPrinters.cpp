#include "platform/RegistryPrinters.h"

#include "base/Error.h"
#include "base/Text.h"

namespace mrv {

namespace {

std::uint32_t le(const std::string& b, std::size_t at, std::size_t bytes) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}

std::string textValue(RegistryKey& key, std::string_view name) {
  RegValue v;
  if (!key.queryValue(name, v) || (v.type != kRegSz && v.type != kRegExpandSz)) return {};
  return utf16leToUtf8(reinterpret_cast<const unsigned char*>(v.data.data()), v.data.size());
}

class RegistryPrinters : public PrinterService {
 public:
  explicit RegistryPrinters(RegistryStore& registry) : registry_(registry) {}

  std::vector<std::string> printerNames() override {
    std::vector<std::string> names;
    auto tree = registry_.openKey(RootKey::LocalMachine, kPrinterTreePath);
    if (!tree) return names;
    for (const auto& sub : tree->subkeyNames()) {
      auto key = tree->openSubkey(sub);
      std::string name = key ? textValue(*key, "Name") : std::string();
      names.push_back(name.empty() ? sub : name);
    }
    return names;
  }

  std::string defaultPrinter() override {
    auto key = registry_.openKey(RootKey::CurrentUser, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows");
    if (!key) return {};
    const std::string device = textValue(*key, "Device");
    return device.substr(0, device.find(','));
  }

  bool driverAndPort(std::string_view, std::string&, std::string&) override { return false; }

  int colorMode(std::string_view printer) override {
    auto tree = registry_.openKey(RootKey::LocalMachine, kPrinterTreePath);
    if (!tree) throw MrvError("no printer tree");
    for (const auto& sub : tree->subkeyNames()) {
      auto key = tree->openSubkey(sub);
      if (!key) continue;
      const std::string name = textValue(*key, "Name");
      if ((name.empty() ? sub : name) != printer) continue;
      RegValue mode;
      if (!key->queryValue("Default DevMode", mode) || mode.type != kRegBinary)
        throw MrvError("printer " + std::string(printer) + " has no device mode");
      return devModeColor(mode.data);
    }
    throw MrvError("no printer named " + std::string(printer));
  }

 private:
  RegistryStore& registry_;
};

}  // namespace

int devModeColor(const std::string& devMode) {
  if (devMode.size() < kDevModeColorOffset + 2) throw MrvError("device mode too short");
  // taken as it stands, as the collection reads it from the spooler's device mode
  return static_cast<std::int16_t>(le(devMode, kDevModeColorOffset, 2));
}

std::unique_ptr<PrinterService> openRegistryPrinters(RegistryStore& registry) {
  return std::make_unique<RegistryPrinters>(registry);
}

}  // namespace mrv
