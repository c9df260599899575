#pragma once
// Registry search: lists in Memo1 every key of one subtree that holds a string or integer value
// matching the search text typed into Memo1's first line (or selected there), with all of that key's
// string and integer values.
//
// Search text options, read from its start: "&" compares without regard to letter case; then "-"
// matches values that begin with the text instead of values that contain it.
#include <string_view>

#include "ui/FormServices.h"

namespace mrv {

// The search-text command: prepares Memo1 for typing the search text.
void SearchStr1Click(FormServices& form);

// Walks the subtree at startPath ("\Software") of the root named rootName ("HKEY_LOCAL_MACHINE";
// any other name means HKEY_CURRENT_USER).
void SearchRegistry(FormServices& form, std::string_view rootName, std::string_view startPath);

// The five subtree commands.
void LOCALMACHINE1Click(FormServices& form);                      // HKLM\Software
void HKEYLOCALMACHINESystem21Click(FormServices& form);           // HKLM\System
void HKEYCURRENTUSERSoftware31Click(FormServices& form);          // HKCU\Software
void HKEYCURRENTUSERSystem41Click(FormServices& form);            // HKCU\System
void HKEYLOCALMACHINESoftwareClasses11Click(FormServices& form);  // HKLM\Software\Classes

}  // namespace mrv
