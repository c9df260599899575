#pragma once
// WMI instances files: a recorded machine's WMI classes, answered through WmiProviderService.
// The format is described at the top of WmiInstancesFile.cpp and in docs/wmi-instances.md.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/WmiRepository.h"

namespace mrv {

// Parses the text of an instances file (UTF-8). False with "line N: why" in error on the first
// fault; nothing of a faulty file is used.
bool parseWmiInstances(std::string_view text, std::vector<WmiClass>& classes, std::string& error);
// The text of an instances file holding the classes (UTF-8, LF line ends).
std::string formatWmiInstances(const std::vector<WmiClass>& classes);

// The largest instances file read; a recorded machine's file is a few hundred KB.
inline constexpr std::uint64_t kMaxWmiInstancesBytes = 64ull << 20;
// Whether the first bytes of a file are those of an instances file: text whose first line that is
// not blank or a comment declares a class.
bool looksLikeWmiInstances(std::string_view head);

// Reads a file (Shift-JIS like the program's other files): a regular file of at most
// kMaxWmiInstancesBytes that looks like an instances file; anything else is refused with a reason.
bool readWmiInstancesFile(const std::string& path, std::vector<WmiClass>& classes, std::string& error);
// Writes a file (Shift-JIS, CR LF), replacing it atomically.
bool writeWmiInstancesFile(const std::string& path, const std::vector<WmiClass>& classes);

// The classes of an instances file as a provider.
class WmiReplayProvider : public WmiClassProvider {
 public:
  explicit WmiReplayProvider(std::vector<WmiClass> classes);
  bool loadClass(std::string_view name, WmiClass& out) override;
  std::vector<std::string> classNames() override;

 private:
  std::vector<WmiClass> classes_;
  std::unordered_map<std::string, std::size_t> index_;  // folded class name → position
};

// The WMI service of an instances file; null with a message when it cannot be read.
std::unique_ptr<WmiService> openWmiInstancesFile(const std::string& path, std::string& message);

}  // namespace mrv
