// The database velmora-admin works on: the SQLite file, or a PostgreSQL database the gateways
// share. Commands write one SQL for both: names double-quoted where they hold capitals, text
// parameters ?1, ?2 (PostgreSQL is given $1, $2), and what the two have in common (ON CONFLICT
// DO NOTHING, RETURNING, LIMIT). A database error stops the command (Fail).
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::admin {

using Rows = std::vector<std::vector<std::string>>;

class AdminDb {
 public:
  virtual ~AdminDb() = default;
  // Runs a statement with text parameters ?1, ?2...; returns the rows it gives.
  virtual Rows Query(std::string_view sql, const std::vector<std::string_view>& params = {}) = 0;
  // Runs a change; returns how many rows it touched.
  virtual int Change(std::string_view sql, const std::vector<std::string_view>& params = {}) = 0;
  // A transaction that holds the database's write turn (SQLite) from its start.
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  virtual bool is_postgres() const = 0;

  std::optional<std::vector<std::string>> Row(std::string_view sql, const std::vector<std::string_view>& params = {}) {
    auto rows = Query(sql, params);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
  }
};

// One change's writes land together or not at all: rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(AdminDb& db) : db_(db) { db_.Begin(); }
  ~Transaction() {
    if (!done_) db_.Rollback();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit() {
    db_.Commit();
    done_ = true;
  }

 private:
  AdminDb& db_;
  bool done_ = false;
};

// The SQLite file at `path`, its tables made when missing; `create`: the file may be new.
std::unique_ptr<AdminDb> OpenSqliteAdminDb(const std::string& path, bool create);
// The PostgreSQL database at `location` (a libpq URI), as the role the location names.
std::unique_ptr<AdminDb> OpenPostgresAdminDb(const std::string& location);

// "?N" parameter marks as PostgreSQL's "$N"; quoted texts and names are left as they are.
std::string PostgresParameters(std::string_view sql);

}  // namespace velmora::admin
