#include "statement.h"

#include <algorithm>
#include <array>
#include <limits>

#include "value_rules.h"

namespace velmora::service {
namespace {

enum class Tok { kWord, kQuoted, kString, kNumber, kPunct, kEnd };

struct Token {
  Tok type = Tok::kEnd;
  std::string text;  // word, identifier, string contents, digits, or the punctuation character
};

bool IsWordByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
}

// Splits the statement into tokens; nothing for a character that has no place in any shape.
std::optional<std::vector<Token>> Tokenize(std::string_view s, std::string& why) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '\'') {
      std::string text;
      ++i;
      for (;;) {
        if (i >= s.size()) {
          why = "unterminated string";
          return std::nullopt;
        }
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            text.push_back('\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text.push_back(s[i++]);
      }
      tokens.push_back({Tok::kString, std::move(text)});
    } else if (c == '`') {
      const size_t end = s.find('`', i + 1);
      if (end == std::string_view::npos || end == i + 1) {
        why = "bad quoted name";
        return std::nullopt;
      }
      tokens.push_back({Tok::kQuoted, std::string(s.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9') {
      size_t j = i + 1;
      while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
      tokens.push_back({Tok::kNumber, std::string(s.substr(i, j - i))});
      i = j;
    } else if (IsWordByte(c)) {
      size_t j = i;
      while (j < s.size() && IsWordByte(static_cast<unsigned char>(s[j]))) ++j;
      std::string word(s.substr(i, j - i));
      const bool digits = std::all_of(word.begin(), word.end(), [](char d) { return d >= '0' && d <= '9'; });
      tokens.push_back({digits ? Tok::kNumber : Tok::kWord, std::move(word)});
      i = j;
    } else if (c == '*' || c == ',' || c == '(' || c == ')' || c == '=') {
      tokens.push_back({Tok::kPunct, std::string(1, char(c))});
      ++i;
    } else {
      why = std::string("unexpected character '") + char(c) + "'";
      return std::nullopt;
    }
  }
  tokens.push_back({Tok::kEnd, {}});
  return tokens;
}

bool IsKeyword(const Token& t, std::string_view keyword) {
  if (t.type != Tok::kWord || t.text.size() != keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    char c = t.text[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != keyword[i]) return false;
  }
  return true;
}

// The client's three reads of an account row, each on its own operation and always of one row
// by its name: the login's, the presence check's, and the sign-up's name check (which answers
// only whether the row exists). Any other read would hand out other users' rows and passwords.
struct AccountRead {
  StatementOp op;
  std::vector<std::string_view> columns;  // in order; empty for "*"
};
const std::array<AccountRead, 3> kAccountReads = {{
    {StatementOp::kQuery, {"账号", "密码", "在线", "状态", "登陆IP"}},
    {StatementOp::kQuery, {"句柄"}},
    {StatementOp::kCheck, {}},
}};

template <size_t N>
bool OneOf(const Column* c, const std::array<std::string_view, N>& names) {
  return std::find(names.begin(), names.end(), c->name) != names.end();
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  Recognition Run(StatementOp op) {
    Statement st;
    bool ok = false;
    if (Keyword("select")) {
      ok = Select(st);
    } else if (Keyword("update")) {
      ok = Update(st);
    } else if (Keyword("insert")) {
      ok = Insert(st);
    } else {
      why_ = "not a select, update or insert";
    }
    if (ok && t_[pos_].type != Tok::kEnd) {
      ok = false;
      why_ = "text after the end of the statement";
    }
    if (ok) ok = FitsOperation(st, op);
    if (!ok) return {std::nullopt, why_.empty() ? "unrecognised statement" : why_};
    return {std::move(st), {}};
  }

 private:
  bool Keyword(std::string_view k) {
    if (!IsKeyword(t_[pos_], k)) return false;
    ++pos_;
    return true;
  }
  bool Punct(char c) {
    if (t_[pos_].type != Tok::kPunct || t_[pos_].text[0] != c) return false;
    ++pos_;
    return true;
  }
  bool Fail(std::string why) {
    if (why_.empty()) why_ = std::move(why);
    return false;
  }
  bool Expect(std::string_view k) { return Keyword(k) || Fail("expected '" + std::string(k) + "'"); }
  bool ExpectPunct(char c) { return Punct(c) || Fail(std::string("expected '") + c + "'"); }

  std::optional<std::string> Name() {
    const Token& t = t_[pos_];
    if (t.type != Tok::kWord && t.type != Tok::kQuoted) return std::nullopt;
    ++pos_;
    return t.text;
  }
  bool TableName(Statement& st) {
    const auto name = Name();
    if (!name) return Fail("expected a table");
    st.table = FindTable(*name);
    return st.table || Fail("no such table: " + *name);
  }
  const Column* ColumnName(const Statement& st) {
    const auto name = Name();
    if (!name) {
      Fail("expected a column");
      return nullptr;
    }
    const Column* c = st.table->FindColumn(*name);
    if (!c) Fail("no such column in " + st.table->name + ": " + *name);
    return c;
  }
  std::optional<Value> Literal() {
    const Token& t = t_[pos_];
    if (t.type == Tok::kString) {
      ++pos_;
      return Value{true, t.text, 0};
    }
    if (t.type == Tok::kNumber && t.text.size() <= 18) {
      ++pos_;
      return Value{false, t.text, std::stoll(t.text)};
    }
    Fail("expected a quoted value or a number");
    return std::nullopt;
  }
  bool Condition(Statement& st, std::optional<Equality>& out) {
    const Column* c = ColumnName(st);
    if (!c || !ExpectPunct('=')) return false;
    auto v = Literal();
    if (!v) return false;
    out = Equality{c, std::move(*v)};
    return true;
  }

  // The select list comes before the table, so it is read as names first and checked after.
  bool Select(Statement& st) {
    bool star = false, count = false;
    std::vector<std::string> names;
    if (Keyword("top")) {
      if (t_[pos_].type != Tok::kNumber || t_[pos_].text != "1") return Fail("only 'top 1' is served");
      ++pos_;
      st.kind = StatementKind::kSelectTop1;
    }
    if (Keyword("count")) {
      if (!ExpectPunct('(') || !ExpectPunct('*') || !ExpectPunct(')')) return false;
      count = true;
    } else if (Punct('*')) {
      star = true;
    } else {
      do {
        const auto name = Name();
        if (!name) return Fail("expected a column");
        names.push_back(*name);
      } while (Punct(','));
    }
    if (!Expect("from") || !TableName(st)) return false;
    if (count) {
      if (st.kind == StatementKind::kSelectTop1) return Fail("top 1 of a count");
      st.kind = StatementKind::kCount;
    } else if (star) {
      for (const Column& c : st.table->columns) st.columns.push_back(&c);
    } else {
      for (const std::string& n : names) {
        const Column* c = st.table->FindColumn(n);
        if (!c) return Fail("no such column in " + st.table->name + ": " + n);
        // Never sent by the client, and each repeat makes the answer longer by a column.
        if (std::find(st.columns.begin(), st.columns.end(), c) != st.columns.end()) return Fail("column twice");
        st.columns.push_back(c);
      }
    }
    if (Keyword("where")) {
      if (st.kind == StatementKind::kSelectTop1) return Fail("top 1 with a condition");
      if (!Condition(st, st.where)) return false;
    }
    if (st.kind == StatementKind::kSelectTop1) {
      if (!Expect("order") || !Expect("by")) return false;
      st.order_by = ColumnName(st);
      if (!st.order_by || !Expect("desc")) return false;
    }
    star_ = star;
    return true;
  }

  bool Update(Statement& st) {
    st.kind = StatementKind::kUpdate;
    if (!TableName(st)) return false;
    if (st.table->name != "account") return Fail("updates are served for accounts only");
    if (!Expect("set")) return false;
    do {
      const Column* c = ColumnName(st);
      if (!c) return false;
      if (!OneOf(c, kLoginColumns)) return Fail("column not changed by the client: " + c->name);
      if (!ExpectPunct('=')) return false;
      auto v = Literal();
      if (!v) return false;
      if (auto refusal = WrittenValueRefusal(*c, *v, false); !refusal.empty()) return Fail(std::move(refusal));
      st.assignments.push_back({c, std::move(*v)});
    } while (Punct(','));
    if (!Expect("where") || !Condition(st, st.where)) return false;
    return ByName(st) || Fail("accounts are changed by name only");
  }

  // "账号='…'": the one condition the client puts on an account row.
  static bool ByName(const Statement& st) {
    return st.where && st.where->column->name == "账号" && st.where->value.is_text;
  }

  bool IsAccountRead(const Statement& st, StatementOp op) const {
    if (st.kind != StatementKind::kSelect || !ByName(st)) return false;
    return std::any_of(kAccountReads.begin(), kAccountReads.end(), [&](const AccountRead& read) {
      if (read.op != op || read.columns.empty() != star_) return false;
      return star_ || std::equal(read.columns.begin(), read.columns.end(), st.columns.begin(), st.columns.end(),
                                 [](std::string_view name, const Column* c) { return c->name == name; });
    });
  }

  bool Insert(Statement& st) {
    st.kind = StatementKind::kInsert;
    if (!Expect("into") || !TableName(st)) return false;
    if (st.table->name != "account") return Fail("inserts are served for accounts only");
    if (!ExpectPunct('(')) return false;
    do {
      const Column* c = ColumnName(st);
      if (!c) return false;
      if (!OneOf(c, kSignUpColumns)) return Fail("column not written by a sign-up: " + c->name);
      if (std::find(st.columns.begin(), st.columns.end(), c) != st.columns.end()) return Fail("column twice");
      st.columns.push_back(c);
    } while (Punct(','));
    if (!ExpectPunct(')') || !Expect("values") || !ExpectPunct('(')) return false;
    do {
      auto v = Literal();
      if (!v) return false;
      st.values.push_back(std::move(*v));
    } while (Punct(','));
    if (!ExpectPunct(')')) return false;
    if (st.values.size() != st.columns.size()) return Fail("as many values as columns");
    // A sign-up writes every column of a new account: one left out would take the column's
    // default, an empty password among them.
    if (st.columns.size() != kSignUpColumns.size()) return Fail("a new account needs every sign-up column");
    for (size_t i = 0; i < st.values.size(); ++i) {
      if (auto refusal = WrittenValueRefusal(*st.columns[i], st.values[i], true); !refusal.empty()) {
        return Fail(std::move(refusal));
      }
    }
    return true;
  }

  bool FitsOperation(Statement& st, StatementOp op) {
    if (st.table->name == "account" && st.kind != StatementKind::kUpdate && st.kind != StatementKind::kInsert &&
        !IsAccountRead(st, op)) {
      return Fail("not one of the client's reads of an account");
    }
    switch (op) {
      case StatementOp::kExecute:
        return st.kind == StatementKind::kUpdate || st.kind == StatementKind::kInsert ||
               Fail("operation 1 carries updates and inserts");
      case StatementOp::kQuery:
        return st.kind == StatementKind::kSelect || st.kind == StatementKind::kSelectTop1 ||
               st.kind == StatementKind::kCount || Fail("operation 2 carries selects");
      case StatementOp::kCheck:
        if (st.kind != StatementKind::kSelect || !star_ || !st.where) {
          return Fail("operation 4 carries 'select * ... where'");
        }
        st.kind = StatementKind::kExists;
        return true;
    }
    return Fail("unknown operation");
  }

  std::vector<Token> t_;
  size_t pos_ = 0;
  std::string why_;
  bool star_ = false;
};

}  // namespace

std::string_view KindName(StatementKind kind) {
  switch (kind) {
    case StatementKind::kSelect: return "select";
    case StatementKind::kSelectTop1: return "top1";
    case StatementKind::kCount: return "count";
    case StatementKind::kExists: return "exists";
    case StatementKind::kUpdate: return "update";
    case StatementKind::kInsert: return "insert";
  }
  return "?";
}

Recognition RecognizeStatement(std::string_view sql, StatementOp op) {
  std::string why;
  auto tokens = Tokenize(sql, why);
  if (!tokens) return {std::nullopt, why};
  return Parser(std::move(*tokens)).Run(op);
}

}  // namespace velmora::service
