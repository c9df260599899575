#include "collect/ValueTerms.h"

#include <algorithm>
#include <exception>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/PeVersionInfo.h"
#include "platform/SystemServices.h"

namespace mrv {

namespace {

// The rest of a text from a character position (0-based), at most `limit` characters.
std::string restFrom(std::string_view s, std::size_t charPos, std::size_t limit = 512) {
  return charSubstr(s, charPos, limit);
}

// Character position (0-based) of a byte offset.
std::size_t charPosOf(std::string_view s, std::size_t byteOffset) { return charCount(s.substr(0, byteOffset)); }

}  // namespace

void ReadMultiString(TRegistryEx& reg, std::string_view valueName, std::vector<std::string>& list) {
  try {
    if (auto strings = reg.readMultiString(valueName)) list.insert(list.end(), strings->begin(), strings->end());
  } catch (const std::exception&) {
    list.clear();
  }
}

std::string MultiStringValueText(TRegistryEx& reg, std::string_view valueName) {
  try {
    std::vector<std::string> list;
    ReadMultiString(reg, valueName, list);
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i) text += (i ? "." : "") + list[i];
    return text;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string PadIpAddress(std::string_view text) {
  if (text.empty()) return {};
  std::string rest(text), result;
  for (auto dot = rest.find('.'); dot != std::string::npos; dot = rest.find('.')) {
    const std::string part = rest.substr(0, dot + 1);
    const std::size_t len = charCount(part);
    result += std::string(len < 4 ? std::min<std::size_t>(4 - len, 2) : 0, ' ') + part;
    rest = restFrom(rest.substr(dot + 1), 0, 256);
  }
  const std::size_t len = charCount(rest);
  return result + std::string(len < 3 ? std::min<std::size_t>(3 - len, 2) : 0, ' ') + rest;
}

std::string ExePathOfFileType(TRegistryEx& reg, std::string_view fileType) {
  try {
    reg.setRootKey(RootKey::ClassesRoot);
    reg.closeKey();
    if (fileType.empty() || !reg.openKeyReadOnly(fileType)) return {};
    const std::string className = reg.readString("");
    reg.closeKey();
    std::string command;
    if (reg.openKeyReadOnly(className + "\\shell\\open\\command")) command = reg.readString("");
    if (startsWith(command, "\"")) {
      const auto first = command.find_first_not_of('"');
      command = first == std::string::npos ? std::string() : command.substr(first);
      command = command.substr(0, command.find('"'));
    }
    const std::string lower = toLowerAscii(command);
    if (!endsWith(lower, ".exe")) {
      const auto exe = lower.find(".exe");
      command = exe == std::string::npos ? charLeft(command, 3) : command.substr(0, exe + 4);
    }
    return command;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string FileVersionText(SystemServices& sys, std::string_view path, std::string_view names,
                            std::string_view programFilesFolder) {
  try {
    std::string p = toLowerAscii(path);
    if (startsWith(p, "\"")) {
      p.erase(0, 1);
      p = p.substr(0, p.find('"'));
    }
    if (startsWith(p, "%programfiles%")) {
      p = std::string(programFilesFolder) + p.substr(14);
    } else if (contains(p, "flash") && contains(p, ".ocx")) {
      const std::string candidate = SystemFolder(sys) + "\\macromed\\flash\\" + p;
      if (sys.fileExists(candidate)) p = candidate;
    }
    const auto slash = p.find_last_of("\\/:");
    std::string result = toLowerAscii(slash == std::string::npos ? p : p.substr(slash + 1));
    if (p.empty()) return {};
    std::string block;
    if (!sys.getFileVersionInfo(p, block) || block.empty()) return {};
    const auto translation = versionTranslation(block);
    if (!translation) return result;
    const std::string key = versionTranslationKey(*translation);
    if (auto original = versionString(block, key, "OriginalFilename")) result = toLowerAscii(*original);
    for (const auto& name : split(names, ' '))
      if (auto value = versionString(block, key, name)) result += " " + *value;
    return result;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string ReadValueTerm(TRegistryEx& reg, std::string_view term) {
  try {
    std::string name(term), startMarker, endMarker, filter, prefix;
    enum { Plain, Cut, Filter } form = Plain;
    if (term != "DEFAULT") {
      if (const auto open = name.find('('); open != std::string::npos) {
        form = Cut;
        const std::string after = name.substr(open + 1);
        name = name.substr(0, open);
        const auto slash = after.find('/');
        if (slash == std::string::npos) {
          startMarker = after.substr(0, after.find(')'));
        } else {
          startMarker = after.substr(0, slash);
          const std::string tail = after.substr(slash + 1);
          endMarker = tail.substr(0, tail.find(')'));
        }
      } else if (const auto slash = name.find('/'); slash != std::string::npos) {
        form = Filter;
        filter = name.substr(slash + 1);
        name = name.substr(0, slash);
      }
      if (startsWith(name, "'")) {
        name.erase(0, 1);
        prefix = "'";
      }
    } else {
      name.clear();
    }

    std::string result;
    if (startsWith(name, "%")) {
      name.erase(0, 1);
      if (reg.dataType(name) == std::optional<std::uint32_t>(kRegSz)) result = PadIpAddress(reg.readString(name));
      else result = PadIpAddress(MultiStringValueText(reg, name));
    } else if (const auto type = reg.dataType(name)) {
      result = *type == kRegDword ? std::to_string(reg.readInteger(name)) : reg.readString(name);
    }

    if (form == Cut) {
      const auto at = startMarker.empty() ? std::string::npos : result.find(startMarker);
      if (at != std::string::npos) {
        result = restFrom(result, charPosOf(result, at) + charCount(startMarker));
      } else {
        const std::size_t from = charCount(startMarker);  // 1-based position = the marker's length
        result = restFrom(result, from > 0 ? from - 1 : 0);
      }
      const auto end = endMarker.empty() ? std::string::npos : result.find(endMarker);
      result = end == std::string::npos ? std::string() : result.substr(0, end);
    } else if (form == Filter) {
      if (filter.empty() && result.empty()) result = " ";
      else if (!filter.empty() && !contains(result, filter)) result.clear();
    }
    return result.empty() ? result : prefix + result;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string ReadValueExpression(CollectionState& state, std::string_view expression) {
  try {
    std::string text(expression);
    if (const auto label = text.find("=="); label != std::string::npos) text.resize(label);
    std::string value;
    if (contains(text, "|")) {
      for (const auto& term : split(text, '|')) {
        value = ReadValueTerm(state.reg, term);
        if (!value.empty()) break;
      }
    } else if (contains(text, "+")) {
      std::string_view rest = text;
      for (;;) {
        const auto plus = rest.find('+');
        value += ReadValueTerm(state.reg, rest.substr(0, plus));
        if (plus == std::string_view::npos) break;
        rest.remove_prefix(plus + 1);
        const std::string separator = charLeft(rest, 1);  // copied as it stands
        value += separator;
        rest.remove_prefix(separator.size());
      }
    } else {
      value = ReadValueTerm(state.reg, text);
    }
    return state.keyOpen ? value : std::string();
  } catch (const std::exception&) {
    return kProbeError;
  }
}

}  // namespace mrv
