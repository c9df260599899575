// Record names from any computer name and workgroup or domain (the first NUL splits the two): the
// stem fits a file name, holds nothing a file name cannot, and reads back from the record as it is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Encoding.h"
#include "records/RecordFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = bytes.find('\0');
  const std::string_view name = bytes.substr(0, nul);
  const std::string_view group = nul == std::string_view::npos ? std::string_view() : bytes.substr(nul + 1);
  const std::string stem = RecordFileStem(name, group);
  if (stem.size() > 251) __builtin_trap();  // ".csv" must still fit 255 bytes
  for (const char c : stem)
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|\x7f").find(c) != std::string_view::npos)
      __builtin_trap();
  if (stem == "." || stem == "..") __builtin_trap();
  if (ansiToUtf8(utf8ToAnsi(stem)) != stem) __builtin_trap();  // row 1 reads back as the file's name
  if (RecordFileStem(name, group) != stem) __builtin_trap();   // the same name every run
  return 0;
}
