// The fleet page as a browser shows it: the built program writes it from a record folder made of
// the test data (and from a database loaded over three saves of one PC), headless Chromium loads
// it, and the tables are read back from the DOM Chromium prints. Every expectation comes from the
// data files, read by the catalogue's row numbers. Starts programs as child processes: Linux only.
#ifdef __linux__
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <map>

#include "base/Text.h"
#include "fleet/InventoryDatabase.h"
#include "platform/Encoding.h"
#include "platform/SqlDatabase.h"
#include "records/ItemCatalogue.h"
#include "support/ChildProcess.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using mrv::test::runChild;

namespace {

const fs::path kData = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data";
const std::vector<std::string> kNoDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

using Lines = std::vector<std::string>;
using Table = std::vector<Lines>;

Lines recordLines(const fs::path& file) { return mrv::splitLines(mrv::ansiToUtf8(testsupport::slurpFile(file))); }

std::string& row(Lines& lines, const char* key) { return lines.at(static_cast<std::size_t>(mrv::cataloguePos(key) - 1)); }
const std::string& row(const Lines& lines, const char* key) {
  return lines.at(static_cast<std::size_t>(mrv::cataloguePos(key) - 1));
}

void writeRecord(const fs::path& file, const Lines& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  std::ofstream(file, std::ios::binary) << mrv::utf8ToAnsi(text);
}

// The programs of a record written without a definition file: the rows after the standard ones up
// to the first empty row.
Lines programsOf(const Lines& lines) {
  Lines programs;
  for (std::size_t i = mrv::kStandardRows; i < lines.size() && !lines[i].empty(); ++i) programs.push_back(lines[i]);
  return programs;
}

// This machine's local time `days` ago, as a record's DateTime.
std::string localDaysAgo(int days) {
  const std::time_t t = std::time(nullptr) - static_cast<std::time_t>(days) * 86400;
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S", &tm);
  return buf;
}

// Whole days from a "yyyy/mm/dd hh:mm:ss" local time to now.
std::string daysSince(const std::string& when) {
  std::tm tm{};
  tm.tm_isdst = -1;
  if (!strptime(when.c_str(), "%Y/%m/%d %H:%M:%S", &tm)) return "?";
  const double seconds = std::difftime(std::time(nullptr), std::mktime(&tm));
  return std::to_string(static_cast<long long>(std::trunc(seconds / 86400)));
}

std::string decodeEntities(std::string s) {
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}, {"&amp;", "&"}})
    s = mrv::replaceAll(s, from, to);
  return s;
}

std::string withoutTags(const std::string& html) {
  std::string out;
  bool inTag = false;
  for (char c : html) {
    if (c == '<') inTag = true;
    else if (c == '>') inTag = false;
    else if (!inTag) out += c;
  }
  return decodeEntities(out);
}

// What the DOM holds between an element's start tag (found by its id) and its end tag.
std::string elementById(const std::string& dom, const std::string& id, const std::string& tag) {
  const std::size_t at = dom.find("id=\"" + id + "\"");
  if (at == std::string::npos) return {};
  const std::size_t start = dom.find('>', at);
  const std::size_t end = dom.find("</" + tag + ">", start);
  return end == std::string::npos ? std::string() : dom.substr(start + 1, end - start - 1);
}

// The body rows of a table, each cell as its serialised inner HTML.
Table bodyCells(const std::string& dom, const std::string& tableId) {
  const std::string table = elementById(dom, tableId, "table");
  const std::size_t body = table.find("<tbody>");
  Table rows;
  if (body == std::string::npos) return rows;
  for (std::size_t tr = table.find("<tr", body); tr != std::string::npos; tr = table.find("<tr", tr + 1)) {
    const std::size_t trEnd = table.find("</tr>", tr);
    Lines cells;
    for (std::size_t td = table.find("<td", tr); td != std::string::npos && td < trEnd; td = table.find("<td", td + 1)) {
      const std::size_t open = table.find('>', td) + 1;
      cells.push_back(table.substr(open, table.find("</td>", open) - open));
    }
    rows.push_back(cells);
  }
  return rows;
}

