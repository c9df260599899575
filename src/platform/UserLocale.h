#pragma once
// The language the user reads: the program's own help and version texts follow it (the window and the
// record are always Japanese).
namespace mrv {

// True when the user's locale is Japanese (LC_ALL, LC_MESSAGES or LANG on Linux; the user's
// interface language on Windows).
bool UserPrefersJapanese();

}  // namespace mrv
