#pragma once
// WMI instances files: a recorded machine's WMI classes, answered through WmiProviderService.
// The format is described at the top of WmiInstancesFile.cpp and in docs/wmi-instances.md.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/replay/WmiRepository.h"

namespace mrv {

// Parses the text of an instances file (UTF-8). False with "line N: why" in error on the first
// fault; nothing of a faulty file is used.
bool parseWmiInstances(std::string_view text, std::vector<WmiClass>& classes, std::string& error);
// The text of an instances file holding the classes (UTF-8, LF line ends).
std::string formatWmiInstances(const std::vector<WmiClass>& classes);

// Reads a file (Shift-JIS like the program's other files).
bool readWmiInstancesFile(const std::string& path, std::vector<WmiClass>& classes, std::string& error);
// Writes a file (Shift-JIS, CR LF), replacing it atomically.
bool writeWmiInstancesFile(const std::string& path, const std::vector<WmiClass>& classes);

// The classes of an instances file as a provider.
class WmiReplayProvider : public WmiClassProvider {
 public:
  explicit WmiReplayProvider(std::vector<WmiClass> classes) : classes_(std::move(classes)) {}
  bool loadClass(std::string_view name, WmiClass& out) override;
  std::vector<std::string> classNames() override;

 private:
  std::vector<WmiClass> classes_;
};

// The WMI service of an instances file; null with a message when it cannot be read.
std::unique_ptr<WmiService> openWmiInstancesFile(const std::string& path, std::string& message);

}  // namespace mrv
