#pragma once
// Registry export files (.reg) as regedit writes them:
//   "REGEDIT4"                               text in the ANSI code page (Shift-JIS);
//   "Windows Registry Editor Version 5.00"   UTF-16LE with a byte order mark (UTF-8 is accepted too).
// Key lines [ROOT\path] and [-ROOT\path] (delete), value lines "name"=... and @=... with "text",
// dword:, hex:, hex(n): (n in hex: 0 none, 2 expandable, 7 multi-string, b 64-bit, ...) and - (delete),
// a backslash at the end of a line to continue it, and ; comments.
// A line that cannot be read is reported with its line number and skipped; the rest loads.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/replay/MemoryRegistry.h"

namespace mrv {

// The largest export read (a whole SOFTWARE hive exported as UTF-16 is a few hundred MB).
inline constexpr std::uint64_t kMaxRegExportBytes = 1ull << 30;

// Whether the first bytes of a file are those of a registry export (a header line, in UTF-16 or
// UTF-8 with or without a byte order mark, or in the ANSI code page).
bool looksLikeRegExport(std::string_view head);

// Loads the file into `registry`. False (and one message) when the file cannot be read or is not a
// registry export; bad lines add messages but do not make it fail.
bool loadRegFile(const std::string& path, MemoryRegistry& registry, std::vector<std::string>& messages);

// The same for the bytes of a file; `name` is what messages call it.
bool loadRegBytes(std::string_view bytes, std::string_view name, MemoryRegistry& registry,
                  std::vector<std::string>& messages);

}  // namespace mrv
