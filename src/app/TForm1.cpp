#include "app/TForm1.h"

#include <filesystem>
#include <iostream>

#include "app/AggregateCommand.h"
#include "app/IniFile.h"
#include "app/MenuTable.h"
#include "ui/Version.h"
#include "base/Error.h"
#include "base/Utf8Path.h"
#include "base/Text.h"
#include "collect/CustomItems.h"
#include "base/Utf8Path.h"
#include "collect/RecordName.h"
#include "collect/StandardCollection.h"
#include "collect/SystemProbes.h"
#include "disk/DiskHealthItems.h"
#include "disk/DiskHistory.h"
#include "disk/DiskReport.h"
#include "disk/HistoryChart.h"
#include "lookup/ProgramLookups.h"
#include "lookup/RegistrySearch.h"
#include "ui/MemoryChartPanel.h"
#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "records/RecordFiles.h"
#include "platform/Shell.h"
#include "records/CustomLabels.h"
#include "records/InventoryRecord.h"
#include "records/ItemDefinitionFile.h"
#include "records/ItemList.h"
#include "platform/FolderFiles.h"

namespace mrv {

TForm1::TForm1(TextView& memo, GridView& grid, StatusView& status, WindowView& window, Dialogs& dialogs,
               const Platform& platform, std::string programPath)
    : memo_(memo), grid_(grid), status_(status), window_(window), dialogs_(dialogs), platform_(platform),
      programPath_(std::move(programPath)), ownChartPanel_(std::make_unique<MemoryChartPanel>()),
      chartPanel_(ownChartPanel_.get()) {
  registerCommands();
}

TForm1::~TForm1() = default;

void TForm1::registerCommands() {
  commands_ = {
      {"Read1", [this] { Read1Click(); }},
      {"Save1", [this] { Save1Click(); }},
      {"SwitchScreen1", [this] { SwitchScreen1Click(); }},
      {"OneSheet1", [this] { OneSheet1Click(*this, databaseTarget_); }},
      {"Exit1", [this] { Exit1Click(); }},
      {"ReadSetting1", [this] { ReadSetting1Click(); }},
      {"SaveSetting1", [this] { SaveSetting1Click(); }},
      {"ItemList1", [this] { ItemList1Click(); }},
      {"Help2", [this] { Help2Click(); }},
      {"Version1", [this] { Version1Click(); }},
      {"HDD1", [this] { HDD1Click(*this, HistoryPath()); }},
      {"HDD2", [this] { HDD2Click(*this, HistoryPath()); }},
      {"HDDE1", [this] { HDDE1Click(*this, HistoryPath()); }},
      {"HDDO1", [this] { HDDO1Click(*this, historyDialogFolder_, HistoryPath()); }},
      {"SearchStr1", [this] { SearchStr1Click(*this); }},
      {"LOCALMACHINE1", [this] { LOCALMACHINE1Click(*this); }},
      {"HKEYLOCALMACHINESystem21", [this] { HKEYLOCALMACHINESystem21Click(*this); }},
      {"HKEYCURRENTUSERSoftware31", [this] { HKEYCURRENTUSERSoftware31Click(*this); }},
      {"HKEYCURRENTUSERSystem41", [this] { HKEYCURRENTUSERSystem41Click(*this); }},
      {"HKEYLOCALMACHINESoftwareClasses11", [this] { HKEYLOCALMACHINESoftwareClasses11Click(*this); }},
      {"RunningProg1", [this] { RunningProg1Click(*this); }},
      {"FileVersion1", [this] { FileVersion1Click(*this); }},
      {"ComboBox1", [this] { ComboBox1Change(*this, chartPanel()); }},
      {"HDDG1", [this] { HDDG1Click(*this, chartPanel(), HistoryPath()); }},
      {"HDD3", [this] { HDD3Click(*this, chartPanel(), historyDialogFolder_, HistoryPath()); }},
  };
}

bool TForm1::hasCommand(std::string_view itemName) const { return commands_.count(itemName) > 0; }

void TForm1::enableCommandItems() {
  for (const auto& menu : MainMenu1())
    for (const auto& item : menu.items) window_.setMenuEnabled(item.name, hasCommand(item.name));
}

std::string TForm1::programDir() const {
  const std::size_t slash = programPath_.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return programPath_.substr(0, 1);
  return programPath_.substr(0, slash);
}

void TForm1::FormCreate(const std::vector<std::string>& args) {
  const StartOptions options = ParseCommandLine(args, programPath_, isRegularFile);
  FormCreate(options, ReadSettings(options.iniPath));
}

void TForm1::FormCreate(const StartOptions& options, const Settings& settings) {
  historyDialogFolder_.clear();
  window_.setPanelVisible(false);
  options_ = options;
  enableCommandItems();
  if (!options_.batch) {
    window_.setCaption("Mervana");
    resetView();
    memo_.setReadOnly(false);
    timerEnabled_ = false;
  } else {
    timerEnabled_ = true;
  }
  saveDir_ = settings.saveDir;
  sources_ = settings.sources;
  databaseTarget_ = settings.databaseTarget;
}

void TForm1::resetView() {
  settingsEditMode_ = false;
  grid_.setVisible(false);
  window_.setMenuEnabled("Save1", false);
  window_.setMenuEnabled("SaveSetting1", false);
  status_.setProgressVisible(false);
  status_.setStatusText("");
  memo_.setVisible(true);
  memo_.setReadOnly(true);
  memo_.clear();
  memo_.setModified(false);
}

bool TForm1::askUnsavedChanges() {
  if (settingsEditMode_ && memo_.modified())
    return dialogs_.confirm("変更がありました", "変更を保存しなくてよろしいか");
  return true;
}

bool TForm1::FormCloseQuery() {
  if (settingsEditMode_ && memo_.modified()) return dialogs_.confirm("", "変更を保存せずに終了しますか?");
  return true;
}

void TForm1::reportFailure(std::string_view what) {
  if (options_.batch) {
    std::cerr << "mervana: " << what << "\n";
    exitStatus_ = 1;
  } else {
    dialogs_.message("Mervana", what, Dialogs::Kind::Error);
  }
}

void TForm1::runCommand(std::string_view itemName) {
  auto it = commands_.find(itemName);
  if (it == commands_.end()) return;
  try {
    it->second();
  } catch (const std::exception& e) {
    reportFailure(e.what());
  }
}

void TForm1::Read1Click() {
  window_.setCaption("Mervana");
  window_.setPanelVisible(false);
  for (int c = 0; c < grid_.colCount(); ++c) grid_.clearColumn(c);
  grid_.setRowCount(10);
  grid_.setColCount(3);
  grid_.setFixed(1, 1);  // the disk views fix more
  if (!askUnsavedChanges()) return;
  resetView();
  readCompleted_ = false;
  // Save stays disabled until the record is whole: a Read that a failure ends must not be saved.
  try {
    // the shared registry reader and the two lists live for this pass only
    CollectionState state(platform_.registry);
    CollectionContext ctx(platform_, state, dialogs_);
    ctx.screen = screen_;
    ctx.saveDir = saveDir_;
    ctx.programDir = programDir();
    ctx.recordFolder = RecordFolder(saveDir_, ctx.programDir);
    ctx.diskHealthRows = DiskHealthItems;
    ctx.onStepFailure = [this](std::string_view step, std::string_view what) {
      if (options_.batch) std::cerr << "mervana: " << step << ": " << what << "\n";
    };
    counter_ = 1;
    InventoryRecord record(grid_, memo_, counter_);
    const CollectionResult collected = RunStandardCollection(ctx, record);
    std::vector<std::string> definition;
    const bool haveDefinition = LoadItemDefinitionFile(ctx.programDir, definition);
    if (haveDefinition) RunCustomItems(ctx, definition, record);
    // the custom items take the programs they report out of the list
    record.closeRecord(state.installed, state.patches);
    grid_.setColWidth(0, 28);
    grid_.setColWidth(1, 200);
    grid_.setColWidth(2, 480);
    grid_.setCell(1, 0, "ItemName");
    grid_.setCell(2, 0, "Value");
    record.numberRows();
    record.labelPass(collected.family, 1, CustomLabels(definition, collected.family));
    grid_.setVisible(true);
    memo_.setVisible(false);
  } catch (...) {
    window_.setMenuEnabled("Save1", false);
    throw;
  }
  readCompleted_ = true;
  window_.setMenuEnabled("Save1", true);
}

void TForm1::Save1Click() {
  if (!readCompleted_) return;  // only a whole record is saved
  const std::string folder = RecordFolder(saveDir_, programDir());
  const std::string stem = CsvFileNameText(platform_);
  lastRecordPath_ = folder + stem + ".csv";
  recordSaved_ = false;
  if (!options_.noRecord) {
    // what a save killed half-way left behind in the shared folder
    removeStaleTempFiles(folder);
    // Silent towards the person at the PC; a batch run says it, so a logon script can tell.
    std::string why;
    recordSaved_ = writeAnsiLinesAtomic(lastRecordPath_, memo_.lines(), &why);
    if (!recordSaved_ && options_.batch) {
      std::cerr << "mervana: 記録ファイルを書き込めませんでした: " << lastRecordPath_ << " (" << why << ")\n";
      exitStatus_ = 1;
    }
  }
  if (options_.runAudit) StartAuditProgram(folder, stem);
  // One history row per run: AppendHistory turns /p on once it has written one.
  if (!options_.noHistory) AppendHistory(platform_, dialogs_, lastRecordPath_, options_.noHistory);
}

std::string TForm1::HistoryPath() const {
  return HistoryPathFor(RecordFolder(saveDir_, programDir()) + CsvFileNameText(platform_) + ".csv");
}

void TForm1::StartAuditProgram(const std::string& folder, const std::string& stem) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::string program = programDir() + kPathSeparator + "zoviziri.exe";
  if (!isRegularFile(program)) program = programDir() + kPathSeparator + "zoviziri";
  if (!isRegularFile(program) || !platform_.shell) return;
  if (platform_.system && !IsAdminUser(*platform_.system)) return;
  const std::string log = AuditLogPath(folder, stem);
  const auto size =
      fs::is_regular_file(pathFromUtf8(log), ec) ? static_cast<long long>(fs::file_size(pathFromUtf8(log), ec)) : -1LL;
  if (!AuditLogAllowsRun(ec ? -1LL : size)) return;
  fs::create_directory(pathFromUtf8(folder + "p2p"), ec);
  platform_.shell->startProgram(program, {"/SILENT", "/START", "/LOG=" + log});
}

