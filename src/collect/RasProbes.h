#pragma once
// The dial-up probes: phonebook entries and their saved user names.
#include <string>
#include <string_view>

namespace mrv {

class SystemServices;

// The saved user name of one phonebook entry, or the failure text of the dial-up library.
std::string RasDialUserName(SystemServices& sys, std::string_view entryName);
// "entry:user/entry:user"; empty with no entries; the failure texts of the dial-up library.
std::string RasEntryList(SystemServices& sys);

}  // namespace mrv
