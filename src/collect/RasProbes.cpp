#include "collect/RasProbes.h"

#include <exception>
#include <vector>

#include "platform/Encoding.h"
#include "platform/SystemServices.h"

namespace mrv {

std::string RasDialUserName(SystemServices& sys, std::string_view entryName) {
  try {
    std::string user;
    switch (sys.rasGetEntryDialParams(entryName, user)) {
      case LibraryCall::LibraryMissing: return "rasapi32.dll not found.";
      case LibraryCall::FunctionMissing: return "RasGetEntryDialParamsA not found.";
      case LibraryCall::Failed: return "RasGetEntryDialParams failed.";
      case LibraryCall::Ok: break;
    }
    // szUserName holds at most 256 characters and its terminator.
    const std::string ansi = utf8ToAnsi(user);
    return ansi.size() > 256 ? ansiToUtf8(ansi.substr(0, 256)) : user;
  } catch (const std::exception&) {
    return "Error";
  }
}

std::string RasEntryList(SystemServices& sys) {
  try {
    std::vector<std::string> entries;
    switch (sys.rasEnumEntries(entries)) {
      case LibraryCall::LibraryMissing: return "rasapi32.dll not found.";
      case LibraryCall::FunctionMissing: return "RasEnumEntriesA not found.";
      case LibraryCall::Failed: return "RasEnumEntries failed.";
      case LibraryCall::Ok: break;
    }
    if (entries.size() > 100) return "RasEnumEntries failed.";
    std::string text;
    for (const auto& e : entries) text += e + ":" + RasDialUserName(sys, e) + "/";
    if (!text.empty()) text.pop_back();
    return text;
  } catch (const std::exception&) {
    return "Error";
  }
}

}  // namespace mrv
