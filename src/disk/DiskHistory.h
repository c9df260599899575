#pragma once
// The per-PC history of the disks' S.M.A.R.T. values and the failure logs shared by every PC.
//
// A history file (record folder, "hdd", the record file's own name) is a Shift-JIS CSV without
// quoting: an English header line, a Japanese header line, then one data row per program run that
// saved, oldest first. A data row is the save's date-time and weekday followed by one segment per
// drive. Other code finds its values by cell position (the constants below); only the first
// drive's segment is ever read back.
#include <string>
#include <string_view>
#include <vector>

#include "disk/DriveHealth.h"
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "ui/Views.h"

namespace mrv {

// Cell positions of a history line (0-based).
inline constexpr int kHistDateTime = 0;
inline constexpr int kHistDriveNum = 2;
inline constexpr int kHistModelNumber = 4;
inline constexpr int kHistSerialNumber = 5;
inline constexpr int kHistTemperature = 6;
inline constexpr int kHistTempWorst = 7;
inline constexpr int kHistReallocSector = 9;
inline constexpr int kHistSmartFailTot = 10;
inline constexpr int kHistSmartWarnTot = 11;
inline constexpr int kHistFirstBlock = 14;  // block k of the first drive begins at 14 + 5k
inline constexpr int kHistBlockWidth = 5;

// The attributes every drive segment holds first, in this order (five empty cells when the drive
// lacks one); block k of the first drive is the k-th of these.
inline constexpr int kHistoryFixedIds[] = {1, 5, 7, 10, 3, 194};

// More lines than this and the oldest data row goes before a row is added.
inline constexpr std::size_t kHistoryMaxLines = 500;
// A data row shorter than this (in characters) holds no drive.
inline constexpr std::size_t kHistoryMinRowChars = 50;
// The walk over drive indexes ends at the first that cannot be read, and at this many at most.
inline constexpr int kHistoryMaxDrives = 16;

// The shared failure logs in the hdd folder.
inline constexpr std::string_view kHddFailLog = "_hddfail.txt";                // alerts
inline constexpr std::string_view kFailedLog = "_failed.txt";                  // saves with failures
inline constexpr std::string_view kFailPlusWarningLog = "_fail_plus_warning.txt";  // failures or warnings

// The alert texts shown to the person at the PC.
inline constexpr std::string_view kDiskFailedAlert =
    "【重要】ハードディスクが故障しました\n作業をやめ直ちにシステム担当者に連絡してください";
inline constexpr std::string_view kDiskWorseningAlert =
    "【お知らせ】ハードディスクの状態が悪化してきています\n故障が予想されますので重要ファイルをバックアップしてください";

// Cell n of a line: what lies between the n-th and the (n+1)-th comma; "" when there is none.
std::string HistoryCell(std::string_view line, int n);
// The cell as a whole number; 0 when it is not one.
int HistoryCount(std::string_view line, int n);

// Whether the drive has an attribute in the range the history and the report keep (1..15, 192..250).
bool IsHistoryAttributeId(int id);
// The attributes of one drive in the order of its history segment: the six fixed IDs (null where
// the drive lacks one), then every further kept attribute in the drive's order, each ID once.
std::vector<const SmartAttribute*> HistoryAttributeOrder(const DriveHealth& health);

// One drive's segment of the data row and of the two header lines.
std::string HistoryDriveSegment(const DriveHealth& health);
std::string HistoryEnglishHeaderSegment(const DriveHealth& health);
std::string HistoryJapaneseHeaderSegment(const DriveHealth& health);

// "yyyy/mm/dd hh:mm:ss" and the weekday number (1 = Sunday ... 7 = Saturday).
std::string HistoryDateTimeText(const LocalTime& t);
int WeekdayNumber(int year, int month, int day);

// The last data row of a history file; "" when there is no file or no data row.
std::string LastSavedRow(const std::string& historyPath);
// Judges the first drive again with what its last save holds (`lastRow`, the history's last data
// row), when that row's first drive is this drive (same model and serial number). Only NVMe drives
// have verdicts that look back (disk/NvmeHealth.h).
void JudgeAgainstLastSave(DriveHealth& firstDrive, std::string_view lastRow);

// The two header lines and the data row for the drives `device` answers now; the first drive is
// judged against `lastRow`, the last data row saved.
struct HistoryRow {
  std::string englishHeader;
  std::string japaneseHeader;
  std::string data;
  int drives = 0;
};
HistoryRow BuildHistoryRow(AtaDevice* device, const LocalTime& now, std::string_view lastRow = {});

// A failure log entry: the computer name padded with blanks to 19 characters, the date-time and
// the fail and warning counts, new against old.
std::string FailureLogLine(std::string_view computerName, std::string_view dateTime, int newFail, int previousFail,
                           int newWarning, int earlierWarning);

// What a save did to the history.
struct AppendHistoryResult {
  bool rowWritten = false;                // a data row was added (the /p switch is then on)
  std::string historyPath;
  std::vector<std::string> logsAppended;  // file names, in the order written
};

// Adds this save's row to the history of the record file at `recordPath`, keeps the failure logs
// and alerts the user through `dialogs`. Does nothing while `noHistory` (the /p switch) is on, and
// turns it on once a row was written. A history file that cannot be written raises MrvError; so
// does a failure log that cannot be appended to, after the others have been written.
AppendHistoryResult AppendHistory(const Platform& platform, Dialogs& dialogs, const std::string& recordPath,
                                  bool& noHistory);

// For tests that end the process between the steps of a save, as a kill or a power cut would: called
// after the failure logs ("logs") and after the history ("history") were written. Null: nothing.
using HistoryStepHook = void (*)(std::string_view step);
void SetHistoryStepHook(HistoryStepHook hook);

// The history file of a record file: its folder + "hdd" + separator + its name.
std::string HistoryPathFor(const std::string& recordPath);

}  // namespace mrv
