#include "fleet/FleetReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "base/Calendar.h"
#include "base/Error.h"
#include "base/Text.h"
#include "chart/SvgCanvas.h"
#include "chart/XYGraph.h"
#include "fleet/InventoryDatabase.h"
#include "platform/TextFiles.h"

namespace mrv {

namespace {

// Records older than this are marked in the list of PCs.
constexpr int kStaleRecordDays = 30;
constexpr int kChartWidth = 300, kChartHeight = 170;

std::string cell(const SqlRow& row, std::size_t i) { return i < row.size() && row[i] ? *row[i] : std::string(); }

// A number the database gave as text (a REAL or NUMERIC in either database); nothing for null.
std::optional<double> number(const SqlRow& row, std::size_t i) {
  if (i >= row.size() || !row[i] || row[i]->empty()) return std::nullopt;
  const std::string& s = *row[i];
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// Whole days elapsed; a record a few minutes ahead of this machine's clock is 0 days old, not -1.
std::string daysText(std::optional<double> age) {
  if (!age) return "不明";
  return std::to_string(static_cast<long long>(std::trunc(*age)));
}

// A value as the record holds it, without the apostrophe that keeps a spreadsheet from reading
// it as a number or a date.
std::string recordValue(const std::string& value) {
  return startsWith(value, "'") ? value.substr(1) : value;
}

std::string td(const std::string& text, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + HtmlText(text) + "</td>";
}

// "yyyy/mm/dd hh:mm:ss" as days since 1970-01-01 with the time of day as the fraction.
std::optional<double> dayValue(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (text.size() < 10 || !parseInt(text.substr(0, 4), y) || !parseInt(text.substr(5, 2), mo) ||
      !parseInt(text.substr(8, 2), d) || mo < 1 || mo > 12 || d < 1 || d > 31)
    return std::nullopt;
  if (text.size() >= 19 &&
      !(parseInt(text.substr(11, 2), h) && parseInt(text.substr(14, 2), mi) && parseInt(text.substr(17, 2), s)))
    return std::nullopt;
  return static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d))) +
         (h * 3600 + mi * 60 + s) / 86400.0;
}

struct HistoryPoint {
  double day = 0;
  std::optional<double> temperature, reallocated;
};

// One small chart of a disk's history: the values against the days before its latest reading.
std::string historyChart(const std::vector<HistoryPoint>& points, bool reallocated, const std::string& idPrefix) {
  TXYGraph graph;
  TXYLineSeries& line = graph.AddSeries();
  line.setLinePen({reallocated ? Color{200, 30, 30} : Color{30, 90, 200}, 2, PenStyle::Solid});
  const double latest = points.empty() ? 0 : points.back().day;
  for (const HistoryPoint& p : points) {
    const std::optional<double>& v = reallocated ? p.reallocated : p.temperature;
    if (v) line.AddPoint(p.day - latest, *v);
  }
  if (line.Count() < 2) return "<p class=\"nochart\">" + HtmlText(reallocated ? "再配置セクタ数" : "温度") +
                                "：グラフにする記録が2回分ありません</p>";
  const Font label{"sans-serif", 11, false, Color{60, 60, 60}};
  const Font title{"sans-serif", 13, true, Color{30, 30, 30}};
  graph.setTitle({reallocated ? "再配置セクタ数" : "温度（℃）"});
  graph.setTitleFont(title);
  graph.setGridStyle(GridStyle::Ticks);
  graph.setGridPen({Color{210, 210, 210}, 1, PenStyle::Solid});
  graph.XAxis().setLabelFont(label);
  graph.YAxis().setLabelFont(label);
  graph.XAxis().setTitleFont(label);
  graph.XAxis().setTitle("最新の記録からの日数");
  try {
    // a flat line (a temperature that never moved) still gets a range around it
    double lo = line.Points().front().y, hi = lo;
    for (const GraphPoint& p : line.Points()) {
      lo = std::min(lo, p.y);
      hi = std::max(hi, p.y);
    }
    if (hi <= lo) {
      graph.YAxis().setMax(hi + 10);
      graph.YAxis().setMin(std::max(0.0, lo - 10));
    }
    if (line.Points().front().x >= 0) graph.XAxis().setMin(-1);
    // whole days between the ticks: a step of 2.5 days would label -7.5 as "-8"
    double step = graph.XAxis().TickStep();
    while (step > 0 && step != std::floor(step)) step *= 2;
    if (step > 0 && step != graph.XAxis().TickStep() && step <= graph.XAxis().Max() - graph.XAxis().Min())
      graph.XAxis().setTickStep(step);
    return renderGraphSvgElement(graph, kChartWidth, kChartHeight, idPrefix);
  } catch (const MrvError&) {
    return "<p class=\"nochart\">グラフを描けません</p>";
  }
}