void TForm1::SwitchScreen1Click() {
  if (memo_.visible()) {
    grid_.setVisible(true);
    memo_.setVisible(false);
  } else {
    grid_.setVisible(false);
    memo_.setVisible(true);
    window_.setCaption("Mervana");
  }
  window_.setPanelVisible(false);
}

void TForm1::Exit1Click() {
  if (askUnsavedChanges()) window_.close();
}

void TForm1::ReadSetting1Click() {
  window_.setCaption("Mervana regitems.txt");
  if (!askUnsavedChanges()) return;
  resetView();
  window_.setMenuEnabled("SaveSetting1", true);
  memo_.setReadOnly(false);
  settingsEditMode_ = true;
  std::vector<std::string> lines;
  definitionEncoding_ = TextFileEncoding::Ansi;
  if (LoadItemDefinitionFile(programDir(), lines, &definitionEncoding_))
    memo_.setLines(lines);
  else
    dialogs_.message("Mervana", "設定ファイルがありません", Dialogs::Kind::Information);
  memo_.setModified(false);
}

void TForm1::SaveSetting1Click() {
  if (!settingsEditMode_) return;  // Memo1 holds something else than the definition file
  // A failed write is said, and the edits stay marked as unsaved; the old file stays whole.
  std::string why;
  if (!SaveItemDefinitionFile(programDir(), memo_.lines(), definitionEncoding_, &why))
    throw MrvError("regitems.txt を保存できませんでした: " + ItemDefinitionPath(programDir()) + " (" + why + ")");
  memo_.setModified(false);
}

