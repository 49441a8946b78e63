// What both stores share after recognition: the recognised statement in each database's SQL
// (values stay parameters, numbered in order: assignments, inserted values, the condition), and
// the answer built from its rows, so that the two stores answer byte for byte alike.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "statement.h"
#include "store.h"

namespace velmora::service {

enum class SqlDialect { kSqlite, kPostgres };

// The statement's text: "?" parameters for SQLite, "$1".. for PostgreSQL. Names are quoted (the
// tables' and columns' spellings hold capitals and Chinese); text is ordered by its bytes; "top 1"
// is a LIMIT, with the newest row (highest key) first among equals.
std::string TranslateStatement(const Statement& st, SqlDialect dialect);

// The text PostgreSQL is given for the condition's value, or nullopt (NULL, which matches nothing)
// where SQLite's comparison could never be true: a text compared with the integer key is taken as
// the number it spells (" 7", "7.0"), as SQLite's numeric affinity takes it, or matches no row.
std::optional<std::string> PostgresConditionValue(const Column& column, const Value& value);
// A written value's text: numbers as SQLite stores them in a text column.
std::string PostgresValue(const Value& value);

// Builds the answer to one statement from its rows, giving up past `max_payload` bytes.
class AnswerBuilder {
 public:
  AnswerBuilder(const Statement& st, size_t max_payload);
  // Adds a row; false once the answer is past the limit (stop reading rows then).
  template <typename Field>
  bool Row(int columns, Field field) {
    ++rows_;
    if (st_.kind == StatementKind::kExists) return true;
    for (int i = 0; i < columns; ++i) payload_.append(field(i)).append(kFieldEnd);
    payload_.append(kRowEnd);
    return payload_.size() <= max_payload_;
  }
  bool over_limit() const { return payload_.size() > max_payload_; }
  // The statement ran to its end: `changed` rows for a change.
  StoreResult Done(int64_t changed);
  // It did not: the failure, with what the database said.
  StoreResult Failed(std::string error);

 private:
  const Statement& st_;
  const size_t max_payload_;
  std::string payload_;
  int64_t rows_ = 0;
};

}  // namespace velmora::service
