#include "store.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "pg_store.h"
#include "schema.h"
#include "statement_sql.h"

namespace velmora::service {
namespace {

// Columns of an account row a gateway connection may read and change (see schema.h).
template <size_t N>
bool IsOneOf(const char* name, const std::array<std::string_view, N>& names) {
  return name && std::find(names.begin(), names.end(), std::string_view(name)) != names.end();
}
bool ReadableAccountColumn(const char* column) { return IsOneOf(column, kGatewayReadableAccountColumns); }
bool ChangeableAccountColumn(const char* column) { return IsOneOf(column, kLoginColumns); }

bool IsAccount(const char* table) { return table && std::strcmp(table, "account") == 0; }
bool IsSequence(const char* table) { return table && std::strcmp(table, "sqlite_sequence") == 0; }

int Authorize(void*, int action, const char* a, const char* b, const char*, const char*) {
  const auto allow = [](bool ok) { return ok ? SQLITE_OK : SQLITE_DENY; };
  switch (action) {
    case SQLITE_SELECT:
      return SQLITE_OK;
    case SQLITE_READ:
      if (IsAccount(a)) return allow(ReadableAccountColumn(b));
      return allow(IsSequence(a) || (a && FindTable(a) != nullptr));
    case SQLITE_INSERT:
      return allow(IsAccount(a) || IsSequence(a));
    case SQLITE_UPDATE:
      return allow((IsAccount(a) && ChangeableAccountColumn(b)) || IsSequence(a));
    case SQLITE_FUNCTION:
      return allow(b && std::strcmp(b, "count") == 0);
    default:
      return SQLITE_DENY;  // DDL, DELETE, ATTACH, PRAGMA, transactions, anything else
  }
}

void BindValue(sqlite3_stmt* stmt, int index, const Value& v) {
  if (v.is_text) {
    sqlite3_bind_text(stmt, index, v.text.data(), int(v.text.size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_int64(stmt, index, v.number);
  }
}

// Leaves a cached statement ready for its next use, whatever path the use took.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~StatementUse() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* const stmt_;
};

// Distinct statement texts kept per connection; a client inventing new column lists cannot
// make the cache grow without bound.
constexpr size_t kMaxPrepared = 64;

}  // namespace

void InstallGatewayAuthorizer(sqlite3* db) { sqlite3_set_authorizer(db, Authorize, nullptr); }

std::unique_ptr<Store> Store::Open(const std::string& location, std::string& error) {
  if (IsPostgresLocation(location)) return PgStore::Open(location, error);
  return SqliteStore::Open(location, error);
}

std::unique_ptr<SqliteStore> SqliteStore::Open(const std::string& path, std::string& error) {
  std::unique_ptr<SqliteStore> store(new SqliteStore(path));
  auto first = store->Acquire(error);
  if (!first) {
    error = "cannot write the database: " + error;
    return nullptr;
  }
  if (!store->CheckWritable(error)) return nullptr;
  store->Release(std::move(first));
  store->counter_db_ = OpenDatabase(path, OpenMode::kMustExist, error);
  if (!store->counter_db_) return nullptr;
  sqlite3_stmt* raw = nullptr;
  sqlite3_prepare_v2(store->counter_db_.get(), "PRAGMA data_version", -1, &raw, nullptr);
  store->data_version_.reset(raw);
  if (!store->data_version_) {
    error = sqlite3_errmsg(store->counter_db_.get());
    return nullptr;
  }
  return store;
}

StoreResult CountResult(int64_t count) {
  StoreResult result;
  result.ok = true;
  result.rows = 1;
  result.payload.append("count(*)").append(kFieldEnd).append(kRowEnd);
  result.payload.append(std::to_string(count)).append(kFieldEnd).append(kRowEnd);
  return result;
}

namespace {

bool IsWholeTableCount(const Statement& st) { return st.kind == StatementKind::kCount && !st.where; }

}  // namespace

std::optional<StoreResult> SqliteStore::RememberedCount(const Statement& st) const {
  if (!IsWholeTableCount(st)) return std::nullopt;
  const auto count = counts_.Fresh(st.table->name, CountMemo::Clock::now());
  if (!count) return std::nullopt;
  return CountResult(*count);
}

std::optional<int64_t> SqliteStore::ChangeCounter() {
  sqlite3_stmt* stmt = data_version_.get();
  std::optional<int64_t> version;
  if (sqlite3_step(stmt) == SQLITE_ROW) version = sqlite3_column_int64(stmt, 0);
  sqlite3_reset(stmt);
  return version;
}

StoreResult SqliteStore::CountWholeTable(const Statement& st) {
  const std::string& table = st.table->name;
  std::lock_guard lock(counter_mutex_);
  const auto version = ChangeCounter();
  if (!version) {
    StoreResult failed;
    failed.error = sqlite3_errmsg(counter_db_.get());
    return failed;
  }
  if (const auto count = counts_.Checked(table, *version, CountMemo::Clock::now())) return CountResult(*count);
  Query count(counter_db_.get(), "SELECT count(*) FROM " + QuoteIdentifier(table));
  if (!count.ok() || count.Step() != SQLITE_ROW) {
    StoreResult failed;
    failed.error = sqlite3_errmsg(counter_db_.get());
    return failed;
  }
  const int64_t rows = sqlite3_column_int64(count.get(), 0);
  counts_.Remember(table, rows, *version);
  return CountResult(rows);
}

bool SqliteStore::CheckWritable(std::string& error) {
  // The file's permissions (and a read-only mount) are asked of the system: SQLite hands a new
  // connection a descriptor it already holds for the file, opened when writing was allowed.
  for (const std::string& file : {path_, path_ + "-wal"}) {
    if (access(file.c_str(), W_OK) != 0 && errno != ENOENT) {
      error = "cannot write the database: " + file + ": " + std::strerror(errno);
      return false;
    }
  }
  // A new connection, to see the file as a restart would: its lock, its schema, its existence.
  Database db = OpenDatabase(path_, OpenMode::kMustExist, error);
  if (db && ProbeWrite(db.get(), error)) return true;
  error = "cannot write the database: " + error;
  return false;
}

std::unique_ptr<SqliteStore::Connection> SqliteStore::Acquire(std::string& error) {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      auto connection = std::move(idle_.back());
      idle_.pop_back();
      return connection;
    }
  }
  auto connection = std::make_unique<Connection>();
  connection->db = OpenDatabase(path_, OpenMode::kCreateIfMissing, error);
  if (!connection->db) return nullptr;
  InstallGatewayAuthorizer(connection->db.get());
  return connection;
}

