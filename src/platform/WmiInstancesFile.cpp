// WMI instances file: one machine's WMI classes as text, so any query the program asks can be
// answered from a recorded machine (tests, support). Line oriented; blanks around words are free;
// a line starting with '#' or ';' is a comment.
//
//   class Win32_PhysicalMemory          starts a class; its properties follow, then its instances
//   key Tag string                      a key property: name and CIM type
//   property Capacity uint64            any other property
//   property BIOSVersion string[]       "[]" after the type makes it an array
//   instance                            starts an instance of the current class
//   Capacity = "536870912"              a value; properties an instance does not name are null
//   Speed = NULL                        null, written out
//   BIOSVersion = {"A", "B"}            an array; {} is an empty array
//
// Types: sint8 uint8 sint16 uint16 sint32 uint32 sint64 uint64 real32 real64 string boolean
// object datetime reference char16, or a CIMType number. Values by type: the integer types up to
// 32 bits take a decimal integer; sint64, uint64, datetime (25-character DMTF form), reference and
// string take text in double quotes ("\"" and "\\" inside; sint64 and uint64 also take a bare
// integer), since WMI delivers them as text; real32/real64 a decimal number; boolean TRUE or FALSE;
// char16 an integer code; object any quoted text (shown only as "<CIM Object>"). Properties are
// enumerated in the order they are declared. The file is Shift-JIS like the program's other files.
#include "platform/WmiInstancesFile.h"

#include <unordered_map>
#include <unordered_set>

#include <charconv>
#include <cstdio>
#include <map>

#include "base/Text.h"
#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "platform/SourceFiles.h"

