// The PostgreSQL store: several gateways on one database. The gateway connects as a role that may
// only read the six tables (of an account row the columns the client reads), add accounts and
// change a login's columns (velmora-admin init makes it), and refuses to start as a role that may
// do more. Every change is acknowledged after its commit is flushed (synchronous_commit on).
#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "count_memo.h"
#include "pg_database.h"
#include "store.h"

namespace velmora::service {

class PgStore final : public Store {
 public:
  // Connects to `location` (a libpq URI), checks the tables and the role, and keeps the
  // connection for the first request.
  static std::unique_ptr<PgStore> Open(const std::string& location, std::string& error);
  StoreResult Run(const Statement& st, size_t max_payload = kDefaultMaxPayload) override;
  std::optional<StoreResult> RememberedCount(const Statement& st) const override;
  // A connection is had (or made, outside a back-off) and the server takes writes (not a standby,
  // not read-only).
  bool CheckWritable(std::string& error) override;

  // Statements sent to the server for requests (counts and health checks included), for the
  // tests' proof that what the gateway refuses never gets there.
  uint64_t statements_sent() const { return sent_.load(); }

  // A new connection of the gateway's: UTF-8, synchronous_commit on, failing statements that run
  // over a minute. Exposed for the tests of those settings.
  static PgConnection Connect(const std::string& location, std::string& error);

 private:
  using Clock = std::chrono::steady_clock;

  // A connection with the statements it has prepared (names s1, s2, ... by text).
  struct Connection {
    PgConnection conn;
    std::unordered_map<std::string, std::string> prepared;
  };

  explicit PgStore(std::string location) : location_(std::move(location)) {}
  StoreResult CountWholeTable(const Statement& st);
  // An idle connection that is still open, or a new one unless the last attempt to connect
  // failed less than the back-off ago. Nothing, with `error` set, otherwise.
  std::unique_ptr<Connection> Acquire(std::string& error);
  // Back to the idle ones if it is still sound; closed otherwise.
  void Release(std::unique_ptr<Connection> connection);
  // Sends `sql` with `params` and reads its rows into `answer` (a statement of the store's own
  // when `answer` is null: then its rows come back in `rows`).
  StoreResult Execute(Connection& connection, const Statement* st, const std::string& sql,
                      const std::vector<std::optional<std::string>>& params, size_t max_payload,
                      std::vector<std::vector<std::string>>* rows);

  const std::string location_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
  // Connecting after a failure waits 0.1 s, then twice as long after each further failure, up
  // to 2 s; a success ends the wait.
  Clock::duration backoff_{};
  Clock::time_point next_attempt_{};
  std::string last_failure_;

  // Whole-table counts: read again at most every quarter of a second (another gateway may have
  // written), forgotten at once on a write of this gateway's.
  CountMemo counts_{std::chrono::milliseconds(250)};
  std::mutex counter_mutex_;
  int64_t count_checks_ = 0;  // under counter_mutex_

  std::atomic<uint64_t> sent_{0};
};

}  // namespace velmora::service
