// The service's six tables, as the client names them. Everything the service runs is checked
// against this list first.
#pragma once
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

// CREATE TABLE statements for a new database (UTF-8).
std::string SchemaSql();

// "x" quoted as an SQL identifier.
std::string QuoteIdentifier(std::string_view name);

}  // namespace velmora::service
