#include "store.h"

#include <cstring>

#include "schema.h"

namespace velmora::service {
namespace {

int Authorize(void*, int action, const char* a, const char* b, const char*, const char*) {
  const auto known = [](const char* table) {
    return table && (FindTable(table) != nullptr || std::strcmp(table, "sqlite_sequence") == 0);
  };
  switch (action) {
    case SQLITE_SELECT:
      return SQLITE_OK;
    case SQLITE_READ:
      return known(a) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
      return known(a) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_FUNCTION:
      return b && std::strcmp(b, "count") == 0 ? SQLITE_OK : SQLITE_DENY;
    default:
      return SQLITE_DENY;  // DDL, DELETE, ATTACH, PRAGMA, transactions, anything else
  }
}

std::string ColumnList(const std::vector<const Column*>& columns) {
  std::string list;
  for (const Column* c : columns) {
    if (!list.empty()) list += ",";
    list += QuoteIdentifier(c->name);
  }
  return list;
}

void BindValue(Query& q, int index, const Value& v) {
  if (v.is_text) {
    q.Bind(index, v.text);
  } else {
    q.Bind(index, v.number);
  }
}

// The SQLite text of a recognised statement; values stay parameters, numbered in order.
std::string Translate(const Statement& st) {
  const std::string table = QuoteIdentifier(st.table->name);
  const std::string where = st.where ? " WHERE " + QuoteIdentifier(st.where->column->name) + " = ?" : "";
  const std::string key = QuoteIdentifier(kKeyColumn);
  switch (st.kind) {
    case StatementKind::kSelect:
      return "SELECT " + ColumnList(st.columns) + " FROM " + table + where + " ORDER BY " + key;
    case StatementKind::kSelectTop1:
      return "SELECT " + ColumnList(st.columns) + " FROM " + table + " ORDER BY " +
             QuoteIdentifier(st.order_by->name) + " DESC LIMIT 1";
    case StatementKind::kCount:
      return "SELECT count(*) FROM " + table + where;
    case StatementKind::kExists:
      return "SELECT 1 FROM " + table + where + " LIMIT 1";
    case StatementKind::kUpdate: {
      std::string sets;
      for (const Equality& a : st.assignments) sets += (sets.empty() ? "" : ",") + QuoteIdentifier(a.column->name) + " = ?";
      return "UPDATE " + table + " SET " + sets + where;
    }
    case StatementKind::kInsert: {
      std::string marks;
      for (size_t i = 0; i < st.values.size(); ++i) marks += i ? ",?" : "?";
      return "INSERT INTO " + table + " (" + ColumnList(st.columns) + ") VALUES (" + marks + ")";
    }
  }
  return {};
}

}  // namespace

void InstallGatewayAuthorizer(sqlite3* db) { sqlite3_set_authorizer(db, Authorize, nullptr); }

std::unique_ptr<Store> Store::Open(const std::string& path, std::string& error) {
  std::unique_ptr<Store> store(new Store(path));
  Database first = store->Acquire(error);
  if (!first) return nullptr;
  store->Release(std::move(first));
  return store;
}

Database Store::Acquire(std::string& error) {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      Database db = std::move(idle_.back());
      idle_.pop_back();
      return db;
    }
  }
  Database db = OpenDatabase(path_, OpenMode::kCreateIfMissing, error);
  if (db) InstallGatewayAuthorizer(db.get());
  return db;
}

void Store::Release(Database db) {
  std::lock_guard lock(mutex_);
  idle_.push_back(std::move(db));
}

StoreResult Store::Run(const Statement& st) {
  StoreResult result;
  Database db = Acquire(result.error);
  if (!db) return result;
  {
    Query q(db.get(), Translate(st));
    if (!q.ok()) {
      result.error = sqlite3_errmsg(db.get());
    } else {
      int index = 1;
      for (const Equality& a : st.assignments) BindValue(q, index++, a.value);
      for (const Value& v : st.values) BindValue(q, index++, v);
      if (st.where) BindValue(q, index++, st.where->value);

      const int columns = sqlite3_column_count(q.get());
      std::string& out = result.payload;
      if (st.kind == StatementKind::kSelect || st.kind == StatementKind::kSelectTop1) {
        for (const Column* c : st.columns) out.append(c->name).append(kFieldEnd);
        out.append(kRowEnd);
      } else if (st.kind == StatementKind::kCount) {
        out.append("count(*)").append(kFieldEnd).append(kRowEnd);
      }
      int rc;
      while ((rc = q.Step()) == SQLITE_ROW) {
        ++result.rows;
        if (st.kind == StatementKind::kExists) continue;
        for (int i = 0; i < columns; ++i) out.append(q.Text(i)).append(kFieldEnd);
        out.append(kRowEnd);
      }
      if (rc != SQLITE_DONE) {
        result.error = sqlite3_errmsg(db.get());
        result.payload.clear();
      } else {
        result.ok = true;
        if (st.kind == StatementKind::kExists) result.payload = result.rows ? "ok" : "no";
        if (st.kind == StatementKind::kUpdate || st.kind == StatementKind::kInsert) {
          result.rows = sqlite3_changes(db.get());
          result.payload = "6";  // the change is committed (and synced) by now
        }
      }
    }
  }
  Release(std::move(db));
  return result;
}

}  // namespace velmora::service
