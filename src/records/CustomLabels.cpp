#include "records/CustomLabels.h"

#include "base/Text.h"
#include "records/DefinitionLines.h"

namespace mrv {

std::vector<std::string> CustomLabels(const std::vector<std::string>& lines, std::string_view family) {
  std::vector<std::string> labels;
  DefinitionLines in(lines);
  while (!in.atEnd()) {
    const std::string line = in.current();
    if (startsWith(line, "?")) {
      if (contains(line, family)) {
        in.next();
      } else {
        do in.next();
        while (!in.atEnd() && !startsWith(in.current(), "?"));
      }
      continue;
    }
    if (startsWith(line, "\\") || startsWith(line, "HKEY_") || startsWith(line, "//")) {
      // no row of its own
    } else if (startsWith(line, "#")) {
      const SpecialListLine list = ParseSpecialList(line);
      if (list.hasSpace) {
        labels.push_back(line.substr(0, line.find(' ')));
        for (int i = 1; i < ListRowCount(list.argument); ++i) labels.emplace_back();
      } else {
        labels.push_back(line);
      }
    } else if (line == "<WinVersion") {
      // the notice adds no row
    } else {
      const std::size_t eq = line.find("==");
      labels.push_back(eq == std::string::npos ? line : line.substr(eq + 2));
    }
    in.next();
  }
  return labels;
}

}  // namespace mrv
