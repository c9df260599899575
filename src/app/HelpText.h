#pragma once
// What `mervana --help` prints: the switches, the configuration argument, the support commands and
// the exit statuses, in Japanese or English.
#include <string>

namespace mrv {

std::string HelpText(bool japanese);

}  // namespace mrv
