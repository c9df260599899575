#include "records/DefinitionLines.h"

#include "base/Text.h"

namespace mrv {

SpecialListLine ParseSpecialList(std::string_view line) {
  SpecialListLine l;
  std::string_view rest = line.substr(line.empty() ? 0 : 1);
  const std::size_t space = rest.find(' ');
  l.name = toLowerAscii(rest.substr(0, space));
  if (space != std::string_view::npos) {
    l.hasSpace = true;
    l.argument = std::string(rest.substr(space + 1));
  }
  return l;
}

int ListRowCount(std::string_view argument) {
  int n = 0;
  if (!parseInt(argument, n) || n < 1) return 1;
  return n > kMaxListRows ? kMaxListRows : n;
}

}  // namespace mrv
