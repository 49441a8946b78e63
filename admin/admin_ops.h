// The operators' changes to the service database as typed operations, shared by velmora-admin's
// command line and the web console. Each checks its values as the client will read them (the
// checks of admin_values.h), writes in one transaction, and records the change in the audit
// table in that same transaction: who (the actor given at construction), when, and a one-line
// summary that never holds a password.
//
// Also the console's own tables: the operators who may sign in to the console (Argon2id hashes)
// and the audit log. Neither is readable by the gateway.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "admin_commands.h"
#include "admin_db.h"

namespace velmora::admin {

// What an operation did: kExitOk, kExitUsage (a value refused: nothing stored) or kExitFailed
// (the database refused or failed: nothing stored). `message` is one line: what was done, or
// why not. `field` names the input a refused value came from ("code", "time", ...), or is "".
struct OpResult {
  int status = kExitOk;
  std::string message;
  std::string field;
  std::string key;  // the 编号 of the row a publication made, or ""
  bool ok() const { return status == kExitOk; }
};

// A recommendation as the operator types it; `time` empty means now.
struct RecommendInput {
  std::string code, action, support, resistance, remark;
  std::string time;
};

// The font, size and colour of a notice or an announcement; an absent one keeps the default
// (宋体, 10, black).
struct StyleInput {
  std::optional<std::string> font, size, colour;
};

struct TitleStyleInput {
  std::optional<std::string> colour, size, font, shadow_colour, shadow_offset;
  std::optional<bool> bold;
};

// One operator of the console.
struct OperatorRow {
  std::string name, created;
};

// The SQL making the operators' and the audit tables when they are missing (statements ended by
// ";\n"). On PostgreSQL nobody but the owner gets any privilege on them.
std::string ConsoleSchemaSql(bool postgres);

// Grants `role` (a plain name) what the console does on PostgreSQL: read and write the six tables
// (no deletes), read, add and remove operators, read and add audit rows.
std::string ConsoleGrantsSql(const std::string& role);

// The tables these operations need beside the six, for the "run init" check.
inline constexpr std::string_view kOperatorTable = "operators";
inline constexpr std::string_view kAuditTable = "audit_log";

// The one-line audit summary of a text value: quoted, control characters replaced.
std::string AuditValue(std::string_view text);

class Operations {
 public:
  // `db` opens the database on first use (a bad value is refused before it is opened); it may
  // throw CommandError. `actor` is who the audit records: "velmora-admin:USER" or an operator.
  Operations(std::function<AdminDb&()> db, AdminClock now, std::string actor);

  // Feeds, stored as `velmora-admin recommend|announce|notice` store them.
  OpResult Recommend(const RecommendInput& in);
  OpResult Announce(const std::string& title, const std::string& text, const StyleInput& style);
  OpResult Notice(const std::string& text, const StyleInput& style);

  // Accounts.
  OpResult AddAccount(const std::string& name, const std::string& password);
  OpResult FreezeAccount(const std::string& name);
  OpResult UnfreezeAccount(const std::string& name);
  // Signs the account's current session out: the client sees a handle that is not its own.
  OpResult KickAccount(const std::string& name);
  OpResult ResetPassword(const std::string& name, const std::string& password);

  // The layout row (lset) and the page row (rconfig).
  OpResult SetTitle(const std::string& text);
  OpResult SetTitleStyle(const TitleStyleInput& in);
  OpResult SetPopupSeconds(const std::string& seconds);
  OpResult SetPollSeconds(const std::string& seconds);
  OpResult SetSignup(const std::string& open_or_closed);
  OpResult SetNoticeArea(const std::string& shown_or_hidden);
  OpResult SetContacts(const std::string& qq, const std::string& wangwang);
  OpResult SetPage(const std::string& number, const std::string& caption, const std::string& address);

  // The console's operators: names up to 64 bytes of UTF-8 without control characters; the
  // password is kept only as its Argon2id hash.
  OpResult AddOperator(const std::string& name, const std::string& password);
  OpResult RemoveOperator(const std::string& name);
  std::vector<OperatorRow> ListOperators();

  // Records a change done outside these operations (init, migrate) in the audit table.
  void Record(AdminDb& db, const std::string& summary);

 private:
  template <typename Body>
  OpResult Guard(Body body);
  void UpdateRow(std::string_view table, const std::vector<std::pair<std::string, std::string>>& columns,
                 const std::string& summary);
  OpResult UpdateAccount(const std::string& name, std::string_view column, std::string_view value,
                         std::string_view done, std::string_view verb);
  // A number of seconds (0 to the client's limit) into the layout row's `column`, audited as
  // "set <setting> N".
  OpResult SetSeconds(std::string_view column, std::string_view setting, const std::string& seconds);

  std::function<AdminDb&()> db_;
  AdminClock now_;
  std::string actor_;
  std::string field_;  // the input being checked, for a refusal's `field`
  std::string key_;    // the row a publication made
};

// True when `password` is `name`'s, an operator of the console. An unknown name costs the same
// work as a wrong password. Throws CommandError on a database failure.
bool VerifyOperator(AdminDb& db, const std::string& name, const std::string& password);

// Argon2id hash ("$argon2id$...") of `password`, with libsodium's interactive limits.
std::string HashPassword(const std::string& password);

}  // namespace velmora::admin
