#include <windows.h>

#include "platform/UserLocale.h"

namespace mrv {

bool UserPrefersJapanese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

}  // namespace mrv