namespace mrv {

namespace {

const std::map<std::string, int>& typeNames() {
  static const std::map<std::string, int> names = {
      {"sint8", kCimSint8},       {"uint8", kCimUint8},         {"sint16", kCimSint16},
      {"uint16", kCimUint16},     {"sint32", kCimSint32},       {"uint32", kCimUint32},
      {"sint64", kCimSint64},     {"uint64", kCimUint64},       {"real32", kCimReal32},
      {"real64", kCimReal64},     {"string", kCimString},       {"boolean", kCimBoolean},
      {"object", kCimObject},     {"datetime", kCimDatetime},   {"reference", kCimReference},
      {"char16", kCimChar16},
  };
  return names;
}

std::string typeName(int cimType) {
  for (const auto& [name, t] : typeNames())
    if (t == cimType) return name;
  return std::to_string(cimType);
}

bool parseType(std::string_view word, int& type, bool& isArray) {
  isArray = endsWith(word, "[]");
  if (isArray) word.remove_suffix(2);
  const auto it = typeNames().find(toLowerAscii(word));
  if (it != typeNames().end()) return type = it->second, true;
  return parseInt(word, type) && type >= 0;
}

bool isIntegerType(int t) {
  return t == kCimSint8 || t == kCimUint8 || t == kCimSint16 || t == kCimUint16 || t == kCimSint32 ||
         t == kCimUint32 || t == kCimChar16;
}

// Reads one element at text[pos]; false with a reason on error.
bool parseElement(std::string_view text, std::size_t& pos, int type, WmiScalar& out, std::string& why) {
  if (pos >= text.size()) return why = "value expected", false;
  if (text[pos] == '"') {
    std::string s;
    std::size_t i = pos + 1;
    for (;;) {
      if (i >= text.size()) return why = "unterminated text", false;
      const char c = text[i++];
      if (c == '"') break;
      if (c == '\\') {
        if (i >= text.size()) return why = "unterminated text", false;
        s += text[i++];
      } else {
        s += c;
      }
    }
    pos = i;
    if (isIntegerType(type) || type == kCimReal32 || type == kCimReal64 || type == kCimBoolean)
      return why = "this type takes no text", false;
    out = std::move(s);
    return true;
  }
  std::size_t end = pos;
  while (end < text.size() && text[end] != ',' && text[end] != '}' && text[end] != ' ' && text[end] != '\t') ++end;
  const std::string word(text.substr(pos, end - pos));
  pos = end;
  if (type == kCimBoolean) {
    if (iequalsAscii(word, "TRUE")) return out = true, true;
    if (iequalsAscii(word, "FALSE")) return out = false, true;
    return why = "TRUE or FALSE expected", false;
  }
  if (type == kCimReal32 || type == kCimReal64) {
    double d = 0;
    auto r = std::from_chars(word.data(), word.data() + word.size(), d);
    if (word.empty() || r.ec != std::errc() || r.ptr != word.data() + word.size()) return why = "number expected", false;
    return out = d, true;
  }
  if (type == kCimSint64 || type == kCimUint64) {
    const std::size_t digits = !word.empty() && word[0] == '-' ? 1 : 0;
    if (word.size() == digits || word.find_first_not_of("0123456789", digits) != std::string::npos)
      return why = "integer expected", false;
    return out = word, true;
  }
  if (!isIntegerType(type)) return why = "this type takes text in double quotes", false;
  std::int64_t n = 0;
  auto r = std::from_chars(word.data(), word.data() + word.size(), n);
  if (word.empty() || r.ec != std::errc() || r.ptr != word.data() + word.size()) return why = "integer expected", false;
  return out = n, true;
}

void skipBlanks(std::string_view s, std::size_t& pos) {
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
}

bool parseValue(std::string_view text, const WmiPropertyDef& def, WmiValue& out, std::string& why) {
  std::size_t pos = 0;
  if (iequalsAscii(text, "NULL")) return out = WmiValue::null(), true;
  if (def.isArray) {
    if (text.empty() || text[0] != '{') return why = "array in { } expected", false;
    std::vector<WmiScalar> items;
    pos = 1;
    skipBlanks(text, pos);
    if (pos < text.size() && text[pos] == '}') {
      ++pos;
    } else {
      for (;;) {
        WmiScalar e;
        skipBlanks(text, pos);
        if (!parseElement(text, pos, def.cimType, e, why)) return false;
        items.push_back(std::move(e));
        skipBlanks(text, pos);
        if (pos < text.size() && text[pos] == ',') {
          ++pos;
          continue;
        }
        if (pos < text.size() && text[pos] == '}') {
          ++pos;
          break;
        }
        return why = "',' or '}' expected", false;
      }
    }
    skipBlanks(text, pos);
    if (pos != text.size()) return why = "text after the array", false;
    out = WmiValue::array(std::move(items));
    return true;
  }
  WmiScalar e;
  if (!parseElement(text, pos, def.cimType, e, why)) return false;
  skipBlanks(text, pos);
  if (pos != text.size()) return why = "text after the value", false;
  out = WmiValue::scalar(std::move(e));
  return true;
}

std::string quote(const std::string& s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') r += '\\';
    r += c;
  }
  return r + "\"";
}

std::string elementText(const WmiScalar& v) {
  if (auto p = std::get_if<std::int64_t>(&v)) return std::to_string(*p);
  if (auto p = std::get_if<bool>(&v)) return *p ? "TRUE" : "FALSE";
  if (auto p = std::get_if<double>(&v)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", *p);
    return buf;
  }
  return quote(std::get<std::string>(v));
}

std::string valueText(const WmiValue& v) {
  if (v.isNull) return "NULL";
  if (!v.isArray) return v.items.empty() ? "NULL" : elementText(v.items[0]);
  std::string r = "{";
  for (std::size_t i = 0; i < v.items.size(); ++i) r += (i ? ", " : "") + elementText(v.items[i]);
  return r + "}";
}

}  // namespace