class Report {
 public:
  Report(SqlDatabase& db, std::string& why) : db_(db), why_(why) {}

  bool query(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>& rows) {
    return db_.query(sql, params, rows, why_);
  }

  bool checkSchema() {
    std::vector<SqlRow> rows;
    if (!db_.query("SELECT MAX(version) FROM schema_version", {}, rows, why_)) {
      why_ = "在庫データベースではありません（" + why_ + "）";
      return false;
    }
    const std::string v = rows.empty() ? std::string() : cell(rows[0], 0);
    if (v == std::to_string(kInventorySchemaVersion)) return true;
    int n = 0;
    why_ = parseInt(v, n) && n > kInventorySchemaVersion
               ? "データベースの版 " + v + " はこのプログラムの版 " + std::to_string(kInventorySchemaVersion) +
                     " より新しいため読めません"
               : "データベースの版が読めません（" + v + "）";
    return false;
  }

  bool pcs() {
    if (!query("SELECT stem, ComputerName, date_time, age_days FROM pc_record_age ORDER BY CASE WHEN age_days IS "
               "NULL THEN 1 ELSE 0 END, age_days DESC, stem",
               {}, pcRows_))
      return false;
    for (const SqlRow& r : pcRows_)
      if (const auto age = number(r, 3); age && *age > kStaleRecordDays) ++staleRecords_;
    body_ += section("pcs", "PC と記録の古さ",
                     "各 PC の最新の記録と、その検査日時から今日までの日数です。古い順に並べています。" +
                         std::to_string(kStaleRecordDays) + " 日より古い記録は色を付けています。");
    if (pcRows_.empty()) return empty("記録のある PC はありません。");
    body_ += "<table id=\"pc-table\"><thead><tr><th>記録ファイル</th><th>コンピュータ名</th><th>検査日時</th>"
             "<th class=\"num\">経過日数</th></tr></thead><tbody>\n";
    for (const SqlRow& r : pcRows_) {
      const auto age = number(r, 3);
      const bool stale = !age || *age > kStaleRecordDays;
      body_ += std::string("<tr") + (stale ? " class=\"stale\"" : "") + ">" + td(cell(r, 0)) +
               td(recordValue(cell(r, 1))) + td(cell(r, 2)) + td(daysText(age), "num") + "</tr>\n";
    }
    body_ += "</tbody></table>\n";
    return true;
  }

