#include "app/ReportCommand.h"

#include "fleet/FleetReport.h"
#include "fleet/InventoryDatabase.h"
#include "platform/FolderFiles.h"

namespace mrv {

namespace {

constexpr const char* kUsage = "mervana: --report FOLDER|TARGET --html FILE\n";

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string source, html;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--html") {
      if (i + 1 >= args.size() || args[i + 1].empty() || !html.empty()) {
        err << kUsage;
        return 2;
      }
      html = args[++i];
    } else if (source.empty() && !args[i].empty()) {
      source = args[i];
    } else {
      err << kUsage;
      return 2;
    }
  }
  if (source.empty() || html.empty()) {
    err << kUsage;
    return 2;
  }

  std::vector<std::string> names;
  const bool folder = !isPostgresTarget(source) && listFileNames(source, names);
  if (!folder && !isPostgresTarget(source) && !isRegularFile(source)) {
    err << "mervana: " << source << " がありません（記録のフォルダか、読み込み済みのデータベースを指定してください）\n";
    return 1;
  }
  std::string why;
  std::unique_ptr<SqlDatabase> db = openSqlDatabase(folder ? ":memory:" : source, why);
  if (!db) {
    err << "mervana: データベース " << source << " を開けません（" << why << "）\n";
    return 1;
  }
  if (folder) {
    const DatabaseLoadOutcome loaded = LoadInventoryDatabase(source, *db);
    if (!loaded.ok) {
      err << "mervana: " << loaded.message << "\n";
      return 1;
    }
  }
  if (!WriteFleetReport(*db, folder ? source : db->describe(), html, why)) {
    err << "mervana: 一覧ページを作成できません（" << why << "）\n";
    return 1;
  }
  out << "一覧ページを作成しました：" << html << "\n";
  return 0;
}

}  // namespace mrv
