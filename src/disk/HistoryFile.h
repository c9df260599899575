#pragma once
// The file side of a PC's disk history: reading it within a size limit, trimming it to its line
// limit, putting lost header lines back, and the lock by which saves of one PC take turns.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mrv {

// A history larger than this is not read (it holds 501 lines of a few hundred bytes each).
inline constexpr std::uint64_t kHistoryMaxBytes = 64u << 20;
// How long a save waits for another save of the same PC before it gives up.
inline constexpr int kHistoryLockTimeoutMs = 30000;

// The lines of the history at `path`, trimmed to `maxLines` as TrimHistoryLines does; false when
// there is no file there. Anything else that keeps it from being read (a folder, a pipe, a link, a
// file over kHistoryMaxBytes, no access) raises MrvError saying so.
bool LoadHistoryLines(const std::string& path, std::vector<std::string>& lines, std::size_t maxLines = SIZE_MAX);

// Deletes the oldest data rows (from the third line on) until at most `maxLines` lines are left,
// in one pass.
void TrimHistoryLines(std::vector<std::string>& lines, std::size_t maxLines);

// Puts the header lines back in front of a history that lost them (cut short at its start, say):
// the English header when the first line is not one, the Japanese header when the line after it
// is not one. True when a line was put back.
bool RestoreHistoryHeaders(std::vector<std::string>& lines, const std::string& englishHeader,
                           const std::string& japaneseHeader);

// The lock file of a history: beside it, its name + ".lock".
std::string HistoryLockPath(const std::string& historyPath);

}  // namespace mrv
