// Runs recognised statements on the service's database. Each gateway connection is walled in
// by SQLite's authorizer too: no DDL, no ATTACH, no PRAGMA, only the six tables.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "database.h"
#include "statement.h"

namespace velmora::service {

struct StoreResult {
  bool ok = false;
  std::string payload;  // UTF-8: rows for queries, "ok"/"no" for a check, "6" for a change
  int64_t rows = 0;     // rows returned or changed
  std::string error;
};

class Store {
 public:
  static std::unique_ptr<Store> Open(const std::string& path, std::string& error);
  StoreResult Run(const Statement& st);

 private:
  explicit Store(std::string path) : path_(std::move(path)) {}
  Database Acquire(std::string& error);
  void Release(Database db);

  const std::string path_;
  std::mutex mutex_;
  std::vector<Database> idle_;  // connections not in use; one per concurrent request at most
};

// The second wall behind statement recognition: reads of the six tables, inserts and updates,
// count(); everything else (DDL, DELETE, ATTACH, PRAGMA, other functions) is denied.
void InstallGatewayAuthorizer(sqlite3* db);

// "column々column々☆value々value々☆…": every field followed by "々", every row by "☆".
inline constexpr std::string_view kFieldEnd = "々";
inline constexpr std::string_view kRowEnd = "☆";

}  // namespace velmora::service
