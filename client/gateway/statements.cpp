#include "gateway/statements.h"

#include "gateway/platform.h"
#include "gateway/result_rows.h"

namespace velmora {

std::string SqlQuote(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

std::string SqlEquals(std::string_view column, std::string_view value) {
  return std::string(column) + "=" + SqlQuote(value);
}

namespace statement {
namespace {
std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view p : parts) out.append(p);
  return out;
}
std::string_view OrStar(std::string_view columns) { return columns.empty() ? "*" : columns; }
}  // namespace

std::string SelectRows(std::string_view table, std::string_view columns, std::string_view condition) {
  if (condition.empty()) return Cat({"select ", OrStar(columns), " from ", table});
  return Cat({"select ", OrStar(columns), " from ", table, " where ", condition});
}

std::string SelectTop1(std::string_view table, std::string_view columns, std::string_view order_column) {
  return Cat({"select top 1 ", OrStar(columns), " from ", table, " order by ", order_column, " desc"});
}

std::string CountRows(std::string_view table, std::string_view condition) {
  if (condition.empty()) return Cat({"select count(*) from ", table});
  return Cat({"select count(*) from ", table, " where ", condition});
}

std::string UpdateRows(std::string_view table, std::string_view assignments, std::string_view condition) {
  if (condition.empty()) return Cat({"update ", table, " set ", assignments});
  return Cat({"update ", table, " set ", assignments, " where ", condition});
}

std::string InsertRow(std::string_view table, std::string_view columns, std::string_view values) {
  return Cat({"insert into ", table, " (", columns, ") values (", values, ")"});
}

std::string RowExists(std::string_view table, std::string_view condition) {
  return Cat({"select * from ", table, " where ", condition});
}
}  // namespace statement

std::string SelectRows(GatewayLink& gw, std::string_view table, std::string_view columns,
                       std::string_view condition) {
  return gw.Query(statement::SelectRows(table, columns, condition));
}

std::string SelectTop1(GatewayLink& gw, std::string_view table, std::string_view columns,
                       std::string_view order_column) {
  return gw.Query(statement::SelectTop1(table, columns, order_column));
}

int64_t CountRows(GatewayLink& gw, std::string_view table, std::string_view condition) {
  return ParseCount(gw.Query(statement::CountRows(table, condition)));
}

bool UpdateRows(GatewayLink& gw, std::string_view table, std::string_view assignments,
                std::string_view condition) {
  return IsSuccessAnswer(gw.Execute(statement::UpdateRows(table, assignments, condition)));
}

bool InsertRow(GatewayLink& gw, std::string_view table, std::string_view columns, std::string_view values) {
  return IsSuccessAnswer(gw.Execute(statement::InsertRow(table, columns, values)));
}

RowCheck RowExists(GatewayLink& gw, std::string_view table, std::string_view condition,
                   const RetryPolicy& policy) {
  const std::string sql = statement::RowExists(table, condition);
  for (int attempt = 0; attempt < policy.attempts; ++attempt) {
    if (attempt > 0) {
      if (policy.wait) {
        policy.wait(policy.pause);
      } else if (WaitPumping([] { return false; }, policy.pause) == WaitEnd::kQuit) {
        return RowCheck::kNoAnswer;  // the program is ending: no more attempts
      }
    }
    if (!PumpPendingMessages()) return RowCheck::kNoAnswer;
    const std::string answer = gw.Check(sql);
    if (!answer.empty()) return answer == "ok" ? RowCheck::kFound : RowCheck::kAbsent;
  }
  return RowCheck::kNoAnswer;
}

}  // namespace velmora
