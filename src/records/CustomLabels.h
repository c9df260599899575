#pragma once
// The label pass's reading of the item definition file: one label per value row the custom items
// add for the same OS family.
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// Labels of the custom block for a family ("9x" or "NT"), from the definition file's lines.
// The "WinVersion" notice adds no value row, so it gets no label either: the labels after it stay
// on their values.
std::vector<std::string> CustomLabels(const std::vector<std::string>& lines, std::string_view family);

}  // namespace mrv
