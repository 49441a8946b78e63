// The operators' web console: sign-in, sessions, CSRF checks and the pages, over the console's
// database connection (one that may write: the SQLite file, or --console-db on PostgreSQL).
// Every change goes through admin::Operations, so it is checked and audited as velmora-admin's.
//
// Routes: GET/POST /login, POST /logout, GET / (overview), GET/POST /recommendations,
// GET/POST /accounts, GET/POST /announcements, GET/POST /settings, GET /audit. Without a session
// every page but /login answers 303 to /login; a POST without the session's CSRF token answers 403.
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "admin_commands.h"
#include "admin_db.h"
#include "admin_values.h"
#include "console_server.h"
#include "request_counters.h"
#include "sessions.h"

namespace velmora::console {

// The console's database connection, opened on first use and again after it was lost; one
// request at a time uses it.
class ConsoleDb {
 public:
  using Opener = std::function<std::unique_ptr<admin::AdminDb>()>;  // may throw admin::CommandError
  explicit ConsoleDb(Opener open) : open_(std::move(open)) {}

  // Runs `work` with the connection; a database failure it throws is passed on, and the
  // connection is opened again for the next request when it no longer answers.
  template <typename Work>
  auto With(Work work) -> decltype(work(std::declval<admin::AdminDb&>())) {
    std::lock_guard lock(mutex_);
    if (!db_) db_ = open_();
    try {
      return work(*db_);
    } catch (const admin::CommandError&) {
      DropIfLost();
      throw;
    }
  }
  // After a failed operation: forgets the connection when it no longer answers.
  void DropIfLost();  // under mutex_

 private:
  Opener open_;
  std::mutex mutex_;
  std::unique_ptr<admin::AdminDb> db_;
};

struct ConsoleOptions {
  admin::AdminClock now;
  service::RequestCounters* counters = nullptr;  // the gateway's, or none
  // Runs slow work (the database, password checks) off the server's loop.
  std::function<void(std::function<void()>)> post;
  std::function<void(const std::string&)> log;
};

class ConsoleApp {
 public:
  ConsoleApp(ConsoleDb::Opener open, ConsoleOptions options);
  // The server's handler.
  void Handle(ConsoleRequest&& request, ConsoleRespond respond);

 private:
  ConsoleReply Serve(const ConsoleRequest& request);

  ConsoleDb db_;
  ConsoleOptions options_;
  SessionStore sessions_;
  LoginThrottle throttle_;
};

}  // namespace velmora::console
