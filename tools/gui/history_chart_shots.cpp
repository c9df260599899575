// Developer command: writes a disk history of 300 saves over the last year (temperatures, power
// cycles and running hours, and a drive whose reallocated sectors fail near the end), shows it in
// the main window's chart view and saves screenshots of the window for each kind of chart.
//   history_chart_shots [output folder] [width] [height]   (QT_QPA_PLATFORM=offscreen without a display)
#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "disk/DriveHealth.h"
#include "disk/HistoryChart.h"
#include "gui/ChartPanel.h"
#include "gui/MainWindow.h"
#include "platform/TextFiles.h"
#include "platform/PlatformServices.h"
#include "platform/SystemServices.h"

using namespace mrv;

namespace {

struct Attr {
  int id;
  bool preFailure;
};
const std::vector<Attr> kAttrs{{1, true},   {5, true},    {7, true},    {10, true},   {3, true},   {194, false},
                               {4, false},  {9, false},   {12, false},  {196, false}, {197, false}, {198, false}};

// Sunday = 0.
unsigned weekday_of(std::chrono::sys_days d) { return std::chrono::weekday{d}.c_encoding(); }

std::string dateText(int y, int mo, int d, int h, int mi, int s) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  return buf;
}

// 300 saves, one on most working days, ending today.
std::vector<std::string> historyLines(const LocalTime& now) {
  std::string en = "DateTime,DayOfWeek", ja = "日時,曜日番号";
  en += ",DriveNum,CapacityMB,ModelNumber,SerialNumber,Temperature,TempWorst,TempLow"
        ",ReallocSector,SmartFailTot,SmartWarnTot,PowerCycles,HoursRunning,";
  ja += ",ディスクNo.,容量MB,モデルNo.,シリアルNo.,温度℃,最高温度,最低温度,再配置セクタ,故障数,警告数,電源サイクル,稼働時間,";
  for (const auto& a : kAttrs) {
    en += (a.preFailure ? "*" : "") + std::to_string(a.id) + ": " + std::string(smartAttributeName(a.id)) +
          ",Current,Worst,Threshold,Raw Value,";
    ja += std::string(smartAttributeJapaneseName(a.id)) + ",現在値,最悪値,閾値,生データ,";
  }
  std::vector<std::string> lines{en, ja};
  const int rows = 300;
  int tempWorst = 41, cycles = 812, hours = 9120;
  for (int i = 0; i < rows; ++i) {
    // ages from 329 days to 0, skipping about one day in ten
    const int age = rows - 1 - i + (rows - 1 - i) / 10;
    using namespace std::chrono;
    const sys_days day = sys_days{year{now.year} / now.month / now.day} - days{age};
    const year_month_day ymd{day};
    const int dayOfYear = static_cast<int>((day - sys_days{ymd.year() / 1 / 1}).count());
    const int weekday = static_cast<int>(weekday_of(day));
    const double season = std::sin((dayOfYear - 100) / 365.0 * 2 * 3.14159265358979);
    const int temp = static_cast<int>(std::lround(37 + 6 * season + (i * 37 % 5) - 2));
    tempWorst = std::max(tempWorst, temp + 3);
    const int tempLow = 19 + (i * 13 % 3);
    cycles += 1 + (i % 7 == 0);
    hours += 7 + i % 4;
    // reallocated sectors: fine, then a slide in the last fifty saves, below the threshold at the end
    const int slide = std::max(0, i - 250);
    const int reallocCurrent = slide == 0 ? 100 : std::max(30, 100 - slide * 7 / 5);
    const int reallocRaw = slide == 0 ? 0 : slide * 41;
    const bool failing = reallocCurrent <= 36;
    const bool warned = !failing && reallocCurrent < 100;
    const int pending = slide / 6;
    std::string row = dateText(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                               static_cast<int>(static_cast<unsigned>(ymd.day())), 8, 40 + i % 17, (i * 7) % 60) +
                      "," + std::to_string(weekday + 1);
    row += ",0,476940,ST3500418AS,9VMQ6ZKT," + std::to_string(temp) + "," + std::to_string(tempWorst) + "," +
           std::to_string(tempLow) + "," + std::to_string(reallocRaw) + "," + (failing ? "1" : "0") + "," +
           (warned ? "1" : "0") + "," + std::to_string(cycles) + "," + std::to_string(hours) + ",";
    auto block = [&](const std::string& status, int cur, int worst, int thr, long long raw) {
      row += status + "," + std::to_string(cur) + "," + std::to_string(worst) + "," + std::to_string(thr) + "," +
             std::to_string(raw) + ",";
    };
    block("OK", 114 - i % 5, 99, 6, 81234567 + i * 1117);                                       // 1
    block(failing ? "故障" : warned ? "警戒" : "OK", reallocCurrent, reallocCurrent, 36, reallocRaw);  // 5
    block("OK", 78 - i % 3, 60, 30, 61234567 + i * 5013);                                       // 7
    block("OK", 100, 100, 97, 0);                                                                // 10
    block("OK", 97, 96, 0, 0);                                                                   // 3
    block("-", temp, 100 - tempWorst, 0, temp);                                                  // 194
    block("-", 100, 100, 20, cycles + 3);                                                        // 4
    block("-", 100 - hours / 1000, 100 - hours / 1000, 0, hours);                                // 9
    block("-", 100, 100, 20, cycles);                                                            // 12
    block("-", 100 - slide / 5, 100 - slide / 5, 0, slide / 2);                                  // 196
    block("-", 100 - pending, 100 - pending, 0, pending);                                        // 197
    block("-", 100, 100, 0, 0);                                                                  // 198
    lines.push_back(row);
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string out = argc > 1 ? argv[1] : "history_chart_shots";
  const int width = argc > 2 ? std::atoi(argv[2]) : 749;
  const int height = argc > 3 ? std::atoi(argv[3]) : 488;
  std::filesystem::create_directories(out);

  std::string message;
  auto sys = openSystemServices(Sources{}, nullptr, message);
  Platform platform;
  platform.system = sys.get();
  MainWindow window(platform, "/opt/mervana/mervana");
  window.resize(width, height);
  TForm1& form = window.form();
  form.FormCreate({});
  window.show();

  const std::string history = out + "/PC01__WORKGROUP.csv";
  const auto lines = historyLines(sys->getLocalTime());
  if (!writeAnsiLinesAtomic(history, lines)) {
    std::fprintf(stderr, "cannot write %s\n", history.c_str());
    return 1;
  }
  ShowHistoryChart(form, form.chartPanel(), history);

  ChartPanel& panel = *window.chartPanel();
  const struct {
    const char* file;
    std::string item;
  } shots[] = {{"temperature", "温度"}, {"power", "起動回数・稼働時間"}, {"realloc", "▲再配置セクタ数"}, {"pending", "保留セクタ"}};
  for (const auto& s : shots) {
    const auto items = panel.choices();
    int index = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == s.item) index = static_cast<int>(i);
    if (index < 0) {
      std::fprintf(stderr, "no choice %s\n", s.item.c_str());
      return 1;
    }
    panel.setChoiceIndex(index);
    form.runCommand("ComboBox1");
    QApplication::processEvents();
    const std::string path = out + "/" + s.file + ".png";
    if (!window.grab().save(QString::fromStdString(path), "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("wrote %s\n", path.c_str());
  }
  std::printf("history: %s (%zu lines)\n", history.c_str(), lines.size());
  return 0;
}
