#include "app/AggregateCommand.h"

#include <filesystem>

#include "records/Aggregate.h"

namespace mrv {

void OneSheet1Click(FormServices& form) {
  const AggregateOutcome outcome = BuildAggregatedLists(form.programDir());
  form.dialogs().message("Mervana", outcome.message, outcome.ok ? Dialogs::Kind::Information : Dialogs::Kind::Error);
}

int RunAggregateCommand(const std::vector<std::string>& args, const std::string& programPath, std::ostream& out,
                        std::ostream& err) {
  if (args.size() > 1) {
    err << "mervana: --aggregate [FOLDER]\n";
    return 2;
  }
  std::string folder = args.empty() ? std::string() : args[0];
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
  return 0;
}

}  // namespace mrv
