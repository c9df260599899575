#pragma once
// Reading a file that a [Sources] entry names (a registry export, a WMI instances file): only a
// regular file is read, only up to a size limit, and only when its first bytes look like what the
// entry promises — so a slip such as Registry=/dev/sdb2, a FIFO or a huge file of zeros is refused at
// once with a reason instead of blocking or eating memory.
#include <cstdint>
#include <string>
#include <string_view>

namespace mrv {

// How many leading bytes `looksRight` is shown.
inline constexpr std::size_t kSourceHeadBytes = 4096;

// Reads the whole file into `bytes`. False with a reason in `why` (in English, for the messages the
// sources give) when it is not a regular file, is larger than `maxBytes`, cannot be read, or its
// first bytes are refused by `looksRight`.
bool readSourceFile(const std::string& path, std::uint64_t maxBytes, bool (*looksRight)(std::string_view head),
                    std::string& bytes, std::string& why);

}  // namespace mrv