  bool disks() {
    std::vector<SqlRow> rows;
    if (!query("SELECT pc, drive_num, model, serial_number, capacity_mb, state, fail_count, warning_count, "
               "reallocated_sectors, temperature, date_time FROM failing_disk ORDER BY CASE state WHEN '故障' "
               "THEN 0 ELSE 1 END, pc, drive_num",
               {}, rows))
      return false;
    failingDisks_ = rows.size();
    body_ += section("disks", "故障・警戒のディスク",
                     "ディスク履歴の最新の行で S.M.A.R.T. が「故障」または「警戒」と判定したディスクです。"
                     "グラフは同じディスク（同じシリアル番号）の履歴です。");
    if (rows.empty()) return empty("故障・警戒と判定されたディスクはありません。");
    body_ += "<table id=\"disk-table\"><thead><tr><th>PC</th><th class=\"num\">ディスクNo.</th><th>モデル</th>"
             "<th>シリアル番号</th><th class=\"num\">容量MB</th><th>状態</th><th class=\"num\">故障数</th>"
             "<th class=\"num\">警告数</th><th class=\"num\">再配置セクタ</th><th class=\"num\">温度℃</th>"
             "<th>最新の記録</th></tr></thead><tbody>\n";
    for (const SqlRow& r : rows) {
      const std::string state = cell(r, 5);
      body_ += "<tr>" + td(cell(r, 0)) + td(cell(r, 1), "num") + td(cell(r, 2)) + td(cell(r, 3)) +
               td(cell(r, 4), "num") + "<td><span class=\"badge " + (state == "故障" ? "fail" : "warn") + "\">" +
               HtmlText(state) + "</span></td>" + td(cell(r, 6), "num") + td(cell(r, 7), "num") +
               td(cell(r, 8), "num") + td(cell(r, 9), "num") + td(cell(r, 10)) + "</tr>\n";
    }
    body_ += "</tbody></table>\n<div class=\"charts\">\n";
    int n = 0;
    for (const SqlRow& r : rows) {
      std::vector<SqlRow> history;
      if (!query("SELECT date_time, temperature, reallocated_sectors FROM disk_history WHERE pc = ? AND "
                 "drive_num = ? AND serial_number = ? ORDER BY date_time",
                 {r[0], r[1], r[3]}, history))
        return false;
      std::vector<HistoryPoint> points;
      for (const SqlRow& h : history)
        if (const auto day = dayValue(cell(h, 0))) points.push_back({*day, number(h, 1), number(h, 2)});
      const std::string state = cell(r, 5);
      const std::string id = "d" + std::to_string(++n) + "-";
      body_ += "<figure class=\"disk\"><figcaption><span class=\"badge " + std::string(state == "故障" ? "fail" : "warn") +
               "\">" + HtmlText(state) + "</span> " + HtmlText(cell(r, 0)) + " ディスク" + HtmlText(cell(r, 1)) +
               "（" + HtmlText(cell(r, 2)) + "）</figcaption>\n" + historyChart(points, true, id + "r") +
               historyChart(points, false, id + "t") + "</figure>\n";
    }
    body_ += "</div>\n";
    return true;
  }

  bool editions() {
    std::vector<SqlRow> rows;
    if (!query("SELECT COALESCE(WindowsProductName, ''), COUNT(*) FROM latest_snapshot GROUP BY "
               "COALESCE(WindowsProductName, '') ORDER BY COUNT(*) DESC, COALESCE(WindowsProductName, '')",
               {}, rows))
      return false;
    body_ += section("editions", "Windows のエディション", "最新の記録の「Windows製品名」ごとの PC の台数です。");
    if (rows.empty()) return empty("記録のある PC はありません。");
    body_ += "<table id=\"edition-table\"><thead><tr><th>Windows製品名</th><th class=\"num\">台数</th></tr></thead>"
             "<tbody>\n";
    for (const SqlRow& r : rows) {
      const std::string name = recordValue(cell(r, 0));
      body_ += "<tr>" + (name.empty() ? std::string("<td class=\"none\">（記録なし）</td>") : td(name)) +
               td(cell(r, 1), "num") + "</tr>\n";
    }
    body_ += "</tbody></table>\n";
    return true;
  }

