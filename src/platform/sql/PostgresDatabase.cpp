// The inventory database on a PostgreSQL server, through libpq. The library is loaded when a
// server is first opened, not when the program starts: it brings some twenty others with it (TLS,
// Kerberos, LDAP), which every start would map and relocate, and only the database commands use
// it. Without the library no server can be opened, and the message says so.
#include "platform/sql/SqlConnections.h"

#include <algorithm>

#ifdef MERVANA_POSTGRES
#include <libpq-fe.h>  // types and constants; the functions are looked up in the library

#include "platform/LibraryFunctions.h"
#endif

namespace mrv {

#ifdef MERVANA_POSTGRES

namespace {

// The functions this connection calls, from libpq.so.5.
struct PqLibrary {
  decltype(&::PQconnectdb) PQconnectdb = nullptr;
  decltype(&::PQstatus) PQstatus = nullptr;
  decltype(&::PQerrorMessage) PQerrorMessage = nullptr;
  decltype(&::PQfinish) PQfinish = nullptr;
  decltype(&::PQsetClientEncoding) PQsetClientEncoding = nullptr;
  decltype(&::PQexec) PQexec = nullptr;
  decltype(&::PQexecParams) PQexecParams = nullptr;
  decltype(&::PQresultStatus) PQresultStatus = nullptr;
  decltype(&::PQresultErrorMessage) PQresultErrorMessage = nullptr;
  decltype(&::PQclear) PQclear = nullptr;
  decltype(&::PQntuples) PQntuples = nullptr;
  decltype(&::PQnfields) PQnfields = nullptr;
  decltype(&::PQgetisnull) PQgetisnull = nullptr;
  decltype(&::PQgetvalue) PQgetvalue = nullptr;
  decltype(&::PQgetlength) PQgetlength = nullptr;
};

// Null when the library or one of its functions is missing. Loaded once, kept for the process.
const PqLibrary* loadPq() {
  static const PqLibrary* const library = LoadLibraryFunctions<PqLibrary>("libpq.so.5", [](void* h, PqLibrary& l) {
    return LookUpFunction(h, "PQconnectdb", l.PQconnectdb) && LookUpFunction(h, "PQstatus", l.PQstatus) &&
           LookUpFunction(h, "PQerrorMessage", l.PQerrorMessage) && LookUpFunction(h, "PQfinish", l.PQfinish) &&
           LookUpFunction(h, "PQsetClientEncoding", l.PQsetClientEncoding) && LookUpFunction(h, "PQexec", l.PQexec) &&
           LookUpFunction(h, "PQexecParams", l.PQexecParams) && LookUpFunction(h, "PQresultStatus", l.PQresultStatus) &&
           LookUpFunction(h, "PQresultErrorMessage", l.PQresultErrorMessage) &&
           LookUpFunction(h, "PQclear", l.PQclear) && LookUpFunction(h, "PQntuples", l.PQntuples) &&
           LookUpFunction(h, "PQnfields", l.PQnfields) && LookUpFunction(h, "PQgetisnull", l.PQgetisnull) &&
           LookUpFunction(h, "PQgetvalue", l.PQgetvalue) && LookUpFunction(h, "PQgetlength", l.PQgetlength);
  });
  return library;
}

// The loaded library; only once openPostgresDatabase has found it.
const PqLibrary& pq() { return *loadPq(); }

// "?" parameters as the server numbers them ($1, $2, ...); a "?" inside a quoted literal stays.
std::string numberParameters(const std::string& sql) {
  std::string out;
  out.reserve(sql.size() + 16);
  int n = 0;
  bool quoted = false;
  for (char c : sql) {
    if (c == '\'') quoted = !quoted;
    if (c == '?' && !quoted) {
      out += '$' + std::to_string(++n);
      continue;
    }
    out += c;
  }
  return out;
}

// The URL as it may be shown: without the password of a "user:password@" part.
std::string withoutPassword(const std::string& url) {
  const auto scheme = url.find("://");
  const auto at = url.find('@', scheme == std::string::npos ? 0 : scheme + 3);
  if (scheme == std::string::npos || at == std::string::npos) return url;
  const auto colon = url.find(':', scheme + 3);
  if (colon == std::string::npos || colon > at) return url;
  return url.substr(0, colon) + url.substr(at);
}

class PgResult {
 public:
  explicit PgResult(PGresult* r) : r_(r) {}
  ~PgResult() { pq().PQclear(r_); }
  PgResult(const PgResult&) = delete;
  PgResult& operator=(const PgResult&) = delete;
  PGresult* get() const { return r_; }
  bool ok() const {
    const ExecStatusType s = pq().PQresultStatus(r_);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  }

 private:
  PGresult* r_;
};

class PostgresDatabase : public SqlDatabase {
 public:
  PostgresDatabase(PGconn* conn, std::string url) : conn_(conn), url_(std::move(url)) {}
  ~PostgresDatabase() override { pq().PQfinish(conn_); }

  SqlDialect dialect() const override { return SqlDialect::Postgres; }
  std::string describe() const override { return withoutPassword(url_); }

  bool exec(const std::string& sql, const std::vector<SqlValue>& params, std::string& why) override {
    if (params.empty()) {
      PgResult r(pq().PQexec(conn_, sql.c_str()));
      return r.ok() || fail(r, why);
    }
    PgResult r(run(numberParameters(sql), params.data(), params.size()));
    return r.ok() || fail(r, why);
  }

