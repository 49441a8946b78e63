// velmora-admin: the operators' command line over the gateway's database (the SQLite file, or the
// PostgreSQL database the gateways share, with its tables and roles). Accounts, the feeds the
// client shows (recommendations, announcements, the login notice) and the layout settings, written
// in the encodings the client reads.
#pragma once
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "gateway/date_time.h"

namespace velmora::admin {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation failed: unknown account, database error
inline constexpr int kExitUsage = 2;   // bad command line or bad input

// The local wall-clock time, as the client and the service write their date-times.
using AdminClock = std::function<DateTime()>;

// Runs one command line (without the program name): "--db PATH|URI COMMAND ...". Texts are UTF-8.
// Results go to `out`, one-line error messages ("velmora-admin: ...") to `err`; returns the
// exit status. `in` (standard input unless given) is where `operator add` reads the password.
// Every change is recorded in the audit table as made by CommandLineActor().
int RunAdmin(const std::vector<std::string>& args, std::string& out, std::string& err, const AdminClock& now,
             std::istream* in = nullptr);

// "velmora-admin:USER", USER the effective user's name.
std::string CommandLineActor();

}  // namespace velmora::admin