  // A pattern version is a number of the product's own, with no date in it, and the scan time
  // (row 81) is when a scan last ran, not when the patterns were updated: neither dates the
  // patterns. What the records do show is since when a PC has held the same pattern: each
  // snapshot holding it proves the pattern was there at that snapshot's DateTime. So a pattern's
  // age is at least the time since the earliest snapshot of the PC's latest unbroken run of that
  // PatternVer, and a PC is listed when that is more than 30 days. With one snapshot it is the
  // age of the record itself. A PC whose latest record holds no pattern version at all (no
  // antivirus found, or one that could not be read) is listed apart.
  bool antivirus() {
    const std::string since =
        "(SELECT MIN(s.date_time) FROM snapshot s WHERE s.stem = l.stem AND s.PatternVer = l.PatternVer AND "
        "s.date_time <= l.date_time AND NOT EXISTS (SELECT 1 FROM snapshot o WHERE o.stem = l.stem AND "
        "o.date_time > s.date_time AND o.date_time < l.date_time AND (o.PatternVer IS NULL OR o.PatternVer <> "
        "l.PatternVer)))";
    std::vector<SqlRow> rows;
    if (!query("SELECT t.stem, t.ComputerName, t.McAfeeVer, t.PatternVer, t.ScanDateTime, t.since, " +
                   AgeInDaysSql(db_.dialect(), "t.since") +
                   " FROM (SELECT l.stem, l.ComputerName, l.McAfeeVer, l.PatternVer, l.ScanDateTime, " + since +
                   " AS since FROM latest_snapshot l WHERE l.PatternVer IS NOT NULL AND l.PatternVer <> '') t",
               {}, rows))
      return false;
    std::vector<std::pair<double, const SqlRow*>> stale;
    for (const SqlRow& r : rows) {
      const auto age = number(r, 6);
      // a snapshot date that is not a date cannot show the pattern is recent
      if (!age || *age > kStalePatternDays) stale.push_back({age ? *age : HUGE_VAL, &r});
    }
    std::stable_sort(stale.begin(), stale.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    stalePatterns_ = stale.size();
    std::vector<SqlRow> missing;
    if (!query("SELECT stem, ComputerName, McAfeeVer, date_time FROM latest_snapshot WHERE PatternVer IS NULL OR "
               "PatternVer = '' ORDER BY stem",
               {}, missing))
      return false;
    noPattern_ = missing.size();

    body_ += section("antivirus", "ウイルス対策パターンが " + std::to_string(kStalePatternDays) + " 日より古い PC",
                     "パターンVer にはパターンの日付がないため、同じパターンVer が記録され続けている最初の検査日時"
                     "から数えています（パターンはそれより前に入ったもので、実際にはこれ以上古いことがあります）。");
    if (stale.empty()) {
      body_ += "<p class=\"empty\">" + std::to_string(kStalePatternDays) + " 日より古いパターンの PC はありません。</p>\n";
    } else {
      body_ += "<table id=\"pattern-table\"><thead><tr><th>記録ファイル</th><th>コンピュータ名</th><th>ウイルス対策</th>"
               "<th>パターンVer</th><th>このパターンの最初の記録</th><th class=\"num\">経過日数</th>"
               "<th>最終スキャン</th></tr></thead><tbody>\n";
      for (const auto& [age, r] : stale)
        body_ += "<tr>" + td(cell(*r, 0)) + td(recordValue(cell(*r, 1))) + td(recordValue(cell(*r, 2))) +
                 td(recordValue(cell(*r, 3))) + td(cell(*r, 5)) + td(daysText(number(*r, 6)), "num") +
                 td(recordValue(cell(*r, 4))) + "</tr>\n";
      body_ += "</tbody></table>\n";
    }
    if (!missing.empty()) {
      body_ += "<h3>パターンVer が記録されていない PC</h3>\n<p class=\"note\">ウイルス対策ソフトが見つからなかったか、"
               "パターンを読めなかった PC です。</p>\n<table id=\"no-pattern-table\"><thead><tr><th>記録ファイル</th>"
               "<th>コンピュータ名</th><th>ウイルス対策</th><th>検査日時</th></tr></thead><tbody>\n";
      for (const SqlRow& r : missing) {
        const std::string product = recordValue(cell(r, 2));
        body_ += "<tr>" + td(cell(r, 0)) + td(recordValue(cell(r, 1))) +
                 (product.empty() ? std::string("<td class=\"none\">（なし）</td>") : td(product)) + td(cell(r, 3)) +
                 "</tr>\n";
      }
      body_ += "</tbody></table>\n";
    }
    return true;
  }

  bool programs() {
    std::vector<SqlRow> rows;
    if (!query("SELECT name, pcs FROM program_count ORDER BY pcs DESC, name LIMIT " + std::to_string(kTopPrograms), {},
               rows))
      return false;
    body_ += section("programs", "よく使われているプログラム（上位 " + std::to_string(kTopPrograms) + "）",
                     "最新の記録でインストールされているプログラムを、入っている PC の台数の多い順に並べています。");
    if (rows.empty()) return empty("プログラムの記録はありません。");
    body_ += "<table id=\"program-table\"><thead><tr><th class=\"num\">順位</th><th>プログラム</th>"
             "<th class=\"num\">PC 台数</th></tr></thead><tbody>\n";
    int rank = 0;
    for (const SqlRow& r : rows)
      body_ += "<tr>" + td(std::to_string(++rank), "num") + td(cell(r, 0), "wrap") + td(cell(r, 1), "num") + "</tr>\n";
    body_ += "</tbody></table>\n";
    return true;
  }

  bool now(std::string& text) {
    std::vector<SqlRow> rows;
    if (!query(db_.dialect() == SqlDialect::Sqlite ? "SELECT strftime('%Y/%m/%d %H:%M', 'now', 'localtime')"
                                                   : "SELECT to_char(LOCALTIMESTAMP, 'YYYY/MM/DD HH24:MI')",
               {}, rows))
      return false;
    text = rows.empty() ? std::string() : cell(rows[0], 0);
    return true;
  }

  std::string page(const std::string& source, const std::string& made) const {
    std::string summary = "<div class=\"summary\">" + card("PC", pcRows_.size(), "台", 0) +
                          card("記録が " + std::to_string(kStaleRecordDays) + " 日より古い PC", staleRecords_, "台", 1) +
                          card("故障・警戒のディスク", failingDisks_, "台", 2) +
                          card("パターンが古い PC", stalePatterns_, "台", 1) +
                          card("パターンの記録がない PC", noPattern_, "台", 1) + "</div>\n";
    return "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>PC 一覧ページ</title>\n<style>\n" + std::string(kStyle) + "</style>\n</head>\n<body>\n"
           "<header><h1>PC 一覧ページ</h1><p class=\"meta\">作成日時 " + HtmlText(made) + "　／　元の記録 " +
           HtmlText(source) + "</p>\n<nav><a href=\"#pcs\">PC と記録の古さ</a><a href=\"#disks\">故障・警戒のディスク"
           "</a><a href=\"#editions\">Windows のエディション</a><a href=\"#antivirus\">ウイルス対策パターン</a>"
           "<a href=\"#programs\">よく使われているプログラム</a></nav></header>\n<main>\n" + summary + body_ +
           "</section>\n</main>\n</body>\n</html>\n";
  }

 private:
  static constexpr const char* kStyle =
      "body{margin:0;font-family:\"Noto Sans CJK JP\",\"Noto Sans JP\",\"Yu Gothic UI\",\"Meiryo\",sans-serif;"
      "font-size:15px;line-height:1.6;color:#222;background:#f4f5f7}\n"
      "header{background:#24466e;color:#fff;padding:14px 28px 10px}\n"
      "h1{margin:0;font-size:24px}\n.meta{margin:2px 0 8px;font-size:13px;color:#d8e2ee}\n"
      "nav a{color:#fff;margin-right:18px;font-size:14px}\n"
      "main{padding:8px 28px 40px;max-width:1400px}\n"
      "section{background:#fff;border:1px solid #d5d9e0;border-radius:6px;padding:10px 20px 16px;margin:18px 0;"
      "overflow-x:auto}\n"
      "h2{font-size:19px;margin:4px 0;border-left:6px solid #24466e;padding-left:10px}\n"
      "h3{font-size:16px;margin:18px 0 2px}\n.note{margin:2px 0 10px;color:#555;font-size:13px}\n"
      "table{border-collapse:collapse;min-width:50%}\n"
      "th,td{border:1px solid #cfd4db;padding:4px 10px;text-align:left;vertical-align:top;white-space:nowrap}\n"
      "td.wrap{white-space:normal}\n"
      "th{background:#e8edf3;font-weight:bold;white-space:nowrap}\n"
      "tbody tr:nth-child(even){background:#f7f9fb}\n"
      "td.num,th.num{text-align:right;white-space:nowrap}\n"
      "tr.stale td{background:#fff3cd}\ntd.none{color:#888}\n"
      ".badge{display:inline-block;padding:0 8px;border-radius:4px;font-weight:bold;color:#fff}\n"
      ".badge.fail{background:#c62828}\n.badge.warn{background:#e08e00}\n"
      ".charts{display:flex;flex-wrap:wrap;gap:14px;margin-top:14px}\n"
      "figure.disk{margin:0;border:1px solid #d5d9e0;border-radius:6px;padding:8px;background:#fff}\n"
      "figure.disk figcaption{font-weight:bold;margin-bottom:4px}\nfigure.disk svg{margin-right:6px}\n"
      ".nochart{display:inline-block;width:280px;color:#888;font-size:13px}\n"
      ".empty{font-weight:bold}\n"
      ".summary{display:flex;flex-wrap:wrap;gap:12px;margin-top:16px}\n"
      ".card{background:#fff;border:1px solid #d5d9e0;border-radius:6px;padding:8px 16px;min-width:150px}\n"
      ".card .label{font-size:13px;color:#555}\n.card .value{font-size:26px;font-weight:bold}\n"
      ".card.alert .value{color:#c62828}\n.card.caution .value{color:#b26a00}\n";

  // level: 0 plain, 1 caution when not zero, 2 alert when not zero
  static std::string card(const std::string& label, std::size_t n, const char* unit, int level) {
    const char* cls = n == 0 || level == 0 ? "card" : level == 2 ? "card alert" : "card caution";
    return std::string("<div class=\"") + cls + "\"><div class=\"label\">" + HtmlText(label) +
           "</div><div class=\"value\">" + std::to_string(n) + " <small>" + unit + "</small></div></div>";
  }

  std::string section(const char* id, const std::string& title, const std::string& note) {
    std::string s = first_ ? "" : "</section>\n";
    first_ = false;
    return s + "<section id=\"" + id + "\">\n<h2>" + HtmlText(title) + "</h2>\n<p class=\"note\">" + HtmlText(note) +
           "</p>\n";
  }

  bool empty(const std::string& text) {
    body_ += "<p class=\"empty\">" + HtmlText(text) + "</p>\n";
    return true;
  }

  SqlDatabase& db_;
  std::string& why_;
  std::string body_;
  bool first_ = true;
  std::vector<SqlRow> pcRows_;
  std::size_t staleRecords_ = 0, failingDisks_ = 0, stalePatterns_ = 0, noPattern_ = 0;
};

// One reading of the database for the whole page: a load that commits meanwhile is either all on
// it or not at all. Read-only, so a report never holds up a load's write lock.
bool beginReading(SqlDatabase& db, std::string& why) {
  return db.exec(db.dialect() == SqlDialect::Sqlite ? "BEGIN" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {},
                 why);
}

}  // namespace

