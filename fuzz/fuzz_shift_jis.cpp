// Shift-JIS decoding and encoding: every file the program reads and writes crosses here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Text.h"
#include "platform/Encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = ansiToUtf8(bytes);
  const std::string back = utf8ToAnsi(utf8);
  utf8ToAnsi(bytes);  // arbitrary bytes as UTF-8 input
  // character rules on the decoded text never split a character
  charCount(utf8);
  charSubstr(utf8, 1, 7);
  if (ansiToUtf8(back) != utf8 && utf8.find("\xEF\xBF\xBD") == std::string::npos && utf8.find('?') == std::string::npos)
    __builtin_trap();  // valid Shift-JIS must survive a round trip
  return 0;
}
