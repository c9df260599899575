#include "collect/ClamAvStatus.h"

#include <exception>

#include "base/Text.h"
#include "platform/SystemServices.h"

namespace mrv {

namespace {

constexpr char kDatabaseFolder[] = "/var/lib/clamav/";
constexpr std::size_t kHeaderBytes = 512;
constexpr const char* kScanners[] = {"/usr/bin/clamscan", "/usr/bin/clamdscan", "/usr/sbin/clamd"};

struct Packages {
  std::string product, engine;
  bool known = false;
};

Packages clamPackages(SystemServices& sys) {
  Packages p;
  std::vector<std::pair<std::string, std::string>> installed;
  if (!sys.installedPackages(installed)) return p;
  for (const auto& [name, version] : installed) {
    if (name == "clamav") p.product = UpstreamVersion(version), p.known = true;
    else if (startsWith(name, "libclamav") && !endsWith(name, "-dev") && p.engine.empty())
      p.engine = UpstreamVersion(version);
  }
  return p;
}

// The highest version among a database's two forms (.cld is the one freshclam patches in place).
std::string databaseVersion(SystemServices& sys, const std::string& name) {
  std::string best;
  long long bestNumber = -1;
  for (const char* ext : {".cld", ".cvd"}) {
    std::string header;
    if (!sys.readFile(kDatabaseFolder + name + ext, header, kHeaderBytes)) continue;
    const std::string v = ClamAvDatabaseVersion(header);
    int n = 0;
    if (!v.empty() && parseInt(v, n) && n > bestNumber) {
      best = v;
      bestNumber = n;
    }
  }
  return best;
}

}  // namespace

std::string ClamAvDatabaseVersion(std::string_view header) {
  if (!startsWith(header, "ClamAV-VDB:")) return {};
  // ClamAV-VDB:build time:version:signatures:level:md5:signature:builder:build seconds
  const auto fields = split(header.substr(0, header.find('\0')), ':');
  int n = 0;
  return fields.size() > 2 && parseInt(fields[2], n) ? fields[2] : std::string();
}

std::string UpstreamVersion(std::string_view packageVersion) {
  std::string v(packageVersion);
  if (const auto colon = v.find(':'); colon != std::string::npos) v = v.substr(colon + 1);
  if (const auto dash = v.rfind('-'); dash != std::string::npos) v.resize(dash);
  if (const auto plus = v.find_first_of("+~"); plus != std::string::npos) v.resize(plus);
  return v;
}

std::vector<std::string> ClamAvStatus(CollectionContext& ctx) {
  std::vector<std::string> rows(7);
  rows[0] = "'";
  if (!ctx.platform.system) return rows;
  SystemServices& sys = *ctx.platform.system;
  try {
    const Packages packages = clamPackages(sys);
    bool installed = packages.known;
    for (const char* scanner : kScanners) installed = installed || sys.fileExists(scanner);
    if (!installed) return rows;
    rows[0] = "'ClamAV" + (packages.product.empty() ? std::string() : " " + packages.product);
    rows[1] = packages.engine;
    rows[2] = databaseVersion(sys, "daily");
    if (rows[2].empty()) rows[2] = databaseVersion(sys, "main");
    std::vector<std::string> processes;
    if (sys.processNames(processes)) {
      rows[5] = "0";
      for (const auto& p : processes)
        if (p == "clamonacc") rows[5] = "1";
    }
  } catch (const std::exception& e) {
    if (ctx.onStepFailure) ctx.onStepFailure("antivirus", e.what());
  }
  return rows;
}

}  // namespace mrv