std::string HtmlText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t cp = len == 1 ? b : len ? b & (0x7F >> len) : 0;
    bool ok = len > 0 && i + static_cast<std::size_t>(len) <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      ok = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    // overlong forms, surrogates and values past U+10FFFF are not characters either
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && cp >= kLeast[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!ok) {
      appendUtf8(out, 0xFFFD);
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(len);
    switch (cp) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        if ((cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || cp == 0x7F || (cp >= 0x80 && cp < 0xA0))
          appendUtf8(out, 0xFFFD);
        else
          appendUtf8(out, cp);
    }
  }
  return out;
}

bool BuildFleetReport(SqlDatabase& db, const std::string& source, std::string& html, std::string& why) {
  if (!beginReading(db, why)) return false;
  Report report(db, why);
  std::string made;
  const bool ok = report.checkSchema() && report.now(made) && report.pcs() && report.disks() && report.editions() &&
                  report.antivirus() && report.programs();
  db.rollback();  // nothing was written
  if (!ok) return false;
  html = report.page(source, made);
  return true;
}

bool WriteFleetReport(SqlDatabase& db, const std::string& source, const std::string& htmlPath, std::string& why) {
  std::string html;
  if (!BuildFleetReport(db, source, html, why)) return false;
  std::string reason;
  if (writeFileAtomic(htmlPath, html, &reason)) return true;
  why = htmlPath + " に書き込めません（" + (reason.empty() ? std::string("理由不明") : reason) + "）";
  return false;
}

}  // namespace mrv
