#include "admin_db.h"

#include "admin_ops.h"
#include "admin_values.h"
#include "database.h"
#include "pg_database.h"

namespace velmora::admin {
namespace {

class SqliteAdminDb final : public AdminDb {
 public:
  explicit SqliteAdminDb(service::Database db) : db_(std::move(db)) {}

  Rows Query(std::string_view sql, const std::vector<std::string_view>& params) override {
    service::Query q(db_.get(), sql);
    if (!q.ok()) Fail("database error: " + Printable(sqlite3_errmsg(db_.get())));
    int index = 1;
    for (std::string_view p : params) q.Bind(index++, p);
    Rows rows;
    for (;;) {
      const int rc = q.Step();
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) Fail("database error: " + Printable(sqlite3_errmsg(db_.get())));
      std::vector<std::string>& row = rows.emplace_back();
      for (int c = 0; c < sqlite3_column_count(q.get()); ++c) row.push_back(q.Text(c));
    }
    return rows;
  }
  int Change(std::string_view sql, const std::vector<std::string_view>& params) override {
    Query(sql, params);
    return sqlite3_changes(db_.get());
  }
  void Begin() override { Change("BEGIN IMMEDIATE", {}); }
  void Commit() override { Change("COMMIT", {}); }
  void Rollback() noexcept override { sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr); }
  bool is_postgres() const override { return false; }

 private:
  service::Database db_;
};

class PostgresAdminDb final : public AdminDb {
 public:
  explicit PostgresAdminDb(service::PgConnection conn) : conn_(std::move(conn)) {}

  Rows Query(std::string_view sql, const std::vector<std::string_view>& params) override {
    service::PgResult result = Run(sql, params);
    Rows rows;
    for (int r = 0; r < PQntuples(result.get()); ++r) {
      auto& row = rows.emplace_back();
      for (int c = 0; c < PQnfields(result.get()); ++c) {
        row.emplace_back(PQgetvalue(result.get(), r, c), size_t(PQgetlength(result.get(), r, c)));
      }
    }
    return rows;
  }
  int Change(std::string_view sql, const std::vector<std::string_view>& params) override {
    service::PgResult result = Run(sql, params);
    const char* tuples = PQcmdTuples(result.get());
    return tuples && *tuples ? std::stoi(tuples) : 0;
  }
  void Begin() override { Change("BEGIN", {}); }
  void Commit() override { Change("COMMIT", {}); }
  void Rollback() noexcept override { service::PgResult gone(PQexec(conn_.get(), "ROLLBACK")); }
  bool is_postgres() const override { return true; }

 private:
  service::PgResult Run(std::string_view sql, const std::vector<std::string_view>& params) {
    std::vector<std::optional<std::string>> values(params.begin(), params.end());
    std::string error;
    service::PgResult result = service::PgExec(conn_.get(), PostgresParameters(sql), values, error);
    if (!result) Fail("database error: " + Printable(error));
    return result;
  }

  service::PgConnection conn_;
};

}  // namespace

std::unique_ptr<AdminDb> OpenSqliteAdminDb(const std::string& path, bool create) {
  std::string error;
  service::Database db = service::OpenDatabase(
      path, create ? service::OpenMode::kCreateIfMissing : service::OpenMode::kMustExist, error);
  if (!db) Fail(Printable(error));
  // The console's tables come with the open, as the six do.
  if (!service::ExecSql(db.get(), "BEGIN IMMEDIATE;\n" + ConsoleSchemaSql(false) + "COMMIT;", error)) {
    Fail(Printable(path + ": " + error));
  }
  return std::make_unique<SqliteAdminDb>(std::move(db));
}

std::unique_ptr<AdminDb> OpenPostgresAdminDb(const std::string& location) {
  std::string error;
  service::PgConnection conn = service::ConnectPostgres(location, "velmora-admin", error);
  if (!conn) Fail(Printable(error));
  // The operator's changes are on disk when the command says done, as the gateway's are.
  service::PgResult set(PQexec(conn.get(), "SET synchronous_commit TO on"));
  if (PQresultStatus(set.get()) != PGRES_COMMAND_OK) Fail("database error: " + Printable(service::PgError(set.get())));
  return std::make_unique<PostgresAdminDb>(std::move(conn));
}

std::string PostgresParameters(std::string_view sql) {
  std::string out;
  char quote = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;  // a doubled quote closes and opens again: the same result
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9') {
      out.push_back('$');
      continue;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace velmora::admin