Table bodyTexts(const std::string& dom, const std::string& tableId) {
  Table rows = bodyCells(dom, tableId);
  for (Lines& r : rows)
    for (std::string& c : r) c = withoutTags(c);
  return rows;
}

struct Browser {
  mrv::test::TempFolder profile;
  // Chromium's serialised DOM of a page; the test fails when it cannot be had.
  std::string dumpDom(const std::string& page) { return run({"--dump-dom", "file://" + page}).out; }
  void screenshot(const std::string& page, const std::string& png) {
    run({"--screenshot=" + png, "--window-size=1200,1600", "file://" + page});
  }
  mrv::test::ChildResult run(const std::vector<std::string>& what) {
    std::vector<std::string> argv{"chromium", "--headless", "--no-sandbox", "--disable-gpu",
                                  "--user-data-dir=" + profile.path.string()};
    argv.insert(argv.end(), what.begin(), what.end());
    const mrv::test::ChildResult r = runChild(argv, profile.path.string(), 120);
    EXPECT_TRUE(r.started) << "Chromium cannot be started (chromium is not on the PATH): install it with "
                              "`bash scripts/setup.sh --tests` as root";
    EXPECT_FALSE(r.timedOut) << "Chromium did not finish within two minutes";
    EXPECT_EQ(r.status, 0) << "Chromium failed: " << r.err;
    return r;
  }
};

class FleetReport : public ::testing::Test {
 protected:
  mrv::test::TempFolder tmp;
  fs::path folder, db, page;
  Lines keiri, soumu, win98, history;
  const std::string kMarkup = "KEIRI-PC08 <b>&\"'</b>";
  const std::string kScriptProgram = "<script>document.title=\"x\"</script> & \"Tool's\" 1.0";

  void SetUp() override {
    folder = tmp.path / "records";
    db = tmp.path / "fleet.db";
    page = tmp.path / "fleet.html";
    fs::create_directories(folder / "hdd");
    keiri = recordLines(kData / "e2e" / "keiri-pc07.expected.csv");
    soumu = recordLines(kData / "recorded" / "office-pc-2006.expected.csv");
    win98 = recordLines(kData / "recorded" / "win98-pc.expected.csv");
    writeRecord(folder / "SOUMU-PC07.csv", soumu);
    writeRecord(folder / "KEIRI-02.csv", win98);

    // a second office PC like KEIRI-PC07: a name with markup in it, three of its programs and one more
    Lines pc08(keiri.begin(), keiri.begin() + mrv::kStandardRows);
    row(pc08, "ComputerName") = kMarkup;
    row(pc08, "DateTime") = localDaysAgo(1);
    row(pc08, "McAfeeVer") = "'8.5.0i";
    row(pc08, "PatternVer") = "5300.0000";
    const Lines programs = programsOf(keiri);
    pc08.insert(pc08.end(), programs.begin(), programs.begin() + 3);
    pc08.push_back(kScriptProgram);
    pc08.push_back("");
    writeRecord(folder / "KEIRI-PC08.csv", pc08);

    const fs::path drives = kData / "drives" / "pc-degrading";
    fs::copy_file(drives / "expected-history.csv", folder / "hdd" / "KEIRI-PC03.csv");
    history = recordLines(drives / "expected-history.csv");
    // the same disk's first three weeks as another PC's history: it had only warned by then
    writeRecord(folder / "hdd" / "SOUMU-PC07.csv", Lines(history.begin(), history.begin() + 5));
    for (const char* log : {"hddfail", "failed", "fail_plus_warning"})
      fs::copy_file(drives / ("expected_" + std::string(log) + ".txt"), folder / "hdd" / ("_" + std::string(log) + ".txt"));
  }

  // KEIRI-PC07's record saved `daysAgo` days ago with an antivirus pattern.
  Lines keiriSaved(int daysAgo, const std::string& pattern) {
    Lines l = keiri;
    row(l, "DateTime") = localDaysAgo(daysAgo);
    row(l, "McAfeeVer") = "'8.5.0i";
    row(l, "PatternVer") = pattern;
    row(l, "ScanDateTime") = localDaysAgo(daysAgo + 1);
    return l;
  }

