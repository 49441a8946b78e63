#include "statement_sql.h"

#include <cmath>
#include <cstdlib>

namespace velmora::service {
namespace {

std::string ColumnList(const std::vector<const Column*>& columns) {
  std::string list;
  for (const Column* c : columns) {
    if (!list.empty()) list += ",";
    list += QuoteIdentifier(c->name);
  }
  return list;
}

// Parameter marks in order.
class Marks {
 public:
  explicit Marks(SqlDialect dialect) : dialect_(dialect) {}
  std::string Next() { return dialect_ == SqlDialect::kSqlite ? "?" : "$" + std::to_string(++count_); }

 private:
  SqlDialect dialect_;
  int count_ = 0;
};

bool IsSqliteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The number SQLite's numeric affinity makes of `text`: a decimal integer or real literal between
// optional spaces; anything else stays text.
std::optional<double> NumericAffinity(std::string_view text) {
  while (!text.empty() && IsSqliteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSqliteSpace(text.back())) text.remove_suffix(1);
  size_t i = 0, digits = 0;
  const auto skip_digits = [&] {
    size_t n = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++n;
    return n;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  digits += skip_digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    digits += skip_digits();
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (skip_digits() == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return std::strtod(std::string(text).c_str(), nullptr);
}

}  // namespace

std::string TranslateStatement(const Statement& st, SqlDialect dialect) {
  Marks marks(dialect);
  const std::string table = QuoteIdentifier(st.table->name);
  const std::string key = QuoteIdentifier(kKeyColumn);
  const auto where = [&] {
    return st.where ? " WHERE " + QuoteIdentifier(st.where->column->name) + " = " + marks.Next() : "";
  };
  switch (st.kind) {
    case StatementKind::kSelect:
      return "SELECT " + ColumnList(st.columns) + " FROM " + table + where() + " ORDER BY " + key;
    case StatementKind::kSelectTop1: {
      // SQLite compares text by its bytes; PostgreSQL by the database's collation unless told.
      const bool text = !st.order_by->integer;
      std::string order = QuoteIdentifier(st.order_by->name) +
                          (text && dialect == SqlDialect::kPostgres ? " COLLATE \"C\"" : "") + " DESC";
      if (st.order_by->name != kKeyColumn) order += ", " + key + " DESC";
      return "SELECT " + ColumnList(st.columns) + " FROM " + table + " ORDER BY " + order + " LIMIT 1";
    }
    case StatementKind::kCount:
      return "SELECT count(*) FROM " + table + where();
    case StatementKind::kExists:
      return "SELECT 1 FROM " + table + where() + " LIMIT 1";
    case StatementKind::kUpdate: {
      std::string sets;
      for (const Equality& a : st.assignments) {
        sets += (sets.empty() ? "" : ",") + QuoteIdentifier(a.column->name) + " = " + marks.Next();
      }
      return "UPDATE " + table + " SET " + sets + where();
    }
    case StatementKind::kInsert: {
      // Only while the layout row's sign-up switch is on, as the client itself checks: in the
      // same statement, so a switch turned off between check and insert cannot be missed.
      std::string values;
      for (size_t i = 0; i < st.values.size(); ++i) values += (i ? "," : "") + marks.Next();
      return "INSERT INTO " + table + " (" + ColumnList(st.columns) + ") SELECT " + values + " WHERE (SELECT " +
             QuoteIdentifier(kSignUpSwitchColumn) + " FROM " + QuoteIdentifier("lset") + " WHERE " + key +
             " = 1) = '1'";
    }
  }
  return {};
}

std::string PostgresValue(const Value& value) { return value.is_text ? value.text : std::to_string(value.number); }

std::optional<std::string> PostgresConditionValue(const Column& column, const Value& value) {
  if (!column.integer || !value.is_text) return PostgresValue(value);
  const auto number = NumericAffinity(value.text);
  if (!number || *number != std::floor(*number) || std::fabs(*number) > 9.2e18) return std::nullopt;
  return std::to_string(static_cast<long long>(*number));
}

AnswerBuilder::AnswerBuilder(const Statement& st, size_t max_payload) : st_(st), max_payload_(max_payload) {
  if (st.kind == StatementKind::kSelect || st.kind == StatementKind::kSelectTop1) {
    for (const Column* c : st.columns) payload_.append(c->name).append(kFieldEnd);
    payload_.append(kRowEnd);
  } else if (st.kind == StatementKind::kCount) {
    payload_.append("count(*)").append(kFieldEnd).append(kRowEnd);
  }
}

StoreResult AnswerBuilder::Failed(std::string error) {
  StoreResult result;
  result.rows = rows_;
  result.error = std::move(error);
  return result;
}

StoreResult AnswerBuilder::Done(int64_t changed) {
  if (over_limit()) return Failed("answer over " + std::to_string(max_payload_) + " bytes");
  StoreResult result;
  result.rows = rows_;
  if (st_.kind == StatementKind::kInsert && changed == 0) {
    result.refused = true;
    result.error = "sign-up is switched off";
    return result;
  }
  result.ok = true;
  result.payload = std::move(payload_);
  if (st_.kind == StatementKind::kExists) result.payload = rows_ ? "ok" : "no";
  if (st_.kind == StatementKind::kUpdate || st_.kind == StatementKind::kInsert) {
    result.rows = changed;
    result.payload = "6";  // the change is committed (and synced) by now
  }
  return result;
}

}  // namespace velmora::service
