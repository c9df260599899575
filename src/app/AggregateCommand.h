#pragma once
// The aggregate command, from the window's menu (OneSheet1) and from the command line
// (mervana --aggregate [FOLDER]), for an administrator who rebuilds the lists from a scheduled job.
#include <ostream>
#include <string>
#include <vector>

#include "ui/FormServices.h"

namespace mrv {

// OneSheet1: builds the lists beside the program and shows the outcome in a message box; with a
// database target ([Database] Target), loads the records into it as well.
void OneSheet1Click(FormServices& form, const std::string& databaseTarget = {});

// --aggregate [FOLDER] [--db TARGET] (args: what follows the switch): builds the lists in FOLDER,
// or beside the program when none is given, and loads FOLDER into the database TARGET names (or the
// one `configuredTarget` names, from the configuration file). The messages go to `out`, a failure
// to `err`. Returns the exit status: 0 when everything asked was done, 1 when the lists or the
// load failed, 2 for a wrong command line.
int RunAggregateCommand(const std::vector<std::string>& args, const std::string& programPath, std::ostream& out,
                        std::ostream& err, const std::string& configuredTarget = {});

}  // namespace mrv
