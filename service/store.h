// Runs recognised statements on the service's database. Each gateway connection is walled in
// by the database too: SQLite's authorizer, or PostgreSQL's privileges of the gateway's role; no
// DDL, only the six tables.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "count_memo.h"
#include "database.h"
#include "statement.h"

namespace velmora::service {

struct StoreResult {
  bool ok = false;
  std::string payload;  // UTF-8: rows for queries, "ok"/"no" for a check, "6" for a change
  int64_t rows = 0;     // rows returned or changed
  std::string error;
  bool refused = false;  // not run for a rule of the service's, as opposed to failing
};

// The layout row's column that opens sign-up when it holds "1".
inline constexpr std::string_view kSignUpSwitchColumn = "lset1";

// Longest answer payload the store builds by default: far beyond the client's largest reads
// (every recommendation ever published), far below what a pool of requests could hold at once.
inline constexpr size_t kDefaultMaxPayload = size_t(16) << 20;

// The service's database behind the statement recognition: SQLite in one file (the embedded
// default), or PostgreSQL shared by several gateways. Both run the same translated statements and
// build the same answers (statement_sql.h); each walls its connections in its own terms.
class Store {
 public:
  virtual ~Store() = default;
  // A PostgreSQL connection URI ("postgresql://…", "postgres://…") or else an SQLite file's path.
  // Nothing, with `error` set, when the database cannot be reached or cannot be written: a service
  // that can only read would fail every sign-in and sign-out while looking healthy.
  static std::unique_ptr<Store> Open(const std::string& location, std::string& error);
  // Runs `st`; a payload that grows past `max_payload` bytes is abandoned as a failure. The count
  // of a whole table may come from memory (see RememberedCount).
  virtual StoreResult Run(const Statement& st, size_t max_payload = kDefaultMaxPayload) = 0;
  // The answer to `st` when it is a whole table's count that memory holds, checked against the
  // database less than a quarter of a second ago: touches no database, so it may run anywhere.
  virtual std::optional<StoreResult> RememberedCount(const Statement& st) const = 0;
  // True when the database can be written now: what the health check reports. `error` says why
  // not.
  virtual bool CheckWritable(std::string& error) = 0;
};

// The SQLite store: one file, WAL with full sync, each connection walled in by the authorizer
// below; writers take turns in the gateway.
class SqliteStore final : public Store {
 public:
  static std::unique_ptr<SqliteStore> Open(const std::string& path, std::string& error);
  StoreResult Run(const Statement& st, size_t max_payload = kDefaultMaxPayload) override;
  std::optional<StoreResult> RememberedCount(const Statement& st) const override;
  // A new connection can open the file and take its write lock (rolled back at once).
  bool CheckWritable(std::string& error) override;

 private:
  // A connection with the statements it has prepared: the client repeats the same few shapes,
  // so each is parsed once per connection. Statements go before the connection closes.
  struct Connection {
    Database db;
    std::unordered_map<std::string, PreparedStatement> prepared;
  };

  explicit SqliteStore(std::string path) : path_(std::move(path)) {}
  StoreResult CountWholeTable(const Statement& st);
  std::optional<int64_t> ChangeCounter();  // under counter_mutex_
  std::unique_ptr<Connection> Acquire(std::string& error);
  void Release(std::unique_ptr<Connection> connection);
  static sqlite3_stmt* Prepare(Connection& connection, const std::string& sql);

  const std::string path_;
  std::mutex mutex_;
  std::mutex writer_;  // one statement that writes at a time
  std::vector<std::unique_ptr<Connection>> idle_;  // not in use; one per concurrent request at most

  // The whole-table counts, and the connection that reads the change counter and counts (no
  // authorizer: it runs only statements of the store's own making).
  CountMemo counts_{std::chrono::milliseconds(250)};
  std::mutex counter_mutex_;
  Database counter_db_;
  PreparedStatement data_version_;
};

// The answer to a count of `count` rows.
StoreResult CountResult(int64_t count);

// The second wall behind statement recognition: reads of the six tables (of an account row only
// the columns the client reads), inserts of accounts and changes of the columns a login and a
// sign-out change, count(); everything else (DDL, DELETE, ATTACH, PRAGMA, other functions) is
// denied.
void InstallGatewayAuthorizer(sqlite3* db);

// "column々column々☆value々value々☆…": every field followed by "々", every row by "☆".
inline constexpr std::string_view kFieldEnd = "々";
inline constexpr std::string_view kRowEnd = "☆";

}  // namespace velmora::service
