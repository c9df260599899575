#include "platform/SqlDatabase.h"

#include "base/Text.h"
#include "platform/sql/SqlConnections.h"

namespace mrv {

bool isPostgresTarget(std::string_view target) {
  const std::string lower = toLowerAscii(target);
  return startsWith(lower, "postgresql://") || startsWith(lower, "postgres://");
}

std::unique_ptr<SqlDatabase> openSqlDatabase(const std::string& target, std::string& why) {
  if (target.empty()) {
    why = "データベースが指定されていません";
    return nullptr;
  }
  return isPostgresTarget(target) ? openPostgresDatabase(target, why) : openSqliteDatabase(target, why);
}

}  // namespace mrv