  mrv::test::ChildResult mervana(std::vector<std::string> args) {
    args.insert(args.begin(), MERVANA_BINARY);
    return runChild(args, tmp.path.string(), 120, kNoDisplay);
  }

  // The disk rows the history file's latest line gives a PC: drive, model, serial, state, fail
  // count, warning count, reallocated sectors, temperature, date-time. The drives' segments start
  // at the English header's DriveNum cells.
  Table diskRows(const std::string& pc, const Lines& data) {
    const Lines header = mrv::split(data[0], ',');
    const Lines last = mrv::split(data.back(), ',');
    Table rows;
    for (std::size_t c = 0; c < header.size(); ++c) {
      if (header[c] != "DriveNum") continue;
      const std::string& fail = last[c + 8];
      const std::string& warn = last[c + 9];
      const std::string state = fail != "0" ? "故障" : warn != "0" ? "警戒" : "";
      if (state.empty()) continue;
      rows.push_back({pc, last[c], last[c + 2], last[c + 3], last[c + 1], state, fail, warn, last[c + 7], last[c + 4],
                      last[0]});
    }
    return rows;
  }
};

TEST_F(FleetReport, ABrowserShowsTheFleetOfADatabaseLoadedOverThreeSaves) {
  // KEIRI-PC07 saved 60 days ago, 40 days ago with a new pattern, and 2 days ago with that pattern still
  const std::vector<Lines> saves{keiriSaved(60, "5100.0000"), keiriSaved(40, "5200.0000"), keiriSaved(2, "5200.0000")};
  for (const Lines& save : saves) {
    writeRecord(folder / "KEIRI-PC07.csv", save);
    const auto loaded = mervana({"--aggregate", folder.string(), "--db", db.string()});
    ASSERT_EQ(loaded.status, 0) << loaded.err;
  }
  const auto r = mervana({"--report", db.string(), "--html", page.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string html = testsupport::slurpFile(page);
  EXPECT_NE(html.find("<html lang=\"ja\">"), std::string::npos);
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  for (const char* fetch : {"<script", "<link", "src=", "@import", "url(http"})
    EXPECT_EQ(html.find(fetch), std::string::npos) << fetch;

  Browser browser;
  const std::string dom = browser.dumpDom(page.string());
  ASSERT_FALSE(dom.empty());
  EXPECT_NE(dom.find("<title>PC 一覧ページ</title>"), std::string::npos) << "a record's markup ran as script";

  // the PCs, oldest record first (the two recorded PCs share their DateTime: by file name)
  const Lines& keiriLatest = saves.back();
  const Lines pc08 = recordLines(folder / "KEIRI-PC08.csv");
  Table expected{{"KEIRI-02", row(win98, "ComputerName"), row(win98, "DateTime"), daysSince(row(win98, "DateTime"))},
                 {"SOUMU-PC07", row(soumu, "ComputerName"), row(soumu, "DateTime"), daysSince(row(soumu, "DateTime"))},
                 {"KEIRI-PC07", row(keiriLatest, "ComputerName"), row(keiriLatest, "DateTime"), "2"},
                 {"KEIRI-PC08", kMarkup, row(pc08, "DateTime"), "1"}};
  EXPECT_EQ(bodyTexts(dom, "pc-table"), expected);
  // the name with markup is text in its cell, not elements
  const Table cells = bodyCells(dom, "pc-table");
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[3][1].find('<'), std::string::npos) << cells[3][1];

  // the disks whose latest history line failed or warned, failing first, each with its charts
  Table disks = diskRows("KEIRI-PC03", history);
  const Table warned = diskRows("SOUMU-PC07", Lines(history.begin(), history.begin() + 5));
  disks.insert(disks.end(), warned.begin(), warned.end());
  ASSERT_EQ(disks.size(), 2u) << "the degrading disk's history should fail at its end and warn before";
  EXPECT_EQ(bodyTexts(dom, "disk-table"), disks);
  const std::string diskSection = elementById(dom, "disks", "section");
  std::size_t svgs = 0;
  for (std::size_t at = diskSection.find("<svg"); at != std::string::npos; at = diskSection.find("<svg", at + 1)) ++svgs;
  EXPECT_EQ(svgs, 4u) << "two charts (reallocated sectors, temperature) per disk";
  // the failing disk's reallocated-sector chart: one point per history line, never falling (y grows downwards)
  const std::size_t line = diskSection.find("<polyline points=\"");
  ASSERT_NE(line, std::string::npos);
  const std::string points = diskSection.substr(line + 18, diskSection.find('"', line + 18) - line - 18);
  const Lines pairs = mrv::split(points, ' ');
  EXPECT_EQ(pairs.size(), history.size() - 2) << points;
  for (std::size_t i = 1; i < pairs.size(); ++i)
    EXPECT_LE(std::stod(mrv::split(pairs[i], ',')[1]), std::stod(mrv::split(pairs[i - 1], ',')[1])) << points;

  // the Windows editions of the latest records, most PCs first
  std::map<std::string, int> editions;
  for (const Lines* rec : std::vector<const Lines*>{&keiriLatest, &pc08, &soumu, &win98}) ++editions[row(*rec, "WindowsProductName")];
  Table byCount;
  for (const auto& [name, n] : editions) byCount.push_back({name, std::to_string(n)});
  std::stable_sort(byCount.begin(), byCount.end(), [](const Lines& a, const Lines& b) { return std::stoi(a[1]) > std::stoi(b[1]); });
  EXPECT_EQ(bodyTexts(dom, "edition-table"), byCount);

  // KEIRI-PC07 has held its pattern since the save 40 days ago; KEIRI-PC08's is a day old; the
  // recorded PCs hold none
  EXPECT_EQ(bodyTexts(dom, "pattern-table"),
            (Table{{"KEIRI-PC07", row(keiriLatest, "ComputerName"), "8.5.0i", "5200.0000", row(saves[1], "DateTime"), "40",
                    row(keiriLatest, "ScanDateTime")}}));
  EXPECT_EQ(bodyTexts(dom, "no-pattern-table"),
            (Table{{"KEIRI-02", row(win98, "ComputerName"), "（なし）", row(win98, "DateTime")},
                   {"SOUMU-PC07", row(soumu, "ComputerName"), "（なし）", row(soumu, "DateTime")}}));

  // the programs by number of PCs: KEIRI-PC08 has three of KEIRI-PC07's and one of its own
  std::map<std::string, int> counts;
  for (const Lines* rec : std::vector<const Lines*>{&keiriLatest, &pc08})
    for (const std::string& p : programsOf(*rec)) ++counts[p];
  Table programs;
  for (const auto& [name, n] : counts) programs.push_back({"", name, std::to_string(n)});
  std::stable_sort(programs.begin(), programs.end(), [](const Lines& a, const Lines& b) { return std::stoi(a[2]) > std::stoi(b[2]); });
  for (std::size_t i = 0; i < programs.size(); ++i) programs[i][0] = std::to_string(i + 1);
  EXPECT_EQ(bodyTexts(dom, "program-table"), programs);

  // a picture of the page (the file a person looks at)
  const fs::path png = tmp.path / "fleet.png";
  browser.screenshot(page.string(), png.string());
  const std::string shot = testsupport::slurpFile(png);
  ASSERT_GT(shot.size(), 1000u) << "no screenshot";
  EXPECT_EQ(shot.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  if (const char* keep = std::getenv("MERVANA_KEEP_SCREENSHOT")) fs::copy_file(png, keep, fs::copy_options::overwrite_existing);
}

TEST_F(FleetReport, AFolderIsReportedFromItsLatestRecordsAlone) {
  const Lines saved = keiriSaved(45, "5200.0000");
  writeRecord(folder / "KEIRI-PC07.csv", saved);
  const auto r = mervana({"--report", folder.string(), "--html", page.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "一覧ページを作成しました：" + page.string() + "\n");
  EXPECT_FALSE(fs::exists(folder / "mervana.csv")) << "the report writes nothing into the record folder";
  Browser browser;
  const std::string dom = browser.dumpDom(page.string());
  const Table pcs = bodyTexts(dom, "pc-table");
  ASSERT_EQ(pcs.size(), 4u);
  EXPECT_EQ(pcs[2], (Lines{"KEIRI-PC07", row(saved, "ComputerName"), row(saved, "DateTime"), "45"}));
  // one save 45 days ago is all the folder shows of its pattern
  const Table stale = bodyTexts(dom, "pattern-table");
  ASSERT_EQ(stale.size(), 1u);
  EXPECT_EQ(stale[0][5], "45");
}

TEST_F(FleetReport, APatternHeldAgainAfterAnotherCountsFromItsReturn) {
  // pattern A 80 days ago, B 60 days ago, A again 35 days ago: A has been held since 35 days, not 80
  const std::vector<Lines> saves{keiriSaved(80, "5100.0000"), keiriSaved(60, "5200.0000"), keiriSaved(35, "5100.0000")};
  for (const Lines& save : saves) {
    writeRecord(folder / "KEIRI-PC07.csv", save);
    const auto loaded = mervana({"--aggregate", folder.string(), "--db", db.string()});
    ASSERT_EQ(loaded.status, 0) << loaded.err;
  }
  const auto r = mervana({"--report", db.string(), "--html", page.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  Browser browser;
  const std::string dom = browser.dumpDom(page.string());
  EXPECT_EQ(bodyTexts(dom, "pattern-table"),
            (Table{{"KEIRI-PC07", row(saves[2], "ComputerName"), "8.5.0i", "5100.0000", row(saves[2], "DateTime"), "35",
                    row(saves[2], "ScanDateTime")}}));
}

TEST_F(FleetReport, AFailureSaysWhyAndLeavesTheOldPageWhole) {
  std::ofstream(page, std::ios::binary) << "old page";
  // a record that is not Shift-JIS: the folder cannot be loaded
  std::ofstream(folder / "BROKEN.csv", std::ios::binary) << std::string("\x82\xff\r\n", 4);
  auto r = mervana({"--report", folder.string(), "--html", page.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mrv::startsWith(r.err, "mervana: ")) << r.err;
  EXPECT_EQ(testsupport::slurpFile(page), "old page");
  fs::remove(folder / "BROKEN.csv");

  // a target where there is nothing is not made into an empty database
  const fs::path missing = tmp.path / "missing.db";
  r = mervana({"--report", missing.string(), "--html", page.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mrv::startsWith(r.err, "mervana: ")) << r.err;
  EXPECT_FALSE(fs::exists(missing));

  // a database of a newer version than the program knows is refused
  ASSERT_EQ(mervana({"--aggregate", folder.string(), "--db", db.string()}).status, 0);
  {
    std::string why;
    auto sql = mrv::openSqlDatabase(db.string(), why);
    ASSERT_TRUE(sql) << why;
    ASSERT_TRUE(sql->exec("UPDATE schema_version SET version = ?", {std::to_string(mrv::kInventorySchemaVersion + 1)}, why))
        << why;
  }
  r = mervana({"--report", db.string(), "--html", page.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("新しい"), std::string::npos) << r.err;
  EXPECT_EQ(testsupport::slurpFile(page), "old page");

  // a file that is no database, and a page that cannot be written
  const fs::path text = tmp.path / "notes.txt";
  std::ofstream(text) << "not a database, but long enough to be looked at by SQLite as one";
  EXPECT_EQ(mervana({"--report", text.string(), "--html", page.string()}).status, 1);
  r = mervana({"--report", folder.string(), "--html", (tmp.path / "no-such-folder" / "p.html").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(mrv::startsWith(r.err, "mervana: ")) << r.err;

  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"--report"}, {"--report", folder.string()}, {"--report", "--html", page.string()},
           {"--report", folder.string(), "--html"}, {"--report", folder.string(), "extra", "--html", page.string()}})
    EXPECT_EQ(mervana(wrong).status, 2) << wrong.size();
}

}  // namespace
#endif
