// Statement recognition on arbitrary text, for each gateway operation. Whatever passes must be a
// statement the store can run as it stands: a known table, that table's columns, the shapes each
// operation allows. And it must read back the same when written out again as the client writes
// statements, so that quoting and numbers survive the tokenizer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "gbk.h"
#include "schema.h"
#include "statement.h"
#include "value_rules.h"

namespace {

using velmora::service::Column;
using velmora::service::Equality;
using velmora::service::RecognizeStatement;
using velmora::service::Statement;
using velmora::service::StatementKind;
using velmora::service::StatementOp;
using velmora::service::Table;
using velmora::service::Value;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsTable(const Table* t) {
  for (const Table& known : velmora::service::Tables()) {
    if (&known == t) return true;
  }
  return false;
}

bool Belongs(const Column* c, const Table& t) {
  for (const Column& known : t.columns) {
    if (&known == c) return true;
  }
  return false;
}

// UTF-8 column names, spelled out so this file does not depend on the execution character set.
constexpr std::string_view kAccountName = "\xE8\xB4\xA6\xE5\x8F\xB7";  // 账号

bool IsDecimal(std::string_view s) {
  if (!s.empty() && s[0] == '-') s.remove_prefix(1);
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void CheckValue(const Value& v) {
  if (v.is_text) return;
  // The spelling is kept ("007"), the number is its value.
  Require(IsDecimal(v.text) && v.text.size() <= 18 && std::stoll(v.text) == v.number);
}

void CheckEquality(const Equality& e, const Table& t) {
  Require(e.column != nullptr && Belongs(e.column, t));
  CheckValue(e.value);
}

// The account reads the client makes: the login's five columns and the presence check's one, by
// name; the name check is the "select *" of an existence check.
const char* const kLoginRead[] = {"\xE8\xB4\xA6\xE5\x8F\xB7", "\xE5\xAF\x86\xE7\xA0\x81", "\xE5\x9C\xA8\xE7\xBA\xBF",
                                  "\xE7\x8A\xB6\xE6\x80\x81", "\xE7\x99\xBB\xE9\x99\x86IP"};
const char* const kPresenceRead[] = {"\xE5\x8F\xA5\xE6\x9F\x84"};

template <size_t N>
bool ReadsExactly(const Statement& st, const char* const (&names)[N]) {
  if (st.columns.size() != N) return false;
  for (size_t i = 0; i < N; ++i) {
    if (st.columns[i]->name != names[i]) return false;
  }
  return true;
}

bool ByName(const Statement& st) {
  return st.where && st.where->column->name == kAccountName && st.where->value.is_text;
}

// Whatever is written reads back in the client as it was written: whole GBK pairs, no controls.
void CheckWritten(const Value& v) {
  const auto gbk = velmora::service::Utf8ToGbk(v.is_text ? v.text : std::to_string(v.number));
  Require(gbk && velmora::service::ReadsBackAsWritten(*gbk));
}

void CheckShape(const Statement& st, StatementOp op) {
  Require(st.table != nullptr && IsTable(st.table));
  const Table& t = *st.table;
  for (const Column* c : st.columns) Require(c != nullptr && Belongs(c, t));
  for (size_t i = 0; i < st.columns.size(); ++i) {
    for (size_t j = i + 1; j < st.columns.size(); ++j) Require(st.columns[i] != st.columns[j]);
  }
  for (const Equality& a : st.assignments) CheckWritten(a.value);
  for (const Value& v : st.values) CheckWritten(v);
  if (t.name == "account") {
    switch (st.kind) {
      case StatementKind::kSelect:
        Require(ByName(st) && (ReadsExactly(st, kLoginRead) || ReadsExactly(st, kPresenceRead)));
        break;
      case StatementKind::kExists:
      case StatementKind::kUpdate:
        Require(ByName(st));
        break;
      case StatementKind::kInsert:
        Require(st.columns.size() == 7);
        break;
      case StatementKind::kSelectTop1:
      case StatementKind::kCount:
        Require(false);
    }
  }
  if (st.where) CheckEquality(*st.where, t);
  for (const Equality& a : st.assignments) CheckEquality(a, t);
  for (const Value& v : st.values) CheckValue(v);
  if (st.order_by) Require(Belongs(st.order_by, t));

  switch (op) {
    case StatementOp::kExecute:
      Require(st.kind == StatementKind::kUpdate || st.kind == StatementKind::kInsert);
      break;
    case StatementOp::kQuery:
      Require(st.kind == StatementKind::kSelect || st.kind == StatementKind::kSelectTop1 ||
              st.kind == StatementKind::kCount);
      break;
    case StatementOp::kCheck:
      Require(st.kind == StatementKind::kExists);
      break;
  }

  switch (st.kind) {
    case StatementKind::kSelect:
      Require(!st.columns.empty() && st.assignments.empty() && st.values.empty() && !st.order_by);
      break;
    case StatementKind::kSelectTop1:
      Require(!st.columns.empty() && !st.where && st.order_by && st.assignments.empty() && st.values.empty());
      break;
    case StatementKind::kCount:
      Require(st.columns.empty() && st.assignments.empty() && st.values.empty() && !st.order_by);
      break;
    case StatementKind::kExists:
      // Only "select * ... where": every column of the table, in order, and a condition.
      Require(st.where && st.columns.size() == t.columns.size() && !st.order_by);
      for (size_t i = 0; i < t.columns.size(); ++i) Require(st.columns[i] == &t.columns[i]);
      break;
    case StatementKind::kUpdate:
      Require(t.name == "account" && !st.assignments.empty() && st.where &&
              st.where->column->name == kAccountName && st.columns.empty() && st.values.empty());
      break;
    case StatementKind::kInsert: {
      Require(t.name == "account" && !st.where && st.assignments.empty());
      Require(!st.columns.empty() && st.values.size() == st.columns.size());
      bool names_account = false;
      for (size_t i = 0; i < st.columns.size(); ++i) {
        names_account |= st.columns[i]->name == kAccountName;
        for (size_t j = i + 1; j < st.columns.size(); ++j) Require(st.columns[i] != st.columns[j]);
      }
      Require(names_account);
      break;
    }
  }
}

std::string Name(std::string_view name) { return "`" + std::string(name) + "`"; }

std::string Literal(const Value& v) {
  if (!v.is_text) return v.text;
  std::string out = "'";
  for (char c : v.text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

std::string Condition(const Equality& e) { return Name(e.column->name) + "=" + Literal(e.value); }

// The statement as the client would write it, names in back quotes.
std::string Render(const Statement& st) {
  const std::string table = Name(st.table->name);
  std::string list;
  for (const Column* c : st.columns) list += (list.empty() ? "" : ",") + Name(c->name);
  switch (st.kind) {
    case StatementKind::kSelect:
      return "select " + list + " from " + table + (st.where ? " where " + Condition(*st.where) : "");
    case StatementKind::kSelectTop1:
      return "select top 1 " + list + " from " + table + " order by " + Name(st.order_by->name) + " desc";
    case StatementKind::kCount:
      return "select count(*) from " + table + (st.where ? " where " + Condition(*st.where) : "");
    case StatementKind::kExists:
      return "select * from " + table + " where " + Condition(*st.where);
    case StatementKind::kUpdate: {
      std::string sets;
      for (const Equality& a : st.assignments) sets += (sets.empty() ? "" : ",") + Condition(a);
      return "update " + table + " set " + sets + " where " + Condition(*st.where);
    }
    case StatementKind::kInsert: {
      std::string values;
      for (const Value& v : st.values) values += (values.empty() ? "" : ",") + Literal(v);
      return "insert into " + table + " (" + list + ") values (" + values + ")";
    }
  }
  return {};
}

bool SameValue(const Value& a, const Value& b) {
  return a.is_text == b.is_text && a.text == b.text && a.number == b.number;
}

bool SameEquality(const Equality& a, const Equality& b) {
  return a.column == b.column && SameValue(a.value, b.value);
}

bool Same(const Statement& a, const Statement& b) {
  if (a.kind != b.kind || a.table != b.table || a.columns != b.columns || a.order_by != b.order_by ||
      a.where.has_value() != b.where.has_value() || a.assignments.size() != b.assignments.size() ||
      a.values.size() != b.values.size()) {
    return false;
  }
  if (a.where && !SameEquality(*a.where, *b.where)) return false;
  for (size_t i = 0; i < a.assignments.size(); ++i) {
    if (!SameEquality(a.assignments[i], b.assignments[i])) return false;
  }
  for (size_t i = 0; i < a.values.size(); ++i) {
    if (!SameValue(a.values[i], b.values[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  for (const StatementOp op : {StatementOp::kExecute, StatementOp::kQuery, StatementOp::kCheck}) {
    const auto recognised = RecognizeStatement(sql, op);
    if (!recognised.statement) {
      Require(!recognised.refusal.empty());
      continue;
    }
    Require(recognised.refusal.empty());
    const Statement& st = *recognised.statement;
    CheckShape(st, op);

    // A back-quoted name cannot hold a back quote; every schema name is free of them.
    const auto again = RecognizeStatement(Render(st), op);
    Require(again.statement.has_value());
    Require(Same(st, *again.statement));
  }
  return 0;
}
