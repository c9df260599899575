#include "collect/CustomItems.h"

#include "collect/PrinterItems.h"

#include <algorithm>
#include <exception>

#include "base/Text.h"
#include "platform/Environment.h"
#include "records/DefinitionLines.h"
#include "collect/ValueTerms.h"

namespace mrv {

namespace {

constexpr std::string_view kLanManShares = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\";
constexpr std::string_view kNtShares = "\\SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\Shares";

// A plain block ends at a root line, a key line, a condition, a "." line, a prompt or question, or
// an empty line; that line is then interpreted as usual.
bool endsPlainBlock(const std::string& line) {
  if (line.empty() || startsWith(line, "HKEY_")) return true;
  const char c = line[0];
  return c == '\\' || c == '?' || c == '.' || c == '>' || c == '<';
}

// All-or-nothing and subkey-search blocks also end at "$" and "#" lines.
bool endsCollectedBlock(const std::string& line) {
  return endsPlainBlock(line) || line[0] == '$' || line[0] == '#';
}

bool isCommentLine(const std::string& line) { return startsWith(line, "//"); }
bool isLiteralLine(const std::string& line) { return startsWith(line, "/") && !isCommentLine(line); }

std::string fileNamePart(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

class Interpreter {
 public:
  Interpreter(CollectionContext& ctx, const std::vector<std::string>& lines, InventoryRecord& record,
              const CustomPrinters& printers)
      : ctx_(ctx), reg_(ctx.state.reg), in_(lines), record_(record), printers_(printers) {}

  void run() {
    while (!in_.atEnd()) {
      const std::string line = in_.current();
      if (startsWith(line, "HKEY_")) {
        rootLine(line);
      } else if (startsWith(line, "#")) {
        specialList(line);
      } else if (startsWith(line, "&")) {
        installedProgram(line.substr(1));
      } else if (startsWith(line, "$")) {
        environmentVariable(line.substr(1));
      } else if (startsWith(line, "?")) {
        if (toLowerAscii(line) == "?end") return;
        condition(line);
        continue;
      } else if (startsWith(line, ">")) {
        add(promptAnswer(line.substr(1)));
      } else if (startsWith(line, "<")) {
        question(line.substr(1));
      } else if (startsWith(line, ".")) {
        documentType(line);
        continue;
      } else if (startsWith(line, "\\")) {
        keyLine(line);
        continue;
      } else if (!isCommentLine(line)) {
        literal(line);
      }
      in_.next();
    }
  }

 private:
  void add(std::string_view value) { record_.addValueRow(value); }
  void literal(std::string_view line) { record_.addLiteralRow(line); }

  SystemServices* sys() const { return ctx_.platform.system; }

  void rootLine(const std::string& line) {
    static const std::pair<std::string_view, RootKey> kRoots[] = {
        {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine}, {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
        {"HKEY_CURRENT_USER", RootKey::CurrentUser},   {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
        {"HKEY_USERS", RootKey::Users},
    };
    for (const auto& [name, root] : kRoots)
      if (line == name) reg_.setRootKey(root);
  }

  // "?": a section for the families the line names runs to the next "?" line.
  void condition(const std::string& line) {
    if (contains(line, ctx_.family)) {
      in_.next();
      return;
    }
    do in_.next();
    while (!in_.atEnd() && !startsWith(in_.current(), "?"));
  }

  void specialList(const std::string& line) {
    const SpecialListLine list = ParseSpecialList(line);
    if (list.name == "printers")
      printerRows(ListRowCount(list.argument));
    else if (list.name == "shareddir")
      shareRows(ListRowCount(list.argument));
    else if (list.name == "running")
      add(runningPrograms(list.argument));
    else if (endsWith(list.name, ".dll") || endsWith(list.name, ".exe") || endsWith(list.name, ".ocx"))
      add(sys() ? FileVersionText(*sys(), list.name, "ProductVersion", ctx_.programFilesFolder) : std::string());
    // any other file adds no row
  }

  void printerRows(int n) {
    std::vector<std::string> names;
    try {
      if (printers_.names) names = printers_.names();
    } catch (const std::exception&) {
      names.clear();
    }
    int added = 0;
    for (const auto& name : names) {
      if (added >= n) break;
      CustomPrinters::DriverPort dp;
      try {
        if (printers_.driverPort) dp = printers_.driverPort(ctx_, name);
      } catch (const std::exception&) {
        dp = {};
      }
      std::string row = name;
      if (!contains(name, " on ")) row += " on " + dp.port;
      add(row + " " + dp.driver);
      ++added;
    }
    for (; added < n; ++added) add("");
    reg_.setRootKey(RootKey::LocalMachine);
  }

  void shareRows(int n) {
    std::vector<std::string> shares;
    if (sys()) SharedFolderList(*sys(), shares);
    reg_.setRootKey(RootKey::LocalMachine);
    int added = 0;
    for (const auto& share : shares) {
      if (added >= n) break;
      const std::size_t slash = share.find_last_of('\\');
      const std::string name = slash == std::string::npos ? share : share.substr(slash + 1);
      add(name + " " + sharePath(name));
      ++added;
    }
    for (; added < n; ++added) add("");
  }

  std::string sharePath(const std::string& name) {
    try {
      if (!ctx_.isNT()) {
        ctx_.state.keyOpen = reg_.openKeyReadOnly(std::string(kLanManShares) + name);
        return ReadValueTerm(reg_, "Path");
      }
      ctx_.state.keyOpen = reg_.openKeyReadOnly(kNtShares);
      std::vector<std::string> entries;
      ReadMultiString(reg_, name, entries);
      for (std::size_t i = 0; i + 1 < entries.size(); ++i)  // the last entry is not examined
        if (startsWith(entries[i], "Path=")) return entries[i].substr(5);
    } catch (const std::exception&) {
      ctx_.state.keyOpen = false;
    }
    return {};
  }

  std::string runningPrograms(const std::string& argument) {
    std::vector<std::string> names;
    if (sys()) ProcessList(*sys(), names);
    for (auto& n : names) n = toLowerAscii(fileNamePart(n));
    std::string row;
    if (!argument.empty()) {
      const std::string wanted = " " + toLowerAscii(argument) + " ";
      for (const auto& n : names)
        if (contains(wanted, " " + n + " ")) row += n + " ";
      return row;
    }
    std::erase_if(names, [](const std::string& n) { return startsWith(n, "[") || !contains(n, "."); });
    std::sort(names.begin(), names.end());
    for (const auto& n : names) row += n + " ";
    return row;
  }

  void installedProgram(const std::string& search) {
    auto& list = ctx_.state.installed;
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (!contains(*it, search)) continue;
      const std::string entry = *it;
      if (!contains(entry, "Windows")) list.erase(it);  // reported here, not again in the programs block
      add(entry);
      return;
    }
    add("");
  }

  void environmentVariable(const std::string& name) { add(EnvironmentVariable(name).value_or(std::string())); }

  std::string promptAnswer(const std::string& question) {
    return replaceAll(ctx_.dialogs.prompt(question), ",", " ");
  }

  void question(const std::string& text) {
    if (text == "WinVersion") {
      ctx_.dialogs.message("Mervana", "このウィンドウズのバージョンは " + ctx_.windowsProductName + " です",
                           Dialogs::Kind::Information);
      return;
    }
    add(ctx_.dialogs.askYesNo("Mervana：問い合わせ", text) ? "Yes" : "No");
  }

  // ".ext items": the version of the program that opens the extension, and the licence line
  // that may follow it.
  void documentType(const std::string& line) {
    const std::size_t space = line.find(' ');
    const std::string extension = line.substr(0, space);
    const std::string items = space == std::string::npos ? std::string() : line.substr(space + 1);
    const std::string path = ExePathOfFileType(reg_, extension);
    const std::string row =
        path.empty() || !sys() ? std::string() : FileVersionText(*sys(), path, items, ctx_.programFilesFolder);
    add(row);
    in_.next();
    if (!startsWith(in_.current(), ">")) return;  // interpreted as usual
    licenceQuestion(in_.current().substr(1), row);
    in_.next();
  }

  void licenceQuestion(const std::string& text, const std::string& versionRow) {
    const std::size_t slash = text.find('/');
    const std::string search = text.substr(0, slash);
    // without a "/" the whole text names the product too
    const std::string product = slash == std::string::npos ? text : text.substr(slash + 1);
    if (!contains(toLowerAscii(versionRow), toLowerAscii(search))) {
      add("");
      return;
    }
    switch (ctx_.dialogs.askYesNoCancel("ソフトウェアのライセンス",
                                        product + " の正規ライセンスを持っていますか(わからなければキャンセル)")) {
      case Dialogs::Answer::Yes: add("Yes"); break;
      case Dialogs::Answer::No: add("No"); break;
      case Dialogs::Answer::Cancel: add("??"); break;
    }
  }

  void openBlockKey(const std::string& path) {
    try {
      reg_.closeKey();
      ctx_.state.keyOpen = reg_.openKeyReadOnly(path);
    } catch (const std::exception&) {
      ctx_.state.keyOpen = false;
    }
  }

  void keyLine(const std::string& line) {
    if (const std::size_t star = line.find("\\*"); star != std::string::npos)
      subkeySearch(line.substr(0, star), line.substr(star + 2));
    else if (const std::size_t s = line.find('*'); s != std::string::npos)
      allOrNothing(line.substr(0, s));
    else
      plainBlock(line);
  }

  void plainBlock(const std::string& path) {
    openBlockKey(path);
    while (!in_.atEnd()) {
      in_.next();
      const std::string& line = in_.current();
      if (endsPlainBlock(line)) return;  // becomes the current line
      if (isCommentLine(line)) continue;
      if (isLiteralLine(line)) literal(line);
      else add(ReadValueExpression(ctx_.state, line));
    }
  }

  std::vector<std::string> collectBlock() {
    std::vector<std::string> lines;
    while (!in_.atEnd()) {
      in_.next();
      if (endsCollectedBlock(in_.current())) break;
      lines.push_back(in_.current());
    }
    return lines;
  }

  static bool isSpec(const std::string& line) { return !startsWith(line, "/"); }

  std::vector<std::string> readSpecs(const std::vector<std::string>& lines) {
    std::vector<std::string> values;
    for (const auto& l : lines)
      if (isSpec(l)) values.push_back(ReadValueExpression(ctx_.state, l));
    return values;
  }

  static bool nonePresentEmpty(const std::vector<std::string>& values) {
    return std::none_of(values.begin(), values.end(), [](const std::string& v) { return v.empty(); });
  }

  // The rows of an all-or-nothing block: its values when none is empty, else empty rows; literal
  // lines in their places.
  void addCollected(const std::vector<std::string>& lines, const std::vector<std::string>& values) {
    const bool whole = nonePresentEmpty(values);
    std::size_t k = 0;
    for (const auto& l : lines) {
      if (isCommentLine(l)) continue;
      if (isLiteralLine(l)) {
        literal(l);
        continue;
      }
      add(whole && k < values.size() ? values[k] : std::string());
      ++k;
    }
  }

  void allOrNothing(const std::string& path) {
    openBlockKey(path);
    const std::vector<std::string> lines = collectBlock();
    addCollected(lines, readSpecs(lines));
  }

  // "\parent\*tail": the first subkey of parent whose key parent\subkey\tail has every value.
  // A damaged or looping hive ends the search with what was found so far.
  void subkeySearch(const std::string& parent, const std::string& tail) {
    openBlockKey(parent);
    const std::vector<std::string> lines = collectBlock();
    std::vector<std::string> names;
    try {
      if (ctx_.state.keyOpen) names = reg_.keyNames();
    } catch (const std::exception&) {
      names.clear();
    }
    if (names.empty()) {
      addCollected(lines, readSpecs(lines));  // read from the parent itself
      return;
    }
    const auto specCount = std::count_if(lines.begin(), lines.end(), isSpec);
    std::vector<std::string> values(static_cast<std::size_t>(specCount));
    for (const auto& name : names) {
      openBlockKey(parent + "\\" + name + tail);
      values = readSpecs(lines);
      if (nonePresentEmpty(values)) break;
    }
    addCollected(lines, values);
  }

  CollectionContext& ctx_;
  TRegistryEx& reg_;
  DefinitionLines in_;
  InventoryRecord& record_;
  const CustomPrinters& printers_;
};

}  // namespace

CustomPrinters SystemPrinters(CollectionContext& ctx) {
  CustomPrinters printers;
  printers.names = [&ctx] { return PrinterList(ctx.platform); };
  printers.driverPort = [](CollectionContext& c, std::string_view name) {
    const PrinterDriverPort found = DefaultPrinterDriverPort(c.state, name, c.isNT());
    return CustomPrinters::DriverPort{found.found, found.driver, found.port};
  };
  return printers;
}

void RunCustomItems(CollectionContext& ctx, const std::vector<std::string>& lines, InventoryRecord& record,
                    const CustomPrinters& printers) {
  Interpreter(ctx, lines, record, printers).run();
}

void RunCustomItems(CollectionContext& ctx, const std::vector<std::string>& lines, InventoryRecord& record) {
  RunCustomItems(ctx, lines, record, SystemPrinters(ctx));
}

}  // namespace mrv
