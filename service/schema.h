// The service's six tables, as the client names them. Everything the service runs is checked
// against this list first.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::service {

struct Column {
  std::string name;  // UTF-8, as the client spells it
  bool integer = false;
};

struct Table {
  std::string name;  // canonical spelling; statements may use any letter case
  std::vector<Column> columns;
  const Column* FindColumn(std::string_view name) const;  // ASCII letters compared without case
};

const std::vector<Table>& Tables();
const Table* FindTable(std::string_view name);  // without regard to case ("latest1" is "Latest1")

// The key column of every table.
inline constexpr std::string_view kKeyColumn = "编号";

// What a gateway may do with an account row, in both stores' walls: read the columns the client's
// login, presence check and name check read (the key orders them), change the ones a login and a
// sign-out change, and write a new row's sign-up columns. The rest (the sign-up's contact fields,
// the times) are written by a sign-up and read only by the operators' tools.
inline constexpr std::array<std::string_view, 7> kGatewayReadableAccountColumns = {
    "编号", "账号", "密码", "在线", "状态", "登陆IP", "句柄"};
inline constexpr std::array<std::string_view, 4> kLoginColumns = {"在线", "登陆时间", "登陆IP", "句柄"};
inline constexpr std::array<std::string_view, 7> kSignUpColumns = {"账号", "密码", "姓名", "身份证号",
                                                                  "状态", "创建时间", "在线"};

// A dialect's column types: the key's, and every other column's.
struct SchemaTypes {
  std::string_view key;
  std::string_view text;
};
inline constexpr SchemaTypes kSqliteTypes{"INTEGER PRIMARY KEY AUTOINCREMENT", "TEXT NOT NULL DEFAULT ''"};

// CREATE TABLE statements (IF NOT EXISTS, UTF-8) for the six tables in `types`, the account name
// unique.
std::string SchemaSql(const SchemaTypes& types = kSqliteTypes);

// `text` between two `quote` characters, each one inside doubled: SQL's rule for names (") and
// literals (').
std::string SqlQuoted(std::string_view text, char quote);
// "x" quoted as an SQL identifier.
inline std::string QuoteIdentifier(std::string_view name) { return SqlQuoted(name, '"'); }

}  // namespace velmora::service
