// The six statement builders: every statement the client sends is assembled here from fixed
// fragments, sent through the gateway operation that fits, and turned into a value.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// The three gateway operations that carry a statement; failures come back as "".
class GatewayLink {
 public:
  virtual ~GatewayLink() = default;
  virtual std::string Query(const std::string& sql) = 0;    // rows
  virtual std::string Execute(const std::string& sql) = 0;  // update or insert: "6" on success
  virtual std::string Check(const std::string& sql) = 0;    // existence: "ok" when a row matches
};

// A value between single quotes, every quote inside doubled (byte-wise, so no byte sequence can
// end the string early), so text typed by a user can never end the SQL string.
std::string SqlQuote(std::string_view value);
// column='value', the condition and assignment form used throughout.
std::string SqlEquals(std::string_view column, std::string_view value);

// The statement texts, exactly as the gateway expects them. Empty columns mean "*", an empty
// condition leaves out the where clause.
namespace statement {
std::string SelectRows(std::string_view table, std::string_view columns, std::string_view condition);
std::string SelectTop1(std::string_view table, std::string_view columns, std::string_view order_column);
std::string CountRows(std::string_view table, std::string_view condition);
std::string UpdateRows(std::string_view table, std::string_view assignments, std::string_view condition);
std::string InsertRow(std::string_view table, std::string_view columns, std::string_view values);
std::string RowExists(std::string_view table, std::string_view condition);
}  // namespace statement

std::string SelectRows(GatewayLink& gw, std::string_view table, std::string_view columns,
                       std::string_view condition);
std::string SelectTop1(GatewayLink& gw, std::string_view table, std::string_view columns,
                       std::string_view order_column);
int64_t CountRows(GatewayLink& gw, std::string_view table, std::string_view condition);
bool UpdateRows(GatewayLink& gw, std::string_view table, std::string_view assignments,
                std::string_view condition);
bool InsertRow(GatewayLink& gw, std::string_view table, std::string_view columns, std::string_view values);

enum class RowCheck { kFound, kAbsent, kNoAnswer };

struct RetryPolicy {
  int attempts = 3;
  std::chrono::milliseconds pause{200};
  // How to wait between attempts; by default the window system keeps running meanwhile.
  std::function<void(std::chrono::milliseconds)> wait;
};

// Asks until an answer comes, at most `policy.attempts` times: "no answer" is reported as such,
// so a caller never mistakes a silent service for a missing row.
RowCheck RowExists(GatewayLink& gw, std::string_view table, std::string_view condition,
                   const RetryPolicy& policy = {});

}  // namespace velmora
