// PostgreSQL owners and the set-up shared by the gateway and the admin command line: the
// connection, results, the six tables in PostgreSQL's terms and the gateway role's privileges.
#pragma once
#include <libpq-fe.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::service {

struct PgConnCloser {
  void operator()(PGconn* conn) const { PQfinish(conn); }
};
using PgConnection = std::unique_ptr<PGconn, PgConnCloser>;

struct PgResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultClearer>;

// True when `location` (a --db value) names a PostgreSQL database: a libpq connection URI.
bool IsPostgresLocation(std::string_view location);

// `location` fit for a log line: user, host, port and database, never the password.
std::string RedactedLocation(const std::string& location);

// Connects to `location` with texts in UTF-8 and `application_name`. A server that does not
// answer within `connect_timeout` seconds (5 unless the location says) is a failure. Nothing,
// with `error` set (one line, no password), when it cannot connect.
PgConnection ConnectPostgres(const std::string& location, const char* application_name, std::string& error);

// Waits for the next result of a query sent on `conn` until `deadline`. Nothing when the query
// has no more results; also nothing, with `timed_out` set, when the server stayed silent.
PgResult NextResult(PGconn* conn, std::chrono::steady_clock::time_point deadline, bool& timed_out);

// The connection's last error on one line.
std::string PgError(PGconn* conn);
std::string PgError(const PGresult* result);

// Runs `sql` with text parameters ($1, $2...; nullopt is NULL) and waits for its result. Nothing,
// with `error` set, when it failed.
PgResult PgExec(PGconn* conn, const std::string& sql, const std::vector<std::optional<std::string>>& params,
                std::string& error);

// CREATE TABLE statements for the six tables (IF NOT EXISTS): the key an identity column, every
// other column text, the account name unique.
std::string PostgresSchemaSql();

// Grants `role` what the gateway needs and nothing more: reads of the six tables (of an account
// row only the columns the client reads), the sign-up's insert and the login's changes of an
// account. `role` is a plain name (see IsPlainRoleName). Temporary tables in `database` are
// left to the roles granted them by name.
std::string GatewayGrantsSql(const std::string& role, const std::string& database);

// Lower-case letters, digits and '_', starting with a letter, at most 63 bytes: a role name that
// needs no quoting anywhere.
bool IsPlainRoleName(std::string_view name);

// Role the gateway connects as, unless `init --gateway-role` names another.
inline constexpr std::string_view kDefaultGatewayRole = "velmora_gateway";

}  // namespace velmora::service
