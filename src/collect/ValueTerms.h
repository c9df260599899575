#pragma once
// What the custom items read and how they write it: registry values by term and expression,
// multi-string values, a file type's program, a file's version strings, padded addresses.
#include <string>
#include <string_view>
#include <vector>

#include "collect/SystemProbes.h"

namespace mrv {

void ReadMultiString(TRegistryEx& reg, std::string_view valueName, std::vector<std::string>& list);
std::string MultiStringValueText(TRegistryEx& reg, std::string_view valueName);
std::string PadIpAddress(std::string_view text);
std::string ExePathOfFileType(TRegistryEx& reg, std::string_view fileType);
// `programFilesFolder` is the Program files folder the standard collection kept.
std::string FileVersionText(SystemServices& sys, std::string_view path, std::string_view names,
                            std::string_view programFilesFolder);
std::string ReadValueTerm(TRegistryEx& reg, std::string_view term);
std::string ReadValueExpression(CollectionState& state, std::string_view expression);

}  // namespace mrv