  bool queryEach(const std::string& sql, const std::vector<SqlValue>& params, const SqlRowReader& read,
                 std::string& why) override {
    PgResult r(run(numberParameters(sql), params.data(), params.size()));
    if (!r.ok()) return fail(r, why);
    const int n = pq().PQntuples(r.get()), cols = pq().PQnfields(r.get());
    SqlCells cells(static_cast<std::size_t>(cols));
    for (int i = 0; i < n; ++i) {
      for (int c = 0; c < cols; ++c) {
        auto& cell = cells[static_cast<std::size_t>(c)];
        if (pq().PQgetisnull(r.get(), i, c)) cell.reset();
        else cell.emplace(pq().PQgetvalue(r.get(), i, c), static_cast<std::size_t>(pq().PQgetlength(r.get(), i, c)));
      }
      if (!read(cells)) return true;
    }
    return true;
  }

  bool execMany(const std::string& sql, std::size_t columns, const std::vector<SqlValue>& values,
                std::string& why) override {
    if (columns == 0) return exec(sql, {}, why);
    if (values.empty()) return true;
    // An INSERT's VALUES group is repeated for many rows at once (a round trip to the server per
    // row would take minutes for a whole folder); the server takes at most 65535 parameters.
    std::string head, group, tail;
    const std::size_t at = sql.find(" VALUES (");
    const std::size_t close = at == std::string::npos ? at : sql.find(')', at);
    if (at != std::string::npos && close != std::string::npos) {
      head = sql.substr(0, at + 8);
      group = sql.substr(at + 8, close + 1 - (at + 8));
      tail = sql.substr(close + 1);
    } else {
      head = sql;
    }
    const std::size_t rows = values.size() / columns;
    const std::size_t perStatement = group.empty() ? 1 : std::max<std::size_t>(1, std::min<std::size_t>(1000, 65535 / columns));
    std::vector<const char*> p;
    std::vector<int> lengths;
    for (std::size_t first = 0; first < rows; first += perStatement) {
      const std::size_t n = std::min(perStatement, rows - first);
      std::string statement = head;
      for (std::size_t r = 0; r < n && !group.empty(); ++r) statement += (r ? ", " : "") + group;
      statement += tail;
      p.assign(n * columns, nullptr);
      lengths.assign(n * columns, 0);
      for (std::size_t k = 0; k < n * columns; ++k) {
        const SqlValue& v = values[first * columns + k];
        p[k] = v ? v->c_str() : nullptr;
        lengths[k] = v ? static_cast<int>(v->size()) : 0;
      }
      PgResult r(pq().PQexecParams(conn_, numberParameters(statement).c_str(), static_cast<int>(n * columns), nullptr,
                              p.data(), lengths.data(), nullptr, 0));
      if (!r.ok()) return fail(r, why);
    }
    return true;
  }

  bool begin(std::string& why) override {
    // a second writer's lock is waited for a while, then the load fails with the server's reason
    return exec("BEGIN; SET LOCAL lock_timeout = '5s'", {}, why);
  }
  bool commit(std::string& why) override {
    if (exec("COMMIT", {}, why)) return true;
    rollback();
    return false;
  }
  void rollback() override {
    PgResult r(pq().PQexec(conn_, "ROLLBACK"));
    (void)r;
  }

 private:
  PGresult* run(const std::string& sql, const SqlValue* params, std::size_t count) {
    std::vector<const char*> p(count);
    std::vector<int> lengths(count);
    for (std::size_t i = 0; i < count; ++i) {
      p[i] = params[i] ? params[i]->c_str() : nullptr;
      lengths[i] = params[i] ? static_cast<int>(params[i]->size()) : 0;
    }
    return pq().PQexecParams(conn_, sql.c_str(), static_cast<int>(count), nullptr, p.data(), lengths.data(), nullptr,
                             0);
  }
  bool fail(const PgResult& r, std::string& why) {
    const char* message = r.get() ? pq().PQresultErrorMessage(r.get()) : "";
    why = *message ? message : pq().PQerrorMessage(conn_);
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    return false;
  }

  PGconn* conn_;
  std::string url_;
};

}  // namespace

std::unique_ptr<SqlDatabase> openPostgresDatabase(const std::string& url, std::string& why) {
  if (!loadPq()) {
    why = "PostgreSQL のライブラリ (libpq.so.5) を読み込めません";
    return nullptr;
  }
  PGconn* conn = pq().PQconnectdb(url.c_str());
  if (!conn || pq().PQstatus(conn) != CONNECTION_OK) {
    why = conn ? pq().PQerrorMessage(conn) : "out of memory";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    pq().PQfinish(conn);
    return nullptr;
  }
  pq().PQsetClientEncoding(conn, "UTF8");
  auto db = std::make_unique<PostgresDatabase>(conn, url);
  std::string ignored;
  db->exec("SET client_min_messages = warning", {}, ignored);  // no NOTICE lines on stderr
  return db;
}

#else

std::unique_ptr<SqlDatabase> openPostgresDatabase(const std::string&, std::string& why) {
  why = "このビルドは PostgreSQL のデータベースに対応していません";
  return nullptr;
}

#endif

}  // namespace mrv
