#pragma once
// The main window's state and every menu command. The window (Qt, or the in-memory components of a
// batch run without a display) owns the components; TForm1 works through their interfaces.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/Settings.h"
#include "platform/Encoding.h"
#include "ui/ChartPanelView.h"
#include "ui/FormServices.h"
#include "ui/ScreenInfo.h"
#include "platform/Sources.h"

namespace mrv {

class TForm1 : public FormServices {
 public:
  TForm1(TextView& memo, GridView& grid, StatusView& status, WindowView& window, Dialogs& dialogs,
         const Platform& platform, std::string programPath);
  ~TForm1() override;

  // Start-up: reads the command line and the configuration file; leaves the window in the
  // interactive start state or in batch mode with the timer armed.
  // The program's entry parses the command line and reads the settings once and hands both here;
  // the form with arguments alone does both itself (tests, tools).
  void FormCreate(const StartOptions& options, const Settings& settings);
  void FormCreate(const std::vector<std::string>& args);
  // The screen the window shows on (rows 28, 29 and 41); none without a window system.
  void setScreen(const ScreenInfo* screen) { screen_ = screen; }

  // Batch mode: whether the window is shown at start, and the one-shot timer.
  bool showMainWindow() const { return !options_.batch; }
  bool timerEnabled() const { return timerEnabled_; }
  int timerInterval() const { return options_.timerIntervalMs; }
  // The batch sequence: Read, Save, close.
  void Timer1Timer();

  // Menu commands by item name; an item without a command stays disabled.
  bool hasCommand(std::string_view itemName) const;
  // Runs a command; a failure that escapes it is shown as a message (as the application's default
  // handler would) or, in batch mode, written to stderr.
  void runCommand(std::string_view itemName);

  void Read1Click();
  void Save1Click();
  void SwitchScreen1Click();
  void Exit1Click();
  void ReadSetting1Click();
  void SaveSetting1Click();
  void ItemList1Click();
  void Help2Click();
  void Version1Click();
  // The close check, run whenever the window is about to close: false keeps it open.
  bool FormCloseQuery();

  // Form2: asks for a value and adds the answer as one value row (commas become blanks).
  void AskValue(std::string_view prompt);

  // Panel1's chart view: the window's own, or an in-memory one until the window gives it.
  ChartPanelView& chartPanel() { return *chartPanel_; }
  void setChartPanel(ChartPanelView& panel) { chartPanel_ = &panel; }

  // FormServices
  TextView& memo() override { return memo_; }
  GridView& grid() override { return grid_; }
  StatusView& status() override { return status_; }
  WindowView& window() override { return window_; }
  Dialogs& dialogs() override { return dialogs_; }
  const Platform& platform() const override { return platform_; }
  bool askUnsavedChanges() override;
  void resetView() override;
  std::string programDir() const override;

  // Start-up state and settings.
  const StartOptions& options() const { return options_; }
  const std::string& saveDir() const { return saveDir_; }
  const Sources& sources() const { return sources_; }
  const std::string& databaseTarget() const { return databaseTarget_; }
  const std::string& historyDialogFolder() const { return historyDialogFolder_; }
  void setHistoryDialogFolder(std::string f) { historyDialogFolder_ = std::move(f); }
  // This PC's disk history file: the record folder, "hdd", the record file's name.
  std::string HistoryPath() const;
  bool settingsEditMode() const { return settingsEditMode_; }
  void setSettingsEditMode(bool on) { settingsEditMode_ = on; }
  int& rowCounter() { return counter_; }

  // Whether the last Read ran to its end (Save writes only a whole record).
  bool readCompleted() const { return readCompleted_; }
  // What the process should exit with once the window has closed (non-zero after a batch failure).
  int exitStatus() const { return exitStatus_; }
  // The record file the last Save wrote to, and whether it did.
  const std::string& lastRecordPath() const { return lastRecordPath_; }
  bool recordSaved() const { return recordSaved_; }

 private:
  void registerCommands();
  void enableCommandItems();
  void reportFailure(std::string_view what);
  void StartAuditProgram(const std::string& recordFolder, const std::string& stem);

  TextView& memo_;
  GridView& grid_;
  StatusView& status_;
  WindowView& window_;
  Dialogs& dialogs_;
  Platform platform_;
  std::string programPath_;
  const ScreenInfo* screen_ = nullptr;

  StartOptions options_;
  std::string saveDir_;
  Sources sources_;
  std::string historyDialogFolder_;
  bool timerEnabled_ = false;
  bool settingsEditMode_ = false;
  std::string databaseTarget_;
  TextFileEncoding definitionEncoding_ = TextFileEncoding::Ansi;  // as regitems.txt was found
  bool readCompleted_ = false;
  int counter_ = 1;
  int exitStatus_ = 0;
  std::string lastRecordPath_;
  bool recordSaved_ = false;
  std::map<std::string, std::function<void()>, std::less<>> commands_;
  std::unique_ptr<ChartPanelView> ownChartPanel_;
  ChartPanelView* chartPanel_ = nullptr;
};

}  // namespace mrv
