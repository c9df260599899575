#include "platform/linux/SystemServicesFormats.h"

#include <algorithm>
#include <cctype>

#include "base/Calendar.h"
#include "base/Text.h"
#include "platform/Encoding.h"

namespace mrv::linuxfacts {

namespace {

std::string paramKey(std::string_view key) {
  std::string out;
  for (char c : key)
    if (c != ' ' && c != '\t') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::uint64_t le(std::string_view d, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[at + i]);
  return v;
}

void putLe(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string unescapeMountField(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      const std::string_view oct = s.substr(i + 1, 3);
      if (oct.size() == 3 && std::all_of(oct.begin(), oct.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out += static_cast<char>(((oct[0] - '0') << 6) | ((oct[1] - '0') << 3) | (oct[2] - '0'));
        i += 3;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

}  // namespace

std::string SambaSection::get(std::string_view key, std::string_view fallback) const {
  auto it = params.find(paramKey(key));
  return it == params.end() ? std::string(fallback) : it->second;
}

const SambaSection* SambaConfig::global() const {
  for (const auto& s : sections)
    if (iequalsAscii(s.name, "global")) return &s;
  return nullptr;
}

SambaConfig parseSambaConfig(std::string_view text) {
  SambaConfig config;
  SambaSection* current = nullptr;
  std::string pending;
  for (const auto& raw : splitLines(text)) {
    std::string line = pending + trim(raw);
    pending.clear();
    if (!line.empty() && line.back() == '\\') {  // continued on the next line
      line.pop_back();
      pending = line;
      continue;
    }
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      const auto close = line.find(']');
      const std::string name = trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = nullptr;
      for (auto& s : config.sections)
        if (iequalsAscii(s.name, name)) current = &s;
      if (!current) {
        config.sections.push_back({name, {}});
        current = &config.sections.back();
      }
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (!current) {  // parameters before any section belong to [global]
      config.sections.push_back({"global", {}});
      current = &config.sections.back();
    }
    current->params[paramKey(line.substr(0, eq))] = trim(line.substr(eq + 1));
  }
  return config;
}

bool sambaBool(std::string_view value, bool fallback) {
  const std::string v = toLowerAscii(trim(value));
  if (v == "yes" || v == "true" || v == "1" || v == "auto") return true;
  if (v == "no" || v == "false" || v == "0") return false;
  return fallback;
}

std::string netbiosName(const SambaConfig* config, std::string_view hostName) {
  std::string name;
  if (config && config->global()) name = config->global()->get("netbios name");
  if (name.empty()) name = std::string(hostName.substr(0, hostName.find('.')));
  return toUpperAscii(name);
}

std::vector<std::string> sambaDiskShares(const SambaConfig& config) {
  std::vector<std::string> shares;
  for (const auto& s : config.sections) {
    if (iequalsAscii(s.name, "global") || iequalsAscii(s.name, "homes") || iequalsAscii(s.name, "printers"))
      continue;
    if (s.name.empty() || s.name.back() == '$') continue;
    if (sambaBool(s.get("printable", s.get("print ok", "no")), false)) continue;
    if (!sambaBool(s.get("available", "yes"), true)) continue;
    if (!sambaBool(s.get("browseable", s.get("browsable", "yes")), true)) continue;
    shares.push_back(s.name);
  }
  return shares;
}

std::string usershareName(std::string_view fileText, std::string_view fileName) {
  for (const auto& line : splitLines(fileText))
    if (startsWith(line, "sharename=")) return line.substr(10);
  return std::string(fileName);
}

std::vector<MountEntry> parseMountTable(std::string_view text) {
  std::vector<MountEntry> out;
  for (const auto& line : splitLines(text)) {
    std::vector<std::string> fields;
    for (const auto& f : split(line, ' '))
      if (!f.empty()) fields.push_back(f);
    if (fields.size() < 3) continue;
    out.push_back({unescapeMountField(fields[0]), unescapeMountField(fields[1]), fields[2]});
  }
  return out;
}

std::vector<MountEntry> fixedDrives(const std::vector<MountEntry>& mounts,
                                    const std::function<bool(const std::string&)>& removable) {
  static const char* const kNotFixed[] = {"squashfs", "iso9660", "udf", "nfs", "nfs4", "cifs", "smb3",
                                          "fuse.sshfs", "overlay", "tmpfs", "devtmpfs"};
  std::vector<MountEntry> drives;
  const MountEntry* root = nullptr;
  for (const auto& m : mounts)
    if (m.mountPoint == "/") root = &m;  // the last one is the one in view
  if (root) drives.push_back(*root);
  for (const auto& m : mounts) {
    if (m.mountPoint == "/" || !startsWith(m.source, "/dev/")) continue;
    if (std::find(std::begin(kNotFixed), std::end(kNotFixed), m.fsType) != std::end(kNotFixed)) continue;
    const bool seen = std::any_of(drives.begin(), drives.end(), [&](const MountEntry& d) {
      return d.source == m.source || d.mountPoint == m.mountPoint;
    });
    if (seen || (removable && removable(m.source))) continue;
    drives.push_back(m);
  }
  return drives;
}

std::vector<std::pair<std::string, std::string>> parseDpkgStatus(std::string_view text) {
  // The database holds every package's whole description; it is read on every collection, so it
  // is scanned in place rather than split into lines.
  std::vector<std::pair<std::string, std::string>> out;
  std::string_view package, version, status;
  auto flush = [&] {
    const std::size_t blank = status.find_last_of(' ');
    const std::string_view last = blank == std::string_view::npos ? status : status.substr(blank + 1);
    if (!package.empty() && last == "installed") out.emplace_back(package, version);
    package = version = status = {};
  };
  auto trimmed = [](std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r')) v.remove_suffix(1);
    return v;
  };
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (trimmed(line).empty()) {
      flush();
      continue;
    }
    if (line[0] == ' ' || line[0] == '\t') continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view field = line.substr(0, colon), value = trimmed(line.substr(colon + 1));
    if (iequalsAscii(field, "package")) package = value;
    else if (iequalsAscii(field, "version")) version = value;
    else if (iequalsAscii(field, "status")) status = value;
  }
  flush();
  return out;
}

std::vector<std::string> quotedWords(std::string_view line, bool hashComments) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, have = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"') quoted = false;
      else if (c == '\\' && i + 1 < line.size()) word += line[++i];
      else word += c;
    } else if (c == '#' && hashComments) {
      break;
    } else if (c == '"') {
      quoted = have = true;
    } else if (c == ' ' || c == '\t') {
      if (have) words.push_back(word);
      word.clear();
      have = false;
    } else {
      word += c;
      have = true;
    }
  }
  if (have) words.push_back(word);
  return words;
}

std::string pppPeerUser(std::string_view text) {
  std::string user;
  for (const auto& raw : splitLines(text)) {
    // as pppd reads its options
    const std::vector<std::string> words = quotedWords(raw, true);
    for (std::size_t i = 0; i + 1 < words.size(); ++i)
      if (words[i] == "user") user = words[i + 1];
  }
  return user;
}

std::string xdgDocumentsDir(std::string_view userDirsText, std::string_view home) {
  std::string dir;
  for (const auto& raw : splitLines(userDirsText)) {
    const std::string line = trim(raw);
    if (!startsWith(line, "XDG_DOCUMENTS_DIR=")) continue;
    std::string value = line.substr(18);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (startsWith(value, "$HOME")) value = std::string(home) + value.substr(5);
    dir = value;
  }
  return dir;
}

std::string smb2NegotiateRequest() {
  std::string smb;
  smb += "\xFESMB";
  putLe(smb, 64, 2);  // StructureSize
  putLe(smb, 0, 2);   // CreditCharge
  putLe(smb, 0, 4);   // Status
  putLe(smb, 0, 2);   // Command: NEGOTIATE
  putLe(smb, 1, 2);   // CreditRequest
  putLe(smb, 0, 4);   // Flags
  putLe(smb, 0, 4);   // NextCommand
  putLe(smb, 0, 8);   // MessageId
  putLe(smb, 0, 4);   // Reserved
  putLe(smb, 0, 4);   // TreeId
  putLe(smb, 0, 8);   // SessionId
  smb.append(16, '\0');  // Signature
  static const std::uint16_t kDialects[] = {0x0202, 0x0210, 0x0300, 0x0302};
  putLe(smb, 36, 2);  // StructureSize
  putLe(smb, 4, 2);   // DialectCount
  putLe(smb, 1, 2);   // SecurityMode: signing enabled
  putLe(smb, 0, 2);   // Reserved
  putLe(smb, 0, 4);   // Capabilities
  smb += std::string("Mervana-inventor", 16);  // ClientGuid
  putLe(smb, 0, 8);   // ClientStartTime
  for (auto d : kDialects) putLe(smb, d, 2);
  std::string out;
  out += '\0';
  out += static_cast<char>((smb.size() >> 16) & 0xFF);
  out += static_cast<char>((smb.size() >> 8) & 0xFF);
  out += static_cast<char>(smb.size() & 0xFF);
  return out + smb;
}

bool smb2NegotiateTime(std::string_view answer, TimeOfDayInfo& tod) {
  constexpr std::size_t kHeader = 4, kBody = kHeader + 64;
  if (answer.size() < kBody + 48 || answer[0] != '\0') return false;
  if (answer.substr(kHeader, 4) != std::string_view("\xFESMB", 4)) return false;
  if (le(answer, kHeader + 8, 4) != 0 || le(answer, kHeader + 12, 2) != 0) return false;  // status, command
  if (le(answer, kBody, 2) != 65) return false;
  const std::uint64_t fileTime = le(answer, kBody + 40, 8);
  constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;  // 1970-01-01 in 100 ns since 1601
  if (fileTime < kUnixEpoch) return false;
  const std::int64_t secs = static_cast<std::int64_t>((fileTime - kUnixEpoch) / 10000000ULL);
  const CivilDate day = CivilFromDays(secs / 86400);
  tod.year = static_cast<int>(day.year);
  tod.month = static_cast<int>(day.month);
  tod.day = static_cast<int>(day.day);
  const std::int64_t rest = secs % 86400;
  tod.hours = static_cast<int>(rest / 3600);
  tod.mins = static_cast<int>(rest / 60 % 60);
  tod.secs = static_cast<int>(rest % 60);
  return true;
}

std::string cifsServer(std::string_view source) {
  if (!startsWith(source, "//") && !startsWith(source, "\\\\")) return {};
  source.remove_prefix(2);
  const auto end = source.find_first_of("/\\");
  return std::string(source.substr(0, end));
}

}  // namespace mrv::linuxfacts
