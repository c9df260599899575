// WMI instances files, and the queries the program asks of what they hold.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "collect/WmiQuery.h"
#include "platform/WmiInstancesFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  looksLikeWmiInstances(text.substr(0, 4096));
  std::vector<WmiClass> classes;
  std::string error;
  if (!parseWmiInstances(text, classes, error)) return 0;
  formatWmiInstances(classes);
  WmiProviderService service(std::make_shared<WmiReplayProvider>(std::move(classes)));
  WmiMotherboard(&service);
  WmiBiosVersion(&service);
  WmiMemoryModules(&service);
  WmiMemoryCapacity(&service);
  WmiComputerModel(&service);
  WmiDiskModel(&service, 0);
  WmiProcessorProperty(&service, "Name");
  return 0;
}