bool parseWmiInstances(std::string_view text, std::vector<WmiClass>& classes, std::string& error) {
  std::vector<WmiClass> out;
  // names folded to lower case: a file of thousands of classes or properties loads in linear time
  std::unordered_set<std::string> classNames;
  std::unordered_map<std::string, int> propertyIndex;  // of the class being read
  const std::vector<std::string> lines = splitLines(text);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(n + 1) + ": " + why;
      return false;
    };
    const std::string line = trim(lines[n]);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    std::size_t sp = line.find_first_of(" \t");
    const std::string word = line.substr(0, sp);
    const std::string rest = sp == std::string::npos ? std::string() : trim(line.substr(sp));

    if (word == "class") {
      if (rest.empty() || rest.find_first_of(" \t") != std::string::npos) return fail("class name expected");
      if (!classNames.insert(toLowerAscii(rest)).second) return fail("class " + rest + " given twice");
      out.push_back(WmiClass{rest, {}, {}});
      propertyIndex.clear();
    } else if (word == "key" || word == "property") {
      if (out.empty()) return fail("property before any class");
      WmiClass& c = out.back();
      if (!c.instances.empty()) return fail("property after an instance");
      std::vector<std::string> words;
      for (const auto& p : split(replaceAll(rest, "\t", " "), ' '))
        if (!p.empty()) words.push_back(p);
      WmiPropertyDef def;
      if (words.size() != 2 || !parseType(words[1], def.cimType, def.isArray)) return fail("name and type expected");
      def.name = words[0];
      def.isKey = word == "key";
      if (!propertyIndex.emplace(toLowerAscii(def.name), static_cast<int>(c.properties.size())).second)
        return fail("property " + def.name + " given twice");
      c.properties.push_back(def);
    } else if (word == "instance") {
      if (out.empty()) return fail("instance before any class");
      if (!rest.empty()) return fail("text after instance");
      out.back().instances.emplace_back(out.back().properties.size());
    } else {
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos) return fail("unknown line");
      if (out.empty() || out.back().instances.empty()) return fail("value outside an instance");
      WmiClass& c = out.back();
      const std::string name = trim(line.substr(0, eq));
      const auto found = propertyIndex.find(toLowerAscii(name));
      if (found == propertyIndex.end()) return fail("no property " + name + " in class " + c.name);
      const int i = found->second;
      std::string why;
      WmiValue v;
      if (!parseValue(trim(line.substr(eq + 1)), c.properties[static_cast<std::size_t>(i)], v, why))
        return fail(name + ": " + why);
      c.instances.back()[static_cast<std::size_t>(i)] = std::move(v);
    }
  }
  classes = std::move(out);
  return true;
}

std::string formatWmiInstances(const std::vector<WmiClass>& classes) {
  std::string r = "# WMI instances\n";
  for (const auto& c : classes) {
    r += "\nclass " + c.name + "\n";
    for (const auto& p : c.properties)
      r += std::string(p.isKey ? "key " : "property ") + p.name + " " + typeName(p.cimType) + (p.isArray ? "[]" : "") + "\n";
    for (const auto& row : c.instances) {
      r += "instance\n";
      for (std::size_t i = 0; i < c.properties.size() && i < row.size(); ++i)
        r += "  " + c.properties[i].name + " = " + valueText(row[i]) + "\n";
    }
  }
  return r;
}

bool looksLikeWmiInstances(std::string_view head) {
  if (head.find('\0') != std::string_view::npos) return false;  // binary: a disk, an image, zeros
  for (const auto& raw : splitLines(head)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    return line.rfind("class", 0) == 0;
  }
  return true;  // only comments so far
}

bool readWmiInstancesFile(const std::string& path, std::vector<WmiClass>& classes, std::string& error) {
  std::string bytes, why;
  if (!readSourceFile(path, kMaxWmiInstancesBytes, looksLikeWmiInstances, bytes, why)) {
    error = path + ": " + why;
    return false;
  }
  const std::string text = ansiToUtf8(bytes);
  if (!parseWmiInstances(text, classes, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool writeWmiInstancesFile(const std::string& path, const std::vector<WmiClass>& classes) {
  std::vector<std::string> lines = splitLines(formatWmiInstances(classes));
  return writeAnsiLinesAtomic(path, lines);
}

WmiReplayProvider::WmiReplayProvider(std::vector<WmiClass> classes) : classes_(std::move(classes)) {
  for (std::size_t i = 0; i < classes_.size(); ++i) index_.emplace(toLowerAscii(classes_[i].name), i);
}

bool WmiReplayProvider::loadClass(std::string_view name, WmiClass& out) {
  auto it = index_.find(toLowerAscii(name));
  if (it == index_.end()) return false;
  out = classes_[it->second];
  return true;
}

std::vector<std::string> WmiReplayProvider::classNames() {
  std::vector<std::string> names;
  for (const auto& c : classes_) names.push_back(c.name);
  return names;
}

std::unique_ptr<WmiService> openWmiInstancesFile(const std::string& path, std::string& message) {
  std::vector<WmiClass> classes;
  if (!readWmiInstancesFile(path, classes, message)) return nullptr;
  return std::make_unique<WmiProviderService>(std::make_shared<WmiReplayProvider>(std::move(classes)));
}

}  // namespace mrv
