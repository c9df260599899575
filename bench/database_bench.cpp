// The inventory database's load and its views, against the sqlite3 shell importing the same data.
//
//   database_bench [--postgres URL] [--rounds N] [--keep] [folder]
//
// Generates 10,000 record files (Shift-JIS, CR LF: the standard block, five custom rows, the
// section marker, the installed-programs block with 60 programs, 20 patches) with an item list,
// and a disk history of ten saves for each PC, then per round:
//   load      LoadInventoryDatabase of the whole folder into a new SQLite file;
//   import    `sqlite3 FILE` importing the same rows as flat CSV files (.import --csv), the peer;
//   again     a second load after 100 new records were saved;
//   latest    the latest_snapshot view read whole, over 10,000 PCs with 20 snapshots each (the
//             extra snapshots are copied in SQL, so no 200,000 files are written).
// With --postgres, the load, the second load and the view are measured on that server as well
// (its schema is dropped first). The medians of the rounds (3 unless --rounds says more) are
// printed; the last line ("figures: name=value ...") is for scripts/bench.sh. --keep leaves the
// folder and the last round's databases (inventory.sqlite, flat.sqlite) for a look with sqlite3.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "fleet/InventoryDatabase.h"
#include "platform/Encoding.h"
#include "platform/SqlDatabase.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPcs = 10000;
constexpr int kSavesPerHistory = 10;
constexpr int kSnapshotsPerPc = 20;

std::string stemOf(int pc) { return "PC" + std::to_string(10000 + pc) + "__SALES"; }

std::vector<std::string> recordLines(int pc) {
  std::vector<std::string> v{stemOf(pc) + ".csv", "Mervana Ver.0.1.0", "user" + std::to_string(pc), "user", "SALES", "",
                             "", "PC" + std::to_string(10000 + pc)};
  while (v.size() < 90) {
    switch (v.size() % 5) {
      case 0: v.push_back("Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz"); break;
      case 1: v.push_back("192.168.1." + std::to_string(pc % 250)); break;
      case 2: v.push_back("営業部 第" + std::to_string(pc % 9) + "課"); break;
      case 3: v.push_back("\"Windows 10 Pro, 22H2\""); break;
      default: v.push_back(std::to_string(8192 + pc % 7)); break;
    }
  }
  v[23] = "2026/11/" + std::to_string(10 + pc % 18) + " 08:" + std::to_string(10 + pc % 50) + ":00";
  v[34] = "AdminUser";
  for (int i = 0; i < 5; ++i) v.push_back("カスタム値" + std::to_string(i));
  v.push_back("/UninstallInfo");
  for (int i = 0; i < 100; ++i) v.push_back(i < 60 ? "Program " + std::to_string((i * 7 + pc) % 400) + " 日本語版 2.0" : "");
  for (int i = 0; i < 20; ++i) v.push_back("Security Update (KB" + std::to_string(5000000 + i) + ")");
  return v;
}

std::string join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

std::string historyText(int pc) {
  std::string h = "DateTime,DayOfWeek,DriveNum,CapacityMB,ModelNumber,SerialNumber,Temperature,TempWorst,TempLow,"
                  "ReallocSector,SmartFailTot,SmartWarnTot,PowerCycles,HoursRunning,\r\n";
  h += "日時,曜日,ディスクNo.,容量MB,モデルNo.,シリアルNo.,温度℃,最高温度,最低温度,再配置セクタ,故障数,警告数,"
       "電源サイクル,稼働時間,\r\n";
  for (int s = 0; s < kSavesPerHistory; ++s)
    h += "2026/10/" + std::to_string(10 + s) + " 08:00:00,2,0,476940,ST500DM002-1BD142,Z3T" + std::to_string(pc) +
         "," + std::to_string(30 + s) + ",45,20," + std::to_string(pc % 97 == 0 ? s : 0) + "," +
         (pc % 97 == 0 && s > 5 ? "1" : "0") + ",0,1200,15000,OK,100,100,6,0,\r\n";
  return mrv::utf8ToAnsi(h);
}

