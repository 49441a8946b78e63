// Runs recognised statements on the service's database. Each gateway connection is walled in
// by SQLite's authorizer too: no DDL, no ATTACH, no PRAGMA, only the six tables.
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

class Store {
 public:
  // Nothing, with `error` set, when the database cannot be opened or cannot be written: a service
  // that can only read would fail every sign-in and sign-out while looking healthy.
  static std::unique_ptr<Store> Open(const std::string& path, std::string& error);
  // Runs `st`; a payload that grows past `max_payload` bytes is abandoned as a failure. The count
  // of a whole table comes from memory while the database is unchanged.
  StoreResult Run(const Statement& st, size_t max_payload = kDefaultMaxPayload);
  // The answer to `st` when it is a whole table's count that memory holds, checked against the
  // database less than the recheck time ago: touches no database, so it may run anywhere.
  std::optional<StoreResult> RememberedCount(const Statement& st) const;
  // True when a new connection can open the database and take its write lock (rolled back at
  // once): what the health check reports. `error` says why not.
  bool CheckWritable(std::string& error) const;

 private:
  // A connection with the statements it has prepared: the client repeats the same few shapes,
  // so each is parsed once per connection. Statements go before the connection closes.
  struct Connection {
    Database db;
    std::unordered_map<std::string, PreparedStatement> prepared;
  };

  explicit Store(std::string path) : path_(std::move(path)) {}
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
