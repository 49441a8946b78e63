#include "database.h"

#include "schema.h"

namespace velmora::service {

Query::Query(sqlite3* db, std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.data(), int(sql.size()), &raw, nullptr);
  stmt_.reset(raw);
  if (rc != SQLITE_OK) stmt_.reset();
}

void Query::Bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_.get(), index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void Query::Bind(int index, int64_t number) { sqlite3_bind_int64(stmt_.get(), index, number); }

std::string Query::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), column));
  return text ? std::string(text, size_t(sqlite3_column_bytes(stmt_.get(), column))) : std::string();
}

bool ExecSql(sqlite3* db, const std::string& sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  return false;
}

bool ProbeWrite(sqlite3* db, std::string& error) {
  if (sqlite3_db_readonly(db, "main") != 0) {
    error = "the database is read-only";
    return false;
  }
  if (!ExecSql(db, "BEGIN IMMEDIATE;", error)) return false;
  return ExecSql(db, "ROLLBACK;", error);
}

Database OpenDatabase(const std::string& path, OpenMode mode, std::string& error) {
  sqlite3* raw = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                    (mode == OpenMode::kCreateIfMissing ? SQLITE_OPEN_CREATE : 0);
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  Database db(raw);
  if (rc != SQLITE_OK) {
    error = "cannot open " + path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
    return nullptr;
  }
  sqlite3_busy_timeout(db.get(), 5000);
  if (!ExecSql(db.get(), "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;", error) ||
      !ExecSql(db.get(), "BEGIN IMMEDIATE;\n" + SchemaSql() + "COMMIT;", error)) {
    error = path + ": " + error;
    return nullptr;
  }
  return db;
}

}  // namespace velmora::service
