#pragma once
// The two small lookups of the search menu, written into Memo1: the running programs, and the
// program that opens a file type with its version strings.
#include "ui/FormServices.h"

namespace mrv {

// Memo1 lists the executable file of each running process, in the system's order, and is left
// editable.
void RunningProg1Click(FormServices& form);

// Memo1's first line is a file type (".txt") or a registered class name. Memo1 then holds: the
// input; the program registered to open it; that path lower-cased (with "%programfiles%"
// replaced); and "No Version Info", or "Version Information" followed by the eight version
// strings ("CompanyName : ..." or "... : None"). A Windows program's strings come from its version
// resource; without a Windows registry the desktop's default application is named and its strings
// come from the package that installed it.
void FileVersion1Click(FormServices& form);

}  // namespace mrv
