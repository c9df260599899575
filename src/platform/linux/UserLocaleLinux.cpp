#include <cstdlib>
#include <string_view>

#include "platform/UserLocale.h"

namespace mrv {

bool UserPrefersJapanese() {
  // the first of these that is set decides, as for the C library's message catalogues
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return std::string_view(v).substr(0, 2) == "ja";
  }
  return false;
}

}  // namespace mrv