void generate(const fs::path& dir, int from, int to) {
  fs::create_directories(dir / "hdd");
  for (int pc = from; pc < to; ++pc) {
    std::ofstream(dir / (stemOf(pc) + ".csv"), std::ios::binary) << mrv::utf8ToAnsi(join(recordLines(pc)));
    std::ofstream(dir / "hdd" / (stemOf(pc) + ".csv"), std::ios::binary) << historyText(pc);
  }
}

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// The same rows as the load writes, as flat CSV files in UTF-8, and the sqlite3 script importing them.
void writeFlatCsv(const fs::path& dir) {
  std::ofstream snap(dir / "snapshot.csv", std::ios::binary), prog(dir / "program.csv", std::ios::binary),
      patch(dir / "patch.csv", std::ios::binary), custom(dir / "custom.csv", std::ios::binary),
      hist(dir / "history.csv", std::ios::binary);
  for (int pc = 0; pc < kPcs; ++pc) {
    const auto v = recordLines(pc);
    snap << pc + 1 << "," << stemOf(pc) << "," << v[23];
    for (int i = 0; i < 90; ++i)
      if (i != 6) snap << "," << csvField(v[static_cast<std::size_t>(i)]);
    snap << "\n";
    for (int i = 0; i < 6; ++i) custom << pc + 1 << "," << i + 1 << ",項目" << i + 1 << "," << csvField(v[90 + i]) << "\n";
    for (int i = 0; i < 60; ++i) prog << pc + 1 << "," << i + 1 << "," << csvField(v[96 + i]) << "\n";
    for (int i = 0; i < 20; ++i) patch << pc + 1 << "," << i + 1 << "," << csvField(v[196 + i]) << "\n";
    for (int s = 0; s < kSavesPerHistory; ++s)
      hist << stemOf(pc) << ",2026/10/" << 10 + s << " 08:00:00,0,476940,ST500DM002-1BD142,Z3T" << pc << "," << 30 + s
           << ",45,20,0,0,0,1200,15000,OK\n";
  }
  // plain tables of as many columns, so every line is a row (without one, .import takes the first
  // line for the names)
  std::string snapshotColumns = "id, stem, date_time";
  for (const std::string& k : mrv::SnapshotKeyColumns()) snapshotColumns += ", " + k;
  std::ofstream(dir / "import.sql")
      << "BEGIN;\nCREATE TABLE snapshot (" << snapshotColumns << ");\n"
      << "CREATE TABLE custom_row (snapshot_id, position, label, value);\n"
         "CREATE TABLE program (snapshot_id, position, name);\nCREATE TABLE patch (snapshot_id, position, name);\n"
         "CREATE TABLE disk_history (pc, date_time, drive_num, capacity_mb, model, serial_number, temperature, "
         "temperature_highest, temperature_lowest, reallocated_sectors, fail_count, warning_count, power_cycles, "
         "hours_running, state);\nCOMMIT;\n"
         ".mode csv\n.import snapshot.csv snapshot\n.import custom.csv custom_row\n"
         ".import program.csv program\n.import patch.csv patch\n.import history.csv disk_history\n";
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

struct Figures {
  double load = -1, again = -1, latest = -1;
};

// One round on one database: a whole load, 100 new records and a second load, then the view over
// 20 snapshots a PC. `fresh` empties the database first.
Figures measure(mrv::SqlDatabase& db, const fs::path& folder, const fs::path& extra, bool postgres) {
  Figures f;
  std::string why;
  if (postgres && !db.exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public", {}, why)) {
    std::cerr << "database_bench: " << why << "\n";
    return f;
  }
  auto t = std::chrono::steady_clock::now();
  mrv::DatabaseLoadOutcome out = mrv::LoadInventoryDatabase(folder.string(), db);
  f.load = seconds(t);
  if (!out.ok) {
    std::cerr << "database_bench: " << out.message << "\n";
    return {};
  }
  for (int pc = kPcs; pc < kPcs + 100; ++pc) {
    fs::copy_file(extra / (stemOf(pc) + ".csv"), folder / (stemOf(pc) + ".csv"), fs::copy_options::overwrite_existing);
    fs::copy_file(extra / "hdd" / (stemOf(pc) + ".csv"), folder / "hdd" / (stemOf(pc) + ".csv"),
                  fs::copy_options::overwrite_existing);
  }
  t = std::chrono::steady_clock::now();
  out = mrv::LoadInventoryDatabase(folder.string(), db);
  f.again = seconds(t);
  for (int pc = kPcs; pc < kPcs + 100; ++pc) {
    fs::remove(folder / (stemOf(pc) + ".csv"));
    fs::remove(folder / "hdd" / (stemOf(pc) + ".csv"));
  }
  // 19 more snapshots of each PC, copied in SQL, and the PCs' latest ones set as a load would
  std::string columns;
  for (const std::string& k : mrv::SnapshotKeyColumns()) columns += ", " + k;
  for (int n = 1; n < kSnapshotsPerPc; ++n) {
    const std::string offset = std::to_string(n * 1000000);
    if (!db.exec("INSERT INTO snapshot (id, stem, date_time" + columns + ") SELECT id + " + offset +
                     ", stem, '" + std::to_string(2026 - n) + "' || substr(date_time, 5)" + columns + " FROM snapshot WHERE id < 1000000",
                 {}, why)) {
      std::cerr << "database_bench: " << why << "\n";
      return {};
    }
  }
  // the view read as a report reads it: every cell of every row handed over, one row at a time
  t = std::chrono::steady_clock::now();
  std::size_t rows = 0, bytes = 0;
  const bool read = db.queryEach(
      "SELECT * FROM latest_snapshot", {},
      [&](const mrv::SqlCells& cells) {
        ++rows;
        for (const auto& c : cells) bytes += c ? c->size() : 0;
        return true;
      },
      why);
  f.latest = seconds(t);
  if (!read || rows != kPcs + 100 || bytes == 0) {
    std::cerr << "database_bench: the view gave " << rows << " rows " << why << "\n";
    return {};
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::string postgres;
  int rounds = 3;
  bool keep = false;
  fs::path base = fs::temp_directory_path() / "mervana-database-bench";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--postgres" && i + 1 < argc) postgres = argv[++i];
    else if (a == "--keep") keep = true;
    else if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    else base = a;
  }
  fs::remove_all(base);
  const fs::path folder = base / "records", extra = base / "extra";
  generate(folder, 0, kPcs);
  generate(extra, kPcs, kPcs + 100);
  writeFlatCsv(base);

  std::vector<double> load, import, again, latest, pgLoad, pgAgain, pgLatest;
  for (int r = 0; r < rounds; ++r) {
    const fs::path file = base / "inventory.sqlite";
    fs::remove(file);
    fs::remove(folder / "mervana.csv");
    std::string why;
    {
      auto db = mrv::openSqlDatabase(file.string(), why);
      if (!db) {
        std::cerr << "database_bench: " << why << "\n";
        return 1;
      }
      const Figures f = measure(*db, folder, extra, false);
      if (f.load < 0) return 1;
      load.push_back(f.load);
      again.push_back(f.again);
      latest.push_back(f.latest);
    }
    const fs::path flat = base / "flat.sqlite";
    fs::remove(flat);
    const auto t = std::chrono::steady_clock::now();
    const std::string cmd = "cd '" + base.string() + "' && sqlite3 flat.sqlite < import.sql";
    if (std::system(cmd.c_str()) != 0) {
      std::cerr << "database_bench: sqlite3 could not import the flat files\n";
      return 1;
    }
    import.push_back(seconds(t));
    if (!postgres.empty()) {
      auto db = mrv::openSqlDatabase(postgres, why);
      if (!db) {
        std::cerr << "database_bench: " << why << "\n";
        return 1;
      }
      const Figures f = measure(*db, folder, extra, true);
      if (f.load < 0) return 1;
      pgLoad.push_back(f.load);
      pgAgain.push_back(f.again);
      pgLatest.push_back(f.latest);
    }
    std::cerr << "round " << r + 1 << ": load " << load.back() << " s, import " << import.back() << " s, again "
              << again.back() << " s, latest " << latest.back() * 1000 << " ms\n";
  }
  std::cout << "10,000 records (+ histories) into SQLite: " << median(load) << " s (target <= 3 s)\n"
            << "sqlite3 .import of the same rows as CSV:  " << median(import) << " s (load / import "
            << median(load) / median(import) << ", target <= 2)\n"
            << "second load after 100 new records:        " << median(again) << " s (target <= 0.3 s)\n"
            << "latest_snapshot, 10,100 PCs x 20:          " << median(latest) * 1000 << " ms (target <= 50 ms)\n";
  if (!postgres.empty())
    std::cout << "PostgreSQL: load " << median(pgLoad) << " s, second load " << median(pgAgain) << " s, latest "
              << median(pgLatest) * 1000 << " ms\n";
  std::cout << "figures: db_load_s=" << median(load) << " db_import_s=" << median(import) << " db_again_s="
            << median(again) << " db_latest_ms=" << median(latest) * 1000;
  if (!postgres.empty())
    std::cout << " pg_load_s=" << median(pgLoad) << " pg_again_s=" << median(pgAgain) << " pg_latest_ms="
              << median(pgLatest) * 1000;
  std::cout << "\n";
  if (keep) std::cerr << "database_bench: kept " << base.string() << "\n";
  else fs::remove_all(base);
  return 0;
}
