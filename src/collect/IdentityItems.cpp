#include "collect/IdentityItems.h"

#include "base/Text.h"
#include "collect/RecordName.h"
#include "collect/WmiQuery.h"
#include "platform/Encoding.h"
#include "collect/InstallationFacts.h"
#include "collect/RegistryInstallation.h"
#include "platform/SystemServices.h"
#include "ui/Version.h"

namespace mrv {

namespace {

constexpr std::string_view k9xVersionKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kNtVersionKey = "\\Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kOemInfo = "\\Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\OemInfo";

SystemServices* sys(CollectionContext& ctx) { return ctx.platform.system; }

// The OEM chain: SMBIOS maker and product as Windows Update recorded them (else WBEM's), then the
// maker and model of the OEM's oeminfo.ini; the 9x family adds the registered model number.
std::string OemModel(CollectionContext& ctx) {
  // one read per statement: the key must be open before its values are read
  std::string text = TrimTrailingBlanks(MachineText(ctx, kOemInfo, "SmbOem"));
  text += " " + ctx.state.reg.readString("SmbProduct");
  if (charCount(text) < 2) {
    text = TrimTrailingBlanks(ctx.state.reg.readString("WbemOem"));
    text += " " + ctx.state.reg.readString("WbemProduct");
  }

  std::string ini;
  if (SystemServices* s = sys(ctx)) {
    std::string folder = WindowsFolder(*s);
    const std::string path = folder + (ctx.isNT() ? "system32\\oeminfo.ini" : "system\\oeminfo.ini");
    std::string bytes;
    if (folder != kProbeError && s->readFile(path, bytes, 1u << 20)) ini = ansiToUtf8(bytes);
  }
  text = trim(text) + " /" + IniEntry(ini, "General", "Manufacturer") + " " + IniEntry(ini, "General", "Model");
  if (!ctx.isNT())
    text = trim(text) + " /" + MachineText(ctx, "\\Software\\environment\\registration\\customerinfo", "ModelNum");
  return text;
}

}  // namespace

std::string TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

std::string LastCommaPart(std::string_view text) {
  const std::size_t comma = text.rfind(',');
  return std::string(comma == std::string_view::npos ? text : text.substr(comma + 1));
}

std::string IniEntry(std::string_view iniText, std::string_view section, std::string_view key) {
  bool inSection = false;
  for (const std::string& raw : splitLines(iniText)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const std::size_t close = line.find(']');
      inSection = close != std::string::npos && iequalsAscii(trim(std::string_view(line).substr(1, close - 1)), section);
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos || !iequalsAscii(trim(std::string_view(line).substr(0, eq)), key))
      continue;
    std::string value = trim(std::string_view(line).substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
  }
  return {};
}

std::string OsFamilyOf(TRegistryEx& reg) {
  if (!reg.store()) return "NT";
  reg.setRootKey(RootKey::LocalMachine);
  if (reg.openKeyReadOnly(kNtVersionKey)) return "NT";
  if (reg.openKeyReadOnly(k9xVersionKey) && reg.valueExists("VersionNumber")) return "9x";
  return "NT";
}

ItemTexts RecordStemItem(CollectionContext& ctx) {
  ctx.computerName = sys(ctx) ? ComputerNameText(*sys(ctx)) : kProbeError;
  ctx.stem = CsvFileNameText(ctx.platform);
  return {ctx.stem};
}

ItemTexts VersionItem(CollectionContext&) { return {VersionBanner()}; }

ItemTexts UserNameItems(CollectionContext& ctx) {
  if (!sys(ctx)) return {kProbeError, kProbeError};
  return {UserNameText(*sys(ctx)), NetUserNameText(*sys(ctx))};
}

ItemTexts DecideOsFamily(CollectionContext& ctx) {
  ctx.family = OsFamilyOf(ctx.state.reg);
  return {};
}

ItemTexts NetworkIdentityItems(CollectionContext& ctx) {
  ItemTexts t;
  if (!ctx.isNT()) {
    t.push_back(RowText(ctx, [&] { return LastCommaPart(MachineText(ctx, kVnetsupKey, "WorkGroup")); }));
    t.push_back(MachineTextRow(ctx, "\\System\\CurrentControlSet\\Services\\VxD\\MSTCP", "Domain"));
    t.push_back("");
    t.push_back(ctx.computerName);
    t.push_back(MachineTextRow(ctx, kVnetsupKey, "Comment"));
    t.push_back(MachineTextRow(ctx, k9xVersionKey, "RegisteredOwner"));
    t.push_back(MachineTextRow(ctx, k9xVersionKey, "RegisteredOrganization"));
    return t;
  }
  const std::string group = sys(ctx) ? LanGroupName(*sys(ctx)) : std::string();
  const bool member = sys(ctx) && IsDomainMember(*sys(ctx));
  t.push_back(member ? "" : group);
  t.push_back(member ? group : "");
  t.push_back("");
  t.push_back(ctx.computerName);
  ItemTexts owner = ctx.installation().ownerRows(ctx);
  owner.resize(3);
  t.insert(t.end(), owner.begin(), owner.end());
  return t;
}

ItemTexts RegistryOwnerRows(CollectionContext& ctx) {
  return {MachineTextRow(ctx, "\\System\\CurrentControlSet\\Services\\lanmanserver\\parameters", "srvcomment"),
          MachineTextRow(ctx, kNtVersionKey, "RegisteredOwner"), MachineTextRow(ctx, kNtVersionKey, "RegisteredOrganization")};
}

ItemTexts ModelItem(CollectionContext& ctx) {
  if (ctx.isNT()) {
    std::string model = WmiComputerModel(ctx.platform.wmi);
    if (!model.empty()) return {model};
  }
  return {OemModel(ctx)};
}

}  // namespace mrv
