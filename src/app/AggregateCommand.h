#pragma once
// The aggregate command, from the window's menu (OneSheet1) and from the command line
// (mervana --aggregate [FOLDER]), for an administrator who rebuilds the lists from a scheduled job.
#include <ostream>
#include <string>
#include <vector>

#include "ui/FormServices.h"

namespace mrv {

// OneSheet1: builds the lists beside the program and shows the outcome in a message box.
void OneSheet1Click(FormServices& form);

// --aggregate [FOLDER] (args: what follows the switch): builds the lists in FOLDER, or beside the
// program when none is given. The message goes to `out`, a failure to `err`. Returns the exit
// status: 0 when the lists were built, 1 when they were not, 2 for a wrong command line.
int RunAggregateCommand(const std::vector<std::string>& args, const std::string& programPath, std::ostream& out,
                        std::ostream& err);

}  // namespace mrv
