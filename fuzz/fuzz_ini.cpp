// Configuration files and command lines: what start-up reads before anything else.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/IniFile.h"
#include "base/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniFile ini;
  ini.parse(text);
  ini.value("General", "SaveDir");
  ini.value("Sources", "Registry");
  // the same bytes as a command line: arguments split at NUL, as the system hands them over
  std::vector<std::string> args;
  for (auto& a : split(text, '\0')) args.push_back(a);
  ParseCommandLine(args, "/opt/mervana/mervana", [](const std::string&) { return false; });
  ParseCommandLine(args, "C:\\mervana.exe", [](const std::string&) { return true; });
  return 0;
}