void SqliteStore::Release(std::unique_ptr<Connection> connection) {
  std::lock_guard lock(mutex_);
  idle_.push_back(std::move(connection));
}

sqlite3_stmt* SqliteStore::Prepare(Connection& connection, const std::string& sql) {
  auto found = connection.prepared.find(sql);
  if (found != connection.prepared.end()) return found->second.get();
  sqlite3_stmt* raw = nullptr;
  const int rc =
      sqlite3_prepare_v3(connection.db.get(), sql.data(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  PreparedStatement stmt(raw);
  if (rc != SQLITE_OK) return nullptr;
  if (connection.prepared.size() >= kMaxPrepared) connection.prepared.clear();
  return connection.prepared.emplace(sql, std::move(stmt)).first->second.get();
}

StoreResult SqliteStore::Run(const Statement& st, size_t max_payload) {
  // Readers run side by side (WAL); writers take turns here rather than in SQLite's busy wait,
  // which sleeps in steps and so would stretch every contended write.
  if (IsWholeTableCount(st)) return CountWholeTable(st);
  std::unique_lock write_turn(writer_, std::defer_lock);
  if (st.kind == StatementKind::kUpdate || st.kind == StatementKind::kInsert) {
    write_turn.lock();
    counts_.Forget();
  }
  StoreResult failed;
  auto connection = Acquire(failed.error);
  if (!connection) return failed;
  sqlite3* db = connection->db.get();
  AnswerBuilder answer(st, max_payload);
  StoreResult result;
  if (sqlite3_stmt* stmt = Prepare(*connection, TranslateStatement(st, SqlDialect::kSqlite)); !stmt) {
    result = answer.Failed(sqlite3_errmsg(db));
  } else {
    const StatementUse use(stmt);
    int index = 1;
    for (const Equality& a : st.assignments) BindValue(stmt, index++, a.value);
    for (const Value& v : st.values) BindValue(stmt, index++, v);
    if (st.where) BindValue(stmt, index++, st.where->value);

    const int columns = sqlite3_column_count(stmt);
    const auto field = [stmt](int column) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      return text ? std::string_view(text, size_t(sqlite3_column_bytes(stmt, column))) : std::string_view();
    };
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW && answer.Row(columns, field)) {
    }
    if (rc != SQLITE_DONE && !answer.over_limit()) {
      result = answer.Failed(sqlite3_errmsg(db));
    } else {
      result = answer.Done(sqlite3_changes(db));
    }
  }
  Release(std::move(connection));
  return result;
}

}  // namespace velmora::service
