#include "pg_store.h"

#include <algorithm>
#include <functional>

#include "schema.h"
#include "statement_sql.h"

namespace velmora::service {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Longest wait for the server's answer to one statement; a server gone silent (stopped, not
// closed) costs a request this long and no more.
constexpr auto kAnswerTimeout = std::chrono::seconds(60);

// Distinct statement texts kept prepared per connection, as for SQLite.
constexpr size_t kMaxPrepared = 64;

constexpr auto kFirstBackoff = std::chrono::milliseconds(100);
constexpr auto kLongestBackoff = std::chrono::seconds(2);

bool IsWholeTableCount(const Statement& st) { return st.kind == StatementKind::kCount && !st.where; }

// Runs the store's own statements on a connection of its own making (set-up checks).
std::optional<Rows> Ask(PGconn* conn, const std::string& sql, const std::vector<std::optional<std::string>>& params,
                        std::string& error) {
  PgResult result = PgExec(conn, sql, params, error);
  if (!result) return std::nullopt;
  Rows rows;
  for (int r = 0; r < PQntuples(result.get()); ++r) {
    auto& row = rows.emplace_back();
    for (int c = 0; c < PQnfields(result.get()); ++c) row.emplace_back(PQgetvalue(result.get(), r, c));
  }
  return rows;
}

// Sends a prepared statement and hands each row to `on_row` (single-row mode); `on_row` returning
// false cancels the rest. `changed`: the rows a change touched. False, with `error`, on failure;
// `sound` turns false when the connection can no longer be trusted with another statement.
bool RunPrepared(PGconn* conn, const std::string& name, const std::vector<std::optional<std::string>>& params,
                 const std::function<bool(const PGresult*)>& on_row, int64_t& changed, std::string& error,
                 bool& sound) {
  std::vector<const char*> values;
  for (const auto& p : params) values.push_back(p ? p->c_str() : nullptr);
  if (!PQsendQueryPrepared(conn, name.c_str(), int(values.size()), values.data(), nullptr, nullptr, 0)) {
    error = PgError(conn);
    sound = false;
    return false;
  }
  PQsetSingleRowMode(conn);
  const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
  bool ok = true, stopped = false;
  for (;;) {
    bool timed_out = false;
    PgResult result = NextResult(conn, deadline, timed_out);
    if (timed_out) {
      error = "no answer from the database within " + std::to_string(kAnswerTimeout.count()) + " s";
      sound = false;
      return false;
    }
    if (!result) break;
    switch (PQresultStatus(result.get())) {
      case PGRES_SINGLE_TUPLE:
        if (!stopped && !on_row(result.get())) {
          // The rest is not wanted: the server stops, and this connection is not used again, so
          // a late cancel can never hit a later statement.
          stopped = true;
          sound = false;
          if (PGcancel* cancel = PQgetCancel(conn)) {
            char message[256];
            PQcancel(cancel, message, sizeof message);
            PQfreeCancel(cancel);
          }
        }
        break;
      case PGRES_TUPLES_OK:
        break;
      case PGRES_COMMAND_OK: {
        const char* tuples = PQcmdTuples(result.get());
        changed = tuples && *tuples ? std::stoll(tuples) : 0;
        break;
      }
      default:
        if (ok && !stopped) error = PgError(result.get());
        ok = false;
        break;
    }
  }
  if (PQstatus(conn) != CONNECTION_OK) sound = false;
  return ok && !stopped;
}

}  // namespace

PgConnection PgStore::Connect(const std::string& location, std::string& error) {
  PgConnection conn = ConnectPostgres(location, "velmora-gateway", error);
  if (!conn) return nullptr;
  // An acknowledgement ("6") follows the commit's flush to disk, whatever the server's default.
  PgResult set(PQexec(conn.get(), "SET synchronous_commit TO on; SET statement_timeout TO '60s'"));
  if (PQresultStatus(set.get()) != PGRES_COMMAND_OK) {
    error = "cannot set up a session on " + RedactedLocation(location) + ": " + PgError(set.get());
    return nullptr;
  }
  return conn;
}

