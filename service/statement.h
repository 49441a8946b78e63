// Recognition of the statements the client sends. Only their exact shapes pass, each on the
// gateway operation that carries it, with the quoted values taken out as parameters; anything
// else (another table, a second statement, a comment, another condition form) is refused here
// and never reaches the database.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schema.h"

namespace velmora::service {

enum class StatementKind { kSelect, kSelectTop1, kCount, kExists, kUpdate, kInsert };
std::string_view KindName(StatementKind kind);

struct Value {
  bool is_text = true;
  std::string text;  // the literal with its doubled quotes made single
  int64_t number = 0;
};

struct Equality {
  const Column* column = nullptr;
  Value value;
};

struct Statement {
  StatementKind kind = StatementKind::kSelect;
  const Table* table = nullptr;
  std::vector<const Column*> columns;  // select list ("*" spelled out) or insert column list
  std::optional<Equality> where;
  std::vector<Equality> assignments;   // update
  std::vector<Value> values;           // insert, in column order
  const Column* order_by = nullptr;    // top 1
};

// The gateway operations that carry a statement.
enum class StatementOp : char { kExecute = '1', kQuery = '2', kCheck = '4' };

struct Recognition {
  std::optional<Statement> statement;
  std::string refusal;  // why, when there is no statement
};

// `sql` is UTF-8.
Recognition RecognizeStatement(std::string_view sql, StatementOp op);

}  // namespace velmora::service
