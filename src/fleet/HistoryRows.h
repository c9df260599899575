#pragma once
// The disk history files and the shared logs of the hdd folder, as rows for the inventory
// database: one row per drive per history line, with the values the program judged, and one row
// per log line.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

struct DriveHistoryRow {
  std::string dateTime;  // "yyyy/mm/dd hh:mm:ss"
  int driveNumber = 0;
  std::optional<long long> capacityMB, temperature, highestTemperature, lowestTemperature, reallocatedSectors,
      failCount, warningCount, powerCycles, hoursRunning;
  std::string model, serialNumber;
  // "故障" when an attribute failed, "警戒" when one only warned, else "OK" (as row 56 says).
  std::string state;
};

// Every drive of every data line of a history file (its bytes, Shift-JIS). The drives' segments
// are found from the English header line. Nothing, with the line and the reason in `why`, when the
// bytes are not Shift-JIS, the header is missing or a data line holding drives has too few cells.
std::optional<std::vector<DriveHistoryRow>> ReadDriveHistoryRows(std::string_view bytes, std::string& why);

struct LogRow {
  int lineNumber = 0;  // from 1
  std::string pc;        // the computer the line names ("" when it names none)
  std::string dateTime;  // "yyyy/mm/dd hh:mm:ss" the line holds ("" when none)
  std::string text;      // the whole line
};

// The lines of a failure log ("PC  yyyy/mm/dd hh:mm:ss  故障 a/b  警告 c/d") or of the virus-found
// log ("yyyy/mm/dd hh:mm:ss count PC"). Nothing when the bytes are not Shift-JIS.
std::optional<std::vector<LogRow>> ReadLogRows(std::string_view bytes, bool virusLog, std::string& why);

}  // namespace mrv
