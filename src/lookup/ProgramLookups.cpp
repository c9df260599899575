#include "lookup/ProgramLookups.h"

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "collect/InstallationFacts.h"
#include "collect/SystemProbes.h"
#include "collect/TRegistryEx.h"
#include "platform/DesktopPrograms.h"
#include "platform/PeVersionInfo.h"
#include "platform/SystemServices.h"

namespace mrv {

namespace {

constexpr std::array<std::string_view, 8> kVersionNames{
    "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion",
};

// The eight strings of a program from the package that installed it (an executable file carries
// no version resource of its own).
// What the package database does not know is absent, as a string missing from a resource.
using VersionStrings = std::vector<std::pair<std::string_view, std::optional<std::string>>>;

VersionStrings PackageVersionStrings(const PackageFacts& f, const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  auto known = [](const std::string& s) { return s.empty() ? std::nullopt : std::optional<std::string>(s); };
  return {{"CompanyName", known(f.maintainer)}, {"FileDescription", known(f.description)},
          {"FileVersion", known(f.version)},    {"InternalName", known(file)},
          {"LegalCopyright", known(f.copyright)}, {"OriginalFilename", known(file)},
          {"ProductName", known(f.package)},    {"ProductVersion", known(f.version)}};
}

void AddVersionLines(TextView& memo, const VersionStrings& strings) {
  memo.appendLine("Version Information");
  for (const auto& [name, value] : strings) memo.appendLine(std::string(name) + " : " + value.value_or("None"));
}

}  // namespace

void RunningProg1Click(FormServices& form) {
  form.window().setCaption("Mervana 実行中プログラム");
  if (!form.askUnsavedChanges()) return;
  form.resetView();
  std::vector<std::string> processes;
  if (SystemServices* sys = form.platform().system) ProcessList(*sys, processes);
  TextView& memo = form.memo();
  for (const auto& p : processes) memo.appendLine(p);
  memo.setReadOnly(false);
  form.window().setPanelVisible(false);
}

void FileVersion1Click(FormServices& form) {
  form.window().setCaption("Mervana ファイルバージョン");
  if (!form.askUnsavedChanges()) return;
  TextView& memo = form.memo();
  const std::vector<std::string> typed = memo.lines();
  const std::string input = typed.empty() ? std::string() : typed.front();
  form.resetView();
  // the answer is written to Memo1: the chart panel must not stay in front of it
  form.window().setPanelVisible(false);
  memo.appendLine(input);

  const Platform& platform = form.platform();
  const InstallationFacts& installation = InstallationFactsOf(platform);
  const std::string program = installation.fileTypeProgram(platform, input);
  memo.appendLine(program);

  const std::string programFiles = installation.programFilesFolder(platform);
  std::string path = toLowerAscii(program);
  if (startsWith(path, "%programfiles%")) path = programFiles + path.substr(14);
  memo.appendLine(path);

  std::string block;
  SystemServices* sys = platform.system;
  if (path.empty() || !sys || !sys->getFileVersionInfo(path, block) || block.empty()) {
    PackageFacts facts;
    if (!path.empty() && platform.desktop && platform.desktop->owningPackage(path, facts))
      AddVersionLines(memo, PackageVersionStrings(facts, path));
    else
      memo.appendLine("No Version Info");
    return;
  }
  const auto translation = versionTranslation(block);
  if (!translation) return;
  const std::string key = versionTranslationKey(*translation);
  VersionStrings strings;
  for (const auto name : kVersionNames) strings.emplace_back(name, versionString(block, key, name));
  AddVersionLines(memo, strings);
}

}  // namespace mrv
