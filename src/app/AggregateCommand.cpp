#include "app/AggregateCommand.h"

#include <filesystem>

#include "fleet/InventoryDatabase.h"
#include "records/Aggregate.h"

namespace mrv {

namespace {

// The records of `folder` into the database a target names: what it loaded, or why it did not.
DatabaseLoadOutcome loadDatabase(const std::string& folder, const std::string& target) {
  std::string why;
  std::unique_ptr<SqlDatabase> db = openSqlDatabase(target, why);
  if (!db) {
    DatabaseLoadOutcome failed;
    failed.message = "データベース " + target + " を開けません（" + why + "）";
    return failed;
  }
  return LoadInventoryDatabase(folder, *db);
}

}  // namespace

void OneSheet1Click(FormServices& form, const std::string& databaseTarget) {
  const AggregateOutcome outcome = BuildAggregatedLists(form.programDir());
  std::string message = outcome.message;
  bool ok = outcome.ok;
  if (ok && !databaseTarget.empty()) {
    const DatabaseLoadOutcome loaded = loadDatabase(form.programDir(), databaseTarget);
    message += "\n" + loaded.message;
    ok = loaded.ok;
  }
  form.dialogs().message("Mervana", message, ok ? Dialogs::Kind::Information : Dialogs::Kind::Error);
}

int RunAggregateCommand(const std::vector<std::string>& args, const std::string& programPath, std::ostream& out,
                        std::ostream& err, const std::string& configuredTarget) {
  std::string folder, target = configuredTarget;
  bool folderGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--db") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        err << "mervana: --aggregate [FOLDER] [--db TARGET]\n";
        return 2;
      }
      target = args[++i];
    } else if (!folderGiven) {
      folder = args[i];
      folderGiven = true;
    } else {
      err << "mervana: --aggregate [FOLDER] [--db TARGET]\n";
      return 2;
    }
  }
  if (folder.empty()) {
    const std::u8string dir = std::filesystem::path(std::u8string(programPath.begin(), programPath.end())).parent_path().u8string();
    folder = dir.empty() ? std::string(".") : std::string(dir.begin(), dir.end());
  }
  const AggregateOutcome outcome = BuildAggregatedLists(folder);
  if (!outcome.ok) {
    err << "mervana: " << outcome.message << "\n";
    return 1;
  }
  out << outcome.message << "\n";
  if (target.empty()) return 0;
  const DatabaseLoadOutcome loaded = loadDatabase(folder, target);
  if (!loaded.ok) {
    err << "mervana: " << loaded.message << "\n";
    return 1;
  }
  out << loaded.message << "\n";
  return 0;
}

}  // namespace mrv