std::unique_ptr<PgStore> PgStore::Open(const std::string& location, std::string& error) {
  std::unique_ptr<PgStore> store(new PgStore(location));
  PgConnection conn = Connect(location, error);
  if (!conn) return nullptr;
  const std::string where = RedactedLocation(location);
  const auto encoding = Ask(conn.get(), "SELECT current_setting('server_encoding'), current_user", {}, error);
  if (!encoding) return nullptr;
  if ((*encoding)[0][0] != "UTF8") {
    error = where + ": the database's encoding is " + (*encoding)[0][0] +
            ": the service keeps its texts in UTF-8 (CREATE DATABASE ... ENCODING 'UTF8')";
    return nullptr;
  }
  const std::string role = (*encoding)[0][1];
  for (const Table& t : Tables()) {
    const auto found = Ask(conn.get(), "SELECT to_regclass($1) IS NOT NULL", {QuoteIdentifier(t.name)}, error);
    if (!found) return nullptr;
    if ((*found)[0][0] != "t") {
      error = where + " has no table " + t.name + ": run velmora-admin --db ... init on it first";
      return nullptr;
    }
  }
  // The database's own wall only holds for the role it was built for: a role that may delete,
  // or change a password or a frozen flag, is refused rather than trusted.
  const auto stronger = Ask(conn.get(),
                            "SELECT has_table_privilege('\"account\"', 'DELETE, TRUNCATE, UPDATE') "
                            "OR has_column_privilege('\"account\"', '密码', 'UPDATE') "
                            "OR has_column_privilege('\"account\"', '状态', 'UPDATE') "
                            "OR has_table_privilege('\"Latest1\"', 'INSERT, UPDATE, DELETE') "
                            "OR has_schema_privilege('public', 'CREATE')",
                            {}, error);
  if (!stronger) return nullptr;
  if ((*stronger)[0][0] == "t") {
    error = where + ": the role " + role +
            " may change more than the gateway does (delete, change passwords or the tables): connect as the "
            "gateway's role that velmora-admin init makes";
    return nullptr;
  }
  store->idle_.push_back(std::make_unique<Connection>(Connection{std::move(conn), {}}));
  if (!store->CheckWritable(error)) return nullptr;
  return store;
}

std::unique_ptr<PgStore::Connection> PgStore::Acquire(std::string& error) {
  for (;;) {
    std::unique_ptr<Connection> connection;
    {
      std::lock_guard lock(mutex_);
      if (idle_.empty()) break;
      connection = std::move(idle_.back());
      idle_.pop_back();
    }
    // A server that ended the session (restarted, or the backend was terminated) has closed
    // the socket: reading what is there shows it before a request is spent on it.
    PGconn* conn = connection->conn.get();
    if (PQconsumeInput(conn) && PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) == PQTRANS_IDLE) {
      return connection;
    }
  }
  {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    if (now < next_attempt_) {
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next_attempt_ - now).count();
      error = "database unavailable (" + last_failure_ + "); next attempt in " + std::to_string(wait) + " ms";
      return nullptr;
    }
  }
  PgConnection conn = Connect(location_, error);
  std::lock_guard lock(mutex_);
  if (!conn) {
    backoff_ = backoff_ == Clock::duration{} ? Clock::duration(kFirstBackoff)
                                             : std::min<Clock::duration>(backoff_ * 2, kLongestBackoff);
    next_attempt_ = Clock::now() + backoff_;
    last_failure_ = error;
    return nullptr;
  }
  backoff_ = {};
  next_attempt_ = {};
  return std::make_unique<Connection>(Connection{std::move(conn), {}});
}

void PgStore::Release(std::unique_ptr<Connection> connection) {
  PGconn* conn = connection->conn.get();
  if (!conn || PQstatus(conn) != CONNECTION_OK || PQtransactionStatus(conn) != PQTRANS_IDLE) return;
  std::lock_guard lock(mutex_);
  idle_.push_back(std::move(connection));
}

