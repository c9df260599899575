#include "lookup/RegistrySearch.h"

#include <algorithm>
#include <chrono>
#include <charconv>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "platform/Encoding.h"
#include "platform/RegistryStore.h"

namespace mrv {

namespace {

// Windows keeps keys at most 512 levels deep; anything deeper comes from a damaged hive.
constexpr std::size_t kMaxDepth = 512;
// The bar's maximum until the start key sets it to its number of subkeys.
constexpr int kProgressUnset = 9999;
// How often the window gets to repaint during the walk.
constexpr auto kRepaintInterval = std::chrono::milliseconds(40);

struct SearchOptions {
  std::string text;
  std::string text16;  // the text as the registry stores strings (UTF-16LE), for comparing in place
  bool ignoreCase = false;
  bool prefix = false;
};

SearchOptions searchOptions(std::string_view typed) {
  SearchOptions o;
  std::string t(typed);
  if (startsWith(t, "&")) {
    o.ignoreCase = true;
    t = toLowerAscii(t.substr(1));
  }
  if (startsWith(t, "-")) {
    o.prefix = true;
    t.erase(0, 1);
  }
  o.text = std::move(t);
  o.text16 = utf8ToUtf16le(o.text);
  return o;
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::vector<std::string> sortedIgnoringCase(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), lessIgnoringCase);
  return names;
}

void sortIgnoringCase(std::vector<RegistryKey::OpenedSubkey>& subkeys) {
  std::sort(subkeys.begin(), subkeys.end(),
            [](const auto& a, const auto& b) { return lessIgnoringCase(a.name, b.name); });
}

// One value as the search sees it: string values by their text, integer values in decimal, other
// types not at all.
struct ValueText {
  bool read = false;
  bool searchable = false;
  std::string text;
};

// `v` is scratch space, reused so that its buffer is allocated once per key.
void readValueText(RegistryKey& key, const std::string& name, ValueText& out, RegValue& v) {
  out.read = true;
  if (!key.queryValue(name, v)) return;
  const auto* p = reinterpret_cast<const unsigned char*>(v.data.data());
  if (v.type == kRegSz) {
    out.text = utf16leToUtf8(p, v.data.size());
    out.searchable = true;
  } else if (v.type == kRegDword && v.data.size() >= 4) {
    const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    out.text = std::to_string(static_cast<std::int32_t>(u));
    out.searchable = true;
  }
}

// Walks a subtree by the keys' own handles (each subkey opened from its parent, never again by its
// path from the root), subkeys in name order without regard to letter case.
class RegistryWalk {
 public:
  RegistryWalk(FormServices& form, SearchOptions options)
      : memo_(form.memo()), status_(form.status()), options_(std::move(options)),
        lastRepaint_(std::chrono::steady_clock::now()) {}

  // `key` is null when the key could not be opened (no read access, or gone): it is passed over.
  void searchKey(RegistryKey* key, const std::string& path, std::size_t depth) {
    visited(path);
    if (!key) return;

    std::vector<RegistryKey::OpenedSubkey> subkeys;
    try {
      listIfMatching(*key, path);
      if (depth < kMaxDepth && key->subkeyCount() > 0) {
        subkeys = key->openSubkeys();
        sortIgnoringCase(subkeys);
      }
    } catch (const std::exception&) {
      return;  // a key that cannot be read is passed over like one that cannot be opened
    }
    if (subkeys.empty()) return;

    // the first key with subkeys (the start key) drives the progress bar, one step per subkey
    const bool drivesBar = !barDriven_;
    if (drivesBar) {
      barDriven_ = true;
      status_.setProgressRange(0, static_cast<int>(subkeys.size()));
    }
    std::string subpath;
    for (std::size_t i = 0; i < subkeys.size(); ++i) {
      if (path == "\\Software" && toLowerAscii(subkeys[i].name) == "classes") {
        // HKLM\Software\Classes has a command of its own
      } else {
        subpath.assign(path).append("\\").append(subkeys[i].name);
        searchKey(subkeys[i].key.get(), subpath, depth + 1);
        subkeys[i].key.reset();  // a visited subtree holds nothing open
      }
      if (drivesBar) status_.setProgress(static_cast<int>(i + 1));
    }
  }

  // The status line shows the key being searched whenever the window repaints, and the last key
  // visited when the walk is over.
  void finish() {
    if (!lastPath_.empty()) status_.setStatusText(lastPath_);
  }

 private:
  bool matches(std::string_view value) const {
    if (options_.ignoreCase) return matchesText(toLowerAscii(value));
    return matchesText(value);
  }
  bool matchesText(std::string_view v) const {
    return options_.prefix ? startsWith(v, options_.text) : contains(v, options_.text);
  }

