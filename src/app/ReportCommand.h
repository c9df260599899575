#pragma once
// The report command (mervana --report FOLDER|TARGET --html FILE): the fleet page of a record
// folder, or of an inventory database that was loaded before, for an administrator who publishes
// it from a scheduled job.
#include <ostream>
#include <string>
#include <vector>

namespace mrv {

// args: what follows the switch. A folder is loaded into a database in memory first and left as it
// is; an SQLite file or a postgresql:// URL is read as it stands (a path where there is nothing is
// refused rather than made into an empty database). The message goes to `out`, a failure to `err`.
// Returns the exit status: 0 when the page was written, 1 when it could not be, 2 for a wrong
// command line.
int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace mrv
