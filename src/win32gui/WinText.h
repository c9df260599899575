#pragma once
// UTF-8 and the window system's UTF-16, both ways; the window speaks only the W functions.
#include <string>
#include <string_view>

namespace mrv {

std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace mrv
