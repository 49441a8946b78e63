// SQLite owners and the database set-up shared by the gateway and the admin command line:
// WAL with full sync (a change is on disk before it is acknowledged), the six tables.
#pragma once
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velmora::service {

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, SqliteCloser>;

// The one owner of a prepared statement: finalised when it goes.
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using PreparedStatement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// A statement prepared once and run once, for set-up, the admin's changes and tests.
class Query {
 public:
  Query(sqlite3* db, std::string_view sql);

  bool ok() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_.get(); }
  void Bind(int index, std::string_view text);
  void Bind(int index, int64_t number);
  int Step() { return sqlite3_step(stmt_.get()); }  // SQLITE_ROW, SQLITE_DONE or an error
  std::string Text(int column) const;               // "" for NULL

 private:
  PreparedStatement stmt_;
};

enum class OpenMode { kCreateIfMissing, kMustExist };

// Opens the file with the service's settings; creates the tables when they are missing.
// Nothing, with `error` set, when it cannot.
Database OpenDatabase(const std::string& path, OpenMode mode, std::string& error);

// True when `db` can be written: not opened read-only (SQLite falls back to that silently for a
// file it may not write) and its write lock can be taken; the lock is given back at once.
bool ProbeWrite(sqlite3* db, std::string& error);

// Runs statements without results (set-up, admin changes); false with `error` on failure.
bool ExecSql(sqlite3* db, const std::string& sql, std::string& error);

}  // namespace velmora::service
