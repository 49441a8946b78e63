// A PostgreSQL server for the tests, started once per test program (scripts/pg-env.sh: a folder
// under /tmp, a free port, its socket in the folder, as "nobody" when the tests run as root) and
// stopped when the program ends. Each test takes a database of its own. Without the server's
// programs the tests fail, saying so: setup installs them.
#pragma once
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "admin_commands.h"
#include "database.h"
#include "pg_database.h"
#include "schema.h"

namespace velmora::service::testing {

class PgServer {
 public:
  // The program's server, started on first use.
  static PgServer& Shared() {
    static PgServer server;
    return server;
  }

  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  const std::string& folder() const { return folder_; }
  int port() const { return port_; }

  // A location on the server's socket (trusted: no password).
  std::string Location(const std::string& role, const std::string& database) const {
    return "postgresql://" + role + "@/" + database + "?host=" + folder_ + "&port=" + std::to_string(port_);
  }
  // A new, empty database owned by velmora_owner (who may make roles), sorting text by the
  // Chinese locale's rules, as an operator's server might: the service must not depend on it.
  std::string NewDatabase() {
    const std::string name = "t" + std::to_string(++databases_);
    std::string error;
    if (!Exec("postgres",
              "CREATE DATABASE " + name +
                  " OWNER velmora_owner TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'zh_CN.utf8' LC_CTYPE 'zh_CN.utf8'",
              &error)) {
      ADD_FAILURE() << "cannot create a database (the zh_CN.UTF-8 locale comes with scripts/setup.sh): " << error;
    }
    return name;
  }
  std::string Owner(const std::string& database) const { return Location("velmora_owner", database); }

  // Runs `sql` as the superuser in `database`.
  bool Exec(const std::string& database, const std::string& sql, std::string* error = nullptr) {
    std::string why;
    PgConnection conn = ConnectPostgres(Location("postgres", database), "velmora-tests", why);
    PgResult result = conn ? PgResult(PQexec(conn.get(), sql.c_str())) : nullptr;
    const auto status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return true;
    if (error) *error = !conn ? why : result ? PgError(result.get()) : PgError(conn.get());
    return false;
  }
  // The first field of `sql`'s first row as the superuser, or "<error: ...>".
  std::string Value(const std::string& database, const std::string& sql) {
    std::string why;
    PgConnection conn = ConnectPostgres(Location("postgres", database), "velmora-tests", why);
    if (!conn) return "<error: " + why + ">";
    PgResult result = PgExec(conn.get(), sql, {}, why);
    if (!result) return "<error: " + why + ">";
    return PQntuples(result.get()) ? PQgetvalue(result.get(), 0, 0) : "<no rows>";
  }

  bool Stop() { return Script("stop " + folder_); }
  bool Crash() { return Script("crash " + folder_); }
  bool Start() { return Script("start " + folder_ + " " + std::to_string(port_)); }

  ~PgServer() {
    if (folder_.empty()) return;
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

 private:
  PgServer() {
    char pattern[] = "/tmp/velmora-pg-XXXXXX";
    if (!mkdtemp(pattern)) {
      error_ = "cannot make a folder under /tmp";
      return;
    }
    folder_ = pattern;
    port_ = FreePort();
    if (!Start()) {
      error_ = "cannot start PostgreSQL with scripts/pg-env.sh (its message is above; setup installs the server)";
      return;
    }
    std::string why;
    ok_ = Exec("postgres", "CREATE ROLE velmora_owner LOGIN CREATEROLE", &why);
    if (!ok_) error_ = "cannot make the owner role: " + why;
  }

  bool Script(const std::string& arguments) {
    const std::string command = "bash " VELMORA_SOURCE_DIR "/scripts/pg-env.sh " + arguments;
    return std::system(command.c_str()) == 0;
  }

  static int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
  }

  bool ok_ = false;
  std::string error_;
  std::string folder_;
  int port_ = 0;
  int databases_ = 0;
};

// Every row of every table, one line a row, for comparing the two stores.
inline std::string SqliteSnapshot(const std::string& path) {
  std::string error, all;
  Database db = OpenDatabase(path, OpenMode::kMustExist, error);
  if (!db) return "<" + error + ">";
  for (const Table& t : Tables()) {
    Query rows(db.get(), "SELECT * FROM " + QuoteIdentifier(t.name) + " ORDER BY 编号");
    while (rows.ok() && rows.Step() == SQLITE_ROW) {
      all += t.name;
      for (int c = 0; c < sqlite3_column_count(rows.get()); ++c) all += "|" + rows.Text(c);
      all += "\n";
    }
  }
  return all;
}
inline std::string PgSnapshot(const std::string& location) {
  std::string error, all;
  PgConnection conn = ConnectPostgres(location, "velmora-tests", error);
  if (!conn) return "<" + error + ">";
  for (const Table& t : Tables()) {
    PgResult rows = PgExec(conn.get(), "SELECT * FROM " + QuoteIdentifier(t.name) + " ORDER BY 编号", {}, error);
    if (!rows) return "<" + error + ">";
    for (int r = 0; r < PQntuples(rows.get()); ++r) {
      all += t.name;
      for (int c = 0; c < PQnfields(rows.get()); ++c) all += std::string("|") + PQgetvalue(rows.get(), r, c);
      all += "\n";
    }
  }
  return all;
}

// A test's own database with the service's tables, the layout and page rows and the gateway's
// role (velmora-admin init), and the locations of its owner and its gateway.
class PgDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server().ok()) << server().error();
    database_ = server().NewDatabase();
    std::string out, err;
    ASSERT_EQ(admin::RunAdmin({"--db", owner(), "init", "--gateway-role", "velmora_gateway", "--gateway-password",
                               "gateway-secret"},
                              out, err, [] { return *DateTime::FromCivil({2026, 12, 9, 14, 30, 0}); }),
              0)
        << err;
  }
  static PgServer& server() { return PgServer::Shared(); }
  std::string owner() const { return server().Owner(database_); }
  std::string gateway() const { return server().Location("velmora_gateway", database_); }

  std::string database_;
};

}  // namespace velmora::service::testing
