#include "platform/linux/OsFactsFormats.h"

#include "base/Text.h"

namespace mrv::linuxfacts {

namespace {

std::string unquote(std::string_view v) {
  std::string s = trim(v);
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    const char q = s.front();
    std::string out;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
      if (q == '"' && s[i] == '\\' && i + 2 < s.size()) ++i;
      out += s[i];
    }
    return out;
  }
  return s;
}

// "2024-05-01  10:00:00" (APT puts two blanks between date and time) → its parts; false otherwise.
bool aptDateTime(std::string_view v, std::string& day, std::string& clock) {
  const std::string t = trim(v);
  if (t.size() < 10 || t[4] != '-' || t[7] != '-') return false;
  day = t.substr(0, 10);
  clock = trim(std::string_view(t).substr(10));
  return true;
}

}  // namespace

std::string osReleaseName(std::string_view text) {
  std::string pretty, name, version;
  for (const std::string& raw : splitLines(text)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = unquote(std::string_view(line).substr(eq + 1));
    if (key == "PRETTY_NAME") pretty = value;
    else if (key == "NAME") name = value;
    else if (key == "VERSION") version = value;
  }
  if (!pretty.empty()) return pretty;
  if (name.empty()) return {};
  return version.empty() ? name : name + " " + version;
}

AptHistory parseAptHistory(std::string_view text) {
  AptHistory h;
  std::string startDay, endDay, endClock;
  bool upgraded = false, failed = false, open = false;
  auto finish = [&] {
    if (!open) return;
    if (upgraded) h.latestUpgradeDay = replaceAll(startDay, "-", "/");
    if (!failed && !endDay.empty()) h.lastSuccessEnd = endDay + " " + endClock;
    open = false;
  };
  for (const std::string& raw : splitLines(text)) {
    const std::string_view line = raw;
    std::string day, clock;
    if (startsWith(line, "Start-Date:")) {
      finish();
      open = aptDateTime(line.substr(11), startDay, clock);
      upgraded = failed = false;
      endDay.clear();
    } else if (!open) {
      continue;
    } else if (startsWith(line, "Upgrade:")) {
      upgraded = true;
    } else if (startsWith(line, "Error:")) {
      failed = true;
    } else if (startsWith(line, "End-Date:")) {
      if (aptDateTime(line.substr(9), day, clock)) {
        endDay = day;
        endClock = clock;
      }
      finish();
    }
  }
  // a run still going (or cut off) has not succeeded, but it may have upgraded already
  if (open && upgraded) h.latestUpgradeDay = replaceAll(startDay, "-", "/");
  return h;
}

std::optional<bool> aptUnattendedUpgrade(std::string_view text) {
  std::optional<bool> on;
  const std::string lower = toLowerAscii(text);
  constexpr std::string_view key = "apt::periodic::unattended-upgrade";
  std::size_t at = 0;
  while ((at = lower.find(key, at)) != std::string::npos) {
    // skip a commented-out line
    const std::size_t lineStart = lower.rfind('\n', at);
    const std::string_view before =
        std::string_view(lower).substr(lineStart == std::string::npos ? 0 : lineStart + 1,
                                       at - (lineStart == std::string::npos ? 0 : lineStart + 1));
    at += key.size();
    if (before.find("//") != std::string_view::npos || trim(before).rfind('#', 0) == 0) continue;
    const std::size_t q1 = lower.find('"', at), semi = lower.find(';', at);
    if (q1 == std::string::npos || (semi != std::string::npos && semi < q1)) continue;
    const std::size_t q2 = lower.find('"', q1 + 1);
    if (q2 == std::string::npos) break;
    const std::string v = trim(std::string_view(lower).substr(q1 + 1, q2 - q1 - 1));
    int n = 0;
    if (parseInt(v, n)) on = n != 0;
    else if (v == "true" || v == "yes" || v == "on") on = true;
    else if (v == "false" || v == "no" || v == "off") on = false;
    at = q2 + 1;
  }
  return on;
}

std::vector<std::string> cupsSharedPrinters(std::string_view text) {
  std::vector<std::string> shared;
  std::string current;
  for (const std::string& raw : splitLines(text)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '<' && line.back() == '>') {
      if (line[1] == '/') {
        current.clear();
        continue;
      }
      const std::size_t sp = line.find(' ');
      const std::string tag = line.substr(1, sp == std::string::npos ? std::string::npos : sp - 1);
      current = (tag == "Printer" || tag == "DefaultPrinter") && sp != std::string::npos
                    ? trim(std::string_view(line).substr(sp + 1, line.size() - sp - 2))
                    : std::string();
      continue;
    }
    if (!current.empty() && iequalsAscii(line, "Shared Yes")) shared.push_back(current);
  }
  return shared;
}

}  // namespace mrv::linuxfacts
