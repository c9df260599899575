#include "platform/SqlDatabase.h"

#include "base/Text.h"
#include "platform/sql/SqlConnections.h"

namespace mrv {

bool isPostgresTarget(std::string_view target) {
  const std::string lower = toLowerAscii(target);
  return startsWith(lower, "postgresql://") || startsWith(lower, "postgres://");
}

bool SqlDatabase::query(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>& rows,
                        std::string& why) {
  rows.clear();
  const bool ok = queryEach(
      sql, params,
      [&rows](const SqlCells& cells) {
        SqlRow& row = rows.emplace_back(cells.size());
        for (std::size_t c = 0; c < cells.size(); ++c)
          if (cells[c]) row[c].emplace(*cells[c]);
        return true;
      },
      why);
  if (!ok) rows.clear();
  return ok;
}

std::unique_ptr<SqlDatabase> openSqlDatabase(const std::string& target, std::string& why) {
  if (target.empty()) {
    why = "データベースが指定されていません";
    return nullptr;
  }
  return isPostgresTarget(target) ? openPostgresDatabase(target, why) : openSqliteDatabase(target, why);
}

}  // namespace mrv
