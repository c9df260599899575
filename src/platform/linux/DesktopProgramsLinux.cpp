// Default applications of the freedesktop.org desktops and the dpkg package database.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "base/Text.h"
#include "platform/DesktopPrograms.h"
#include "platform/WindowsInstallation.h"
#include "platform/linux/SystemServicesFormats.h"

namespace mrv {

namespace {

constexpr std::size_t kMaxConfigFile = 16u << 20;

std::optional<std::string> readText(const std::string& path, std::size_t maxBytes = kMaxConfigFile) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string out(std::min(static_cast<std::size_t>(st.st_size), maxBytes), '\0');
  in.read(out.data(), static_cast<std::streamsize>(out.size()));
  out.resize(static_cast<std::size_t>(in.gcount()));
  return out;
}

bool isFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isExecutable(const std::string& path) { return isFile(path) && access(path.c_str(), X_OK) == 0; }

std::vector<std::string> dirEntries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  return names;
}

std::vector<std::string> envList(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  std::vector<std::string> out;
  for (auto& part : split(v && *v ? v : fallback, ':'))
    if (!part.empty()) out.push_back(part);
  return out;
}

std::string envDir(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

// Lines of one [group] of a desktop-style key file, "key=value" with blanks around "=" removed.
std::vector<std::pair<std::string, std::string>> groupEntries(std::string_view text, std::string_view group) {
  std::vector<std::pair<std::string, std::string>> out;
  bool in = false;
  for (const auto& raw : splitLines(text)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      in = line == "[" + std::string(group) + "]";
      continue;
    }
    const auto eq = line.find('=');
    if (in && eq != std::string::npos) out.emplace_back(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
  }
  return out;
}


class LinuxDesktopPrograms : public DesktopPrograms {
 public:
  explicit LinuxDesktopPrograms(DesktopDirs dirs) : d_(std::move(dirs)) {}

  std::string defaultProgram(std::string_view fileType) override {
    const std::string mime = mimeTypeOf(fileType);
    if (mime.empty()) return {};
    const std::string desktopFile = defaultApplication(mime);
    if (desktopFile.empty()) return {};
    return execProgram(desktopFile);
  }

  bool owningPackage(const std::string& path, PackageFacts& facts) override {
    const std::vector<std::string> candidates = pathForms(path);
    if (candidates.empty()) return false;
    const std::string infoDir = d_.packageDatabase + "/info";
    for (const auto& entry : dirEntries(infoDir)) {
      if (!endsWith(entry, ".list")) continue;
      const auto list = readText(infoDir + "/" + entry, 64u << 20);
      if (!list) continue;
      bool owns = false;
      for (const auto& line : splitLines(*list))
        for (const auto& c : candidates) owns = owns || line == c;
      if (!owns) continue;
      std::string package = entry.substr(0, entry.size() - 5);
      package = package.substr(0, package.find(':'));  // multi-arch lists are "name:arch.list"
      return packageFacts(package, facts);
    }
    return false;
  }

 private:
  std::vector<std::string> dataDirs() const {
    std::vector<std::string> dirs{d_.dataHome};
    dirs.insert(dirs.end(), d_.dataDirs.begin(), d_.dataDirs.end());
    return dirs;
  }

  // An extension or file name to its MIME type by the glob database: the heaviest matching glob,
  // the longest among equals. A text holding "/" is a MIME type already.
  std::string mimeTypeOf(std::string_view fileType) const {
    const std::string name(trim(fileType));
    if (name.empty()) return {};
    if (contains(name, "/")) return toLowerAscii(name);
    std::string best;
    int bestWeight = -1;
    std::size_t bestLength = 0;
    for (const auto& dir : dataDirs()) {
      std::optional<std::string> globs = readText(dir + "/mime/globs2");
      bool weighted = true;
      if (!globs) {
        globs = readText(dir + "/mime/globs");
        weighted = false;
      }
      if (!globs) continue;
      for (const auto& line : splitLines(*globs)) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = split(line, ':');
        if (weighted && f.size() < 3) continue;
        if (!weighted && f.size() < 2) continue;
        int weight = 50;
        if (weighted && !parseInt(f[0], weight)) continue;
        const std::string& type = weighted ? f[1] : f[0];
        const std::string& glob = weighted ? f[2] : f[1];
        const bool caseSensitive = weighted && f.size() > 3 && contains(f[3], "cs");
        const bool match = caseSensitive ? fnmatch(glob.c_str(), name.c_str(), 0) == 0
                                         : fnmatch(toLowerAscii(glob).c_str(), toLowerAscii(name).c_str(), 0) == 0;
        if (!match || glob == "__NOGLOBS__") continue;
        if (weight > bestWeight || (weight == bestWeight && glob.size() > bestLength)) {
          best = type;
          bestWeight = weight;
          bestLength = glob.size();
        }
      }
    }
    return best;
  }

  // The desktop file of an application ID: applications/ID, or a subfolder for each "-" of it
  // ("kde4-kate.desktop" may be applications/kde4/kate.desktop).
  std::string desktopFileOf(const std::string& id) const {
    if (id.empty() || contains(id, "/")) return {};
    for (const auto& dir : dataDirs()) {
      std::string rel = id;
      for (;;) {
        const std::string path = dir + "/applications/" + rel;
        if (isFile(path)) return path;
        const auto dash = rel.find('-');
        if (dash == std::string::npos) break;
        rel[dash] = '/';
      }
    }
    return {};
  }

  // As `xdg-mime query default`: the [Default Applications] of the mimeapps.list files (desktop-
  // specific first), the defaults.list and mimeinfo.cache files, then any application whose
  // MimeType lists the type, by InitialPreference.
  std::string defaultApplication(const std::string& mime) const {
    std::vector<std::string> listDirs{d_.configHome};
    listDirs.insert(listDirs.end(), d_.configDirs.begin(), d_.configDirs.end());
    for (const auto& dir : dataDirs()) listDirs.push_back(dir + "/applications");
    std::vector<std::string> prefixes;
    for (const auto& desktop : d_.currentDesktops) prefixes.push_back(toLowerAscii(desktop) + "-");
    prefixes.push_back("");
    for (const auto& dir : listDirs)
      for (const auto& prefix : prefixes) {
        const auto text = readText(dir + "/" + prefix + "mimeapps.list");
        if (!text) continue;
        for (const auto& [key, value] : groupEntries(*text, "Default Applications")) {
          if (key != mime) continue;
          for (const auto& id : split(value, ';'))
            if (std::string file = desktopFileOf(trim(id)); !file.empty()) return file;
          break;  // the first line for the type decides within a file
        }
      }
    for (const auto& dir : dataDirs())
      for (const char* name : {"defaults.list", "mimeinfo.cache"}) {
        const auto text = readText(dir + "/applications/" + name);
        if (!text) continue;
        for (const auto& line : splitLines(*text))
          if (startsWith(line, mime + "=")) {
            const std::string id = trim(split(line.substr(mime.size() + 1), ';').front());
            if (std::string file = desktopFileOf(id); !file.empty()) return file;
          }
      }
    std::string chosen;
    int preference = -1;
    for (const auto& dir : dataDirs()) scanApplications(dir + "/applications", mime, 0, chosen, preference);
    return chosen;
  }

  // The desktop files of a folder and its subfolders that list the type; the first of the highest
  // InitialPreference is kept.
  static void scanApplications(const std::string& folder, const std::string& mime, int depth, std::string& chosen,
                               int& preference) {
    std::vector<std::string> subfolders;
    for (const auto& entry : dirEntries(folder)) {
      const std::string path = folder + "/" + entry;
      if (!endsWith(entry, ".desktop")) {
        struct stat st;
        if (depth < 8 && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) subfolders.push_back(path);
        continue;
      }
      const auto text = readText(path);
      if (!text) continue;
      bool handles = false;
      int pref = 0;
      for (const auto& [key, value] : groupEntries(*text, "Desktop Entry")) {
        if (key == "MimeType")
          for (const auto& t : split(value, ';')) handles = handles || trim(t) == mime;
        if (key == "InitialPreference" && !parseInt(value, pref)) pref = 0;
      }
      if (handles && pref > preference) {
        preference = pref;
        chosen = path;
      }
    }
    for (const auto& sub : subfolders) scanApplications(sub, mime, depth + 1, chosen, preference);
  }

  std::string execProgram(const std::string& desktopFile) const {
    const auto text = readText(desktopFile);
    if (!text) return {};
    std::string exec;
    for (const auto& [key, value] : groupEntries(*text, "Desktop Entry"))
      if (key == "Exec") {
        exec = value;
        break;
      }
    auto words = linuxfacts::quotedWords(exec, false);
    std::size_t i = 0;
    if (i < words.size() && words[i] == "env") {  // env VAR=value ... program
      ++i;
      while (i < words.size() && contains(words[i], "=")) ++i;
    }
    if (i >= words.size()) return {};
    const std::string& program = words[i];
    if (contains(program, "/")) return program;
    for (const auto& dir : d_.path)
      if (isExecutable(dir + "/" + program)) return dir + "/" + program;
    return program;
  }

  // The forms a package list may name the file by: as given (found without regard to letter
  // case when it does not exist as written), with its links resolved, and across the merged
  // /usr (/bin/x and /usr/bin/x are one file).
  static std::vector<std::string> pathForms(const std::string& given) {
    if (given.empty() || given[0] != '/') return {};
    std::vector<std::string> forms;
    auto add = [&](const std::string& p) {
      if (p.empty()) return;
      for (const auto& f : forms)
        if (f == p) return;
      forms.push_back(p);
      if (startsWith(p, "/usr/")) forms.push_back(p.substr(4));
      else forms.push_back("/usr" + p);
    };
    std::string path = given;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
      const std::string found = findPathIgnoringCase("/", path);
      if (!found.empty()) path = found;
    }
    add(path);
    if (char* real = realpath(path.c_str(), nullptr)) {
      add(real);
      std::free(real);
    }
    return forms;
  }

  bool packageFacts(const std::string& package, PackageFacts& facts) const {
    const auto status = readText(d_.packageDatabase + "/status", 256u << 20);
    if (!status) return false;
    PackageFacts f;
    bool inPackage = false, found = false;
    std::string lastField;
    for (const auto& line : splitLines(*status)) {
      if (trim(line).empty()) {
        if (inPackage) break;
        continue;
      }
      if (line[0] == ' ' || line[0] == '\t') continue;  // continuation lines: the synopsis is enough
      const auto colon = line.find(':');
      if (colon == std::string::npos) continue;
      const std::string field = toLowerAscii(line.substr(0, colon));
      const std::string value = trim(line.substr(colon + 1));
      if (field == "package") {
        inPackage = value == package;
        if (inPackage) {
          found = true;
          f.package = value;
        }
      } else if (inPackage) {
        if (field == "version") f.version = value;
        else if (field == "maintainer") f.maintainer = value;
        else if (field == "description") f.description = value;
      }
    }
    if (!found) return false;
    if (const auto copyright = readText(d_.docRoot + "/" + package + "/copyright", 1u << 20))
      for (const auto& line : splitLines(*copyright)) {
        const std::string t = trim(line);
        if (startsWith(t, "Copyright:")) {
          f.copyright = trim(t.substr(10));
          if (!f.copyright.empty()) break;
        } else if (startsWith(toLowerAscii(t), "copyright") && !startsWith(t, "Copyright:")) {
          f.copyright = t;
          break;
        }
      }
    facts = std::move(f);
    return true;
  }

  DesktopDirs d_;
};

}  // namespace

DesktopDirs DesktopDirs::fromEnvironment() {
  DesktopDirs d;
  const std::string home = envDir("HOME", "/");
  d.configHome = envDir("XDG_CONFIG_HOME", home + "/.config");
  d.configDirs = envList("XDG_CONFIG_DIRS", "/etc/xdg");
  d.dataHome = envDir("XDG_DATA_HOME", home + "/.local/share");
  d.dataDirs = envList("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
  d.currentDesktops = envList("XDG_CURRENT_DESKTOP", "");
  d.path = envList("PATH", "/usr/local/bin:/usr/bin:/bin");
  d.packageDatabase = "/var/lib/dpkg";
  d.docRoot = "/usr/share/doc";
  return d;
}

std::unique_ptr<DesktopPrograms> openDesktopPrograms() { return openDesktopPrograms(DesktopDirs::fromEnvironment()); }

std::unique_ptr<DesktopPrograms> openDesktopPrograms(DesktopDirs dirs) {
  return std::make_unique<LinuxDesktopPrograms>(std::move(dirs));
}

}  // namespace mrv