  // A REG_SZ value compared as it is stored, in UTF-16LE up to its first NUL character, without
  // making a text of it: whole 16-bit units only, ASCII letters lowered in the caseless mode.
  bool matchesStored(const std::string& data) {
    std::size_t units = 0;
    while (2 * units + 1 < data.size() && (data[2 * units] != 0 || data[2 * units + 1] != 0)) ++units;
    std::string_view hay(data.data(), 2 * units);
    if (options_.ignoreCase) {
      lowered_.assign(hay);
      for (std::size_t i = 0; i < lowered_.size(); i += 2)
        if (lowered_[i + 1] == 0 && lowered_[i] >= 'A' && lowered_[i] <= 'Z') lowered_[i] = static_cast<char>(lowered_[i] + 32);
      hay = lowered_;
    }
    const std::string& needle = options_.text16;
    if (options_.prefix) return hay.starts_with(needle);
    for (std::size_t at = hay.find(needle); at != std::string_view::npos; at = hay.find(needle, at + 1))
      if (at % 2 == 0) return true;
    return false;
  }

  bool valueMatches(const RegValue& v) {
    if (v.type == kRegSz) return matchesStored(v.data);
    if (v.data.size() < 4) return false;  // a DWORD too short to be one is not compared
    const auto* p = reinterpret_cast<const unsigned char*>(v.data.data());
    const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::int32_t>(u)).ptr;
    return matches(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }

  // Tests the string and integer values (whether any matches does not depend on their order, so
  // they are tested as stored and other types are never read); on a match lists the key and all
  // its values in name order.
  void listIfMatching(RegistryKey& key, const std::string& path) {
    bool found = false;
    key.readValues({kRegSz, kRegDword}, [&](const RegValue& v) {
      found = valueMatches(v);
      return !found;
    });
    if (!found) return;
    const std::vector<std::string> names = sortedIgnoringCase(key.valueNames());
    std::vector<ValueText> values(names.size());
    RegValue scratch;
    std::vector<std::string> lines{path};
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!values[i].read) readValueText(key, names[i], values[i], scratch);
      if (values[i].searchable) lines.push_back("  " + names[i] + "  ----  " + values[i].text);
    }
    for (const auto& l : lines) memo_.appendLine(l);
  }

  void visited(const std::string& path) {
    lastPath_.assign(path);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRepaint_ < kRepaintInterval) return;
    lastRepaint_ = now;
    status_.setStatusText(path);
    status_.processEvents();
  }

  TextView& memo_;
  StatusView& status_;
  const SearchOptions options_;
  std::string lastPath_;
  std::string lowered_;  // scratch for the caseless comparison
  bool barDriven_ = false;
  std::chrono::steady_clock::time_point lastRepaint_;
};

}  // namespace

void SearchStr1Click(FormServices& form) {
  form.window().setCaption("Mervana 検索");
  if (!form.askUnsavedChanges()) return;
  form.resetView();
  form.status().setStatusText("検索文字を１行目に書いてください");
  form.memo().setReadOnly(false);
  form.window().setPanelVisible(false);
}

void SearchRegistry(FormServices& form, std::string_view rootName, std::string_view startPath) {
  if (!form.askUnsavedChanges()) return;
  TextView& memo = form.memo();
  std::string typed = memo.selectedText();
  if (typed.empty()) {
    const auto lines = memo.lines();
    if (!lines.empty()) typed = lines.front();
  }
  form.resetView();
  memo.appendLine(typed);

  SearchOptions options = searchOptions(typed);
  // "2 characters or fewer" counts the bytes of the ANSI code page: 東京 (4 bytes) is searched
  if (utf8ToAnsi(options.text).size() <= 2) return;

  memo.setReadOnly(true);
  memo.appendLine(rootName);
  RegistryStore* store = form.platform().registry;
  const RootKey root = rootName == "HKEY_LOCAL_MACHINE" ? RootKey::LocalMachine : RootKey::CurrentUser;
  StatusView& status = form.status();
  status.setProgressRange(0, kProgressUnset);
  status.setProgress(0);
  status.setProgressVisible(true);
  status.processEvents();

  const std::string start(startPath);
  std::unique_ptr<RegistryKey> startKey;
  try {
    if (store) startKey = store->openKey(root, std::string_view(start).substr(start.find_first_not_of('\\') == std::string::npos ? start.size() : start.find_first_not_of('\\')));
  } catch (const std::exception&) {
    // a start key that cannot be read is passed over like any other
  }
  RegistryWalk walk(form, std::move(options));
  walk.searchKey(startKey.get(), start, 0);
  walk.finish();
  memo.setModified(false);
}

void LOCALMACHINE1Click(FormServices& form) { SearchRegistry(form, "HKEY_LOCAL_MACHINE", "\\Software"); }
void HKEYLOCALMACHINESystem21Click(FormServices& form) { SearchRegistry(form, "HKEY_LOCAL_MACHINE", "\\System"); }
void HKEYCURRENTUSERSoftware31Click(FormServices& form) { SearchRegistry(form, "HKEY_CURRENT_USER", "\\Software"); }
void HKEYCURRENTUSERSystem41Click(FormServices& form) { SearchRegistry(form, "HKEY_CURRENT_USER", "\\System"); }
void HKEYLOCALMACHINESoftwareClasses11Click(FormServices& form) {
  SearchRegistry(form, "HKEY_LOCAL_MACHINE", "\\Software\\Classes");
}

}  // namespace mrv