StoreResult PgStore::Execute(Connection& connection, const Statement* st, const std::string& sql,
                             const std::vector<std::optional<std::string>>& params, size_t max_payload, Rows* rows) {
  PGconn* conn = connection.conn.get();
  StoreResult failed;
  bool sound = true;
  auto found = connection.prepared.find(sql);
  if (found == connection.prepared.end()) {
    if (connection.prepared.size() >= kMaxPrepared) {
      PgResult gone(PQexec(conn, "DEALLOCATE ALL"));
      connection.prepared.clear();
      if (PQresultStatus(gone.get()) != PGRES_COMMAND_OK) {
        failed.error = PgError(gone.get());
        connection.conn.reset();
        return failed;
      }
    }
    const std::string name = "s" + std::to_string(connection.prepared.size() + 1);
    PgResult prepared(PQprepare(conn, name.c_str(), sql.c_str(), int(params.size()), nullptr));
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
      failed.error = prepared ? PgError(prepared.get()) : PgError(conn);
      return failed;
    }
    found = connection.prepared.emplace(sql, name).first;
  }

  ++sent_;
  int64_t changed = 0;
  std::string error;
  StoreResult result;
  if (st) {
    AnswerBuilder answer(*st, max_payload);
    const auto on_row = [&answer](const PGresult* r) {
      return answer.Row(PQnfields(r), [r](int i) { return std::string_view(PQgetvalue(r, 0, i), size_t(PQgetlength(r, 0, i))); });
    };
    const bool ok = RunPrepared(conn, found->second, params, on_row, changed, error, sound);
    result = ok || answer.over_limit() ? answer.Done(changed) : answer.Failed(error);
  } else {
    const auto on_row = [rows](const PGresult* r) {
      auto& row = rows->emplace_back();
      for (int i = 0; i < PQnfields(r); ++i) row.emplace_back(PQgetvalue(r, 0, i), size_t(PQgetlength(r, 0, i)));
      return true;
    };
    result.ok = RunPrepared(conn, found->second, params, on_row, changed, error, sound);
    result.error = error;
  }
  if (!sound) connection.conn.reset();  // not given back to the idle ones
  return result;
}

std::optional<StoreResult> PgStore::RememberedCount(const Statement& st) const {
  if (!IsWholeTableCount(st)) return std::nullopt;
  const auto count = counts_.Fresh(st.table->name, CountMemo::Clock::now());
  if (!count) return std::nullopt;
  return CountResult(*count);
}

StoreResult PgStore::CountWholeTable(const Statement& st) {
  const std::string& table = st.table->name;
  // One count at a time: the requests that waited for it take it from memory.
  std::lock_guard lock(counter_mutex_);
  if (const auto count = counts_.Fresh(table, CountMemo::Clock::now())) return CountResult(*count);
  // Every check is a new version: whatever was remembered is counted again.
  const int64_t version = ++count_checks_;
  counts_.Checked(table, version, CountMemo::Clock::now());
  StoreResult failed;
  auto connection = Acquire(failed.error);
  if (!connection) return failed;
  Rows rows;
  StoreResult result = Execute(*connection, nullptr, "SELECT count(*) FROM " + QuoteIdentifier(table), {}, 0, &rows);
  Release(std::move(connection));
  if (!result.ok) return result;
  const int64_t count = std::stoll(rows.at(0).at(0));
  counts_.Remember(table, count, version);
  return CountResult(count);
}

StoreResult PgStore::Run(const Statement& st, size_t max_payload) {
  if (IsWholeTableCount(st)) return CountWholeTable(st);
  if (st.kind == StatementKind::kUpdate || st.kind == StatementKind::kInsert) counts_.Forget();
  std::vector<std::optional<std::string>> params;
  for (const Equality& a : st.assignments) params.push_back(PostgresValue(a.value));
  for (const Value& v : st.values) params.push_back(PostgresValue(v));
  if (st.where) params.push_back(PostgresConditionValue(*st.where->column, st.where->value));
  StoreResult failed;
  auto connection = Acquire(failed.error);
  if (!connection) return failed;
  StoreResult result = Execute(*connection, &st, TranslateStatement(st, SqlDialect::kPostgres), params, max_payload, nullptr);
  Release(std::move(connection));
  return result;
}

bool PgStore::CheckWritable(std::string& error) {
  auto connection = Acquire(error);
  if (!connection) return false;
  Rows rows;
  const StoreResult result = Execute(
      *connection, nullptr, "SELECT pg_is_in_recovery(), current_setting('transaction_read_only')", {}, 0, &rows);
  Release(std::move(connection));
  if (!result.ok) {
    error = "database unavailable: " + result.error;
    return false;
  }
  if (rows.at(0).at(0) == "t" || rows.at(0).at(1) == "on") {
    error = "the database takes no writes (a standby, or read-only sessions)";
    return false;
  }
  return true;
}

}  // namespace velmora::service