void TForm1::ItemList1Click() {
  window_.setCaption("Mervana 項目リスト");
  std::vector<std::string> definition;
  LoadItemDefinitionFile(programDir(), definition);
  BuildItemListGrid(grid_, counter_, definition);
  grid_.setVisible(true);
  memo_.setVisible(false);
  window_.setPanelVisible(false);
  const std::string path = programDir() + kPathSeparator + kItemListFileName;
  std::string why;
  if (!writeAnsiLinesAtomic(path, ItemListLines(grid_), &why))
    throw MrvError("itemlist.csv を書き込めませんでした: " + path + " (" + why + ")");
  InventoryRecord(grid_, memo_, counter_).numberRows();
}

void TForm1::Help2Click() {
  const std::string manual = programDir() + kPathSeparator + "dorvel.mht";
  if (platform_.shell && isRegularFile(manual)) platform_.shell->openDocument(manual);
}

void TForm1::Version1Click() { dialogs_.message("バージョン情報", VersionBanner(), Dialogs::Kind::Information); }

void TForm1::AskValue(std::string_view prompt) {
  const std::string answer = replaceAll(dialogs_.prompt(prompt), ",", " ");
  InventoryRecord(grid_, memo_, counter_).addRow(answer);
}

void TForm1::Timer1Timer() {
  timerEnabled_ = false;
  runCommand("Read1");
  if (!readCompleted_) {
    if (exitStatus_ == 0) {
      std::cerr << "mervana: 読み取りが完了しませんでした\n";
      exitStatus_ = 1;
    }
    window_.close();
    return;
  }
  runCommand("Save1");
  if (recordSaved_) std::cout << lastRecordPath_ << std::endl;
  window_.close();
}

}  // namespace mrv
