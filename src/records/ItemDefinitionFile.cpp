#include "records/ItemDefinitionFile.h"

#include "base/Text.h"
#include "base/Utf8Path.h"
#include "platform/TextFiles.h"

namespace mrv {

std::string ItemDefinitionPath(const std::string& programDir) {
  return programDir + kPathSeparator + kItemDefinitionFileName;
}

bool LoadItemDefinitionFile(const std::string& programDir, std::vector<std::string>& lines,
                            TextFileEncoding* encoding) {
  lines.clear();
  std::string text;
  if (!readTextFileDetectingUtf8(ItemDefinitionPath(programDir), text, encoding)) return false;
  lines = splitLines(text);
  return true;
}

bool SaveItemDefinitionFile(const std::string& programDir, const std::vector<std::string>& lines,
                            TextFileEncoding encoding, std::string* why) {
  return writeTextLinesAtomic(ItemDefinitionPath(programDir), lines, encoding, why);
}

}  // namespace mrv
