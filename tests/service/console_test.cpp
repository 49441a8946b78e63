// The operators' console: its escaping and its session and throttle rules in-process, then the
// real velmora-gateway with --console, driven over HTTP as a browser would (and over TLS).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "admin_commands.h"
#include "console_client.h"
#include "database.h"
#include "gateway_process.h"
#include "html.h"
#include "service_support.h"
#include "sessions.h"

namespace velmora::service {
namespace {

using namespace std::chrono_literals;
using testing::ConsoleSession;
using testing::FormEncoded;
using testing::GatewayProcess;
using testing::Header;
using testing::Status;
using testing::TempDatabase;

// ---- In-process ------------------------------------------------------------------------------

TEST(HtmlEscape, HostileTextCannotLeaveItsPlace) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"\"'&", "&quot;&#39;&amp;"},
      {"々☆招商银行", "々☆招商银行"},                       // whole characters pass
      {"a\xB0" "b", "a\xEF\xBF\xBD" "b"},                  // a lone GBK lead byte
      {"\xB0\xA1", "\xEF\xBF\xBD\xEF\xBF\xBD"},            // GBK 啊: not UTF-8
      {"\xC0\xBC", "\xEF\xBF\xBD\xEF\xBF\xBD"},            // an overlong '<'
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"\xE4\xB8", "\xEF\xBF\xBD\xEF\xBF\xBD"},            // a character cut short
      {std::string("a\0b\x1b", 4), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
      {"line\nnext\ttab", "line\nnext\ttab"},
  };
  for (const auto& c : cases) EXPECT_EQ(console::HtmlEscape(c.in), c.out) << c.in;
}

TEST(ConsoleForms, DecodesFieldsAsBrowsersSendThem) {
  const auto form = console::ParseForm("name=%E5%BC%A0%E4%B8%89&password=a+b%2B%26&x=%zz&name=second&empty=");
  EXPECT_EQ(console::FormValue(form, "name"), "张三");
  EXPECT_EQ(console::FormValue(form, "password"), "a b+&");
  EXPECT_EQ(console::FormValue(form, "x"), "%zz");
  EXPECT_EQ(console::FormValue(form, "empty"), "");
  EXPECT_EQ(console::FormValue(form, "missing"), "");
}

TEST(ConsoleSessions, ExpireAfterThirtyIdleMinutesOnly) {
  console::SessionStore sessions;
  const auto t0 = console::Clock::now();
  const std::string id = sessions.Create("ops", t0);
  EXPECT_EQ(id.size(), 64u);
  ASSERT_TRUE(sessions.Touch(id, t0 + 29min));
  EXPECT_TRUE(sessions.Touch(id, t0 + 58min));  // each use starts the idle time again
  EXPECT_FALSE(sessions.Touch(id, t0 + 88min));
  EXPECT_FALSE(sessions.Touch(id, t0 + 58min));  // gone for good
  EXPECT_FALSE(sessions.Touch("", t0));
  const std::string other = sessions.Create("ops", t0);
  EXPECT_NE(other, id);
  EXPECT_NE(sessions.Touch(other, t0)->csrf, other);
}

TEST(ConsoleThrottle, DoublesAfterTheThirdFailureAndForgetsOldOnes) {
  console::LoginThrottle throttle;
  const auto t0 = console::Clock::now();
  std::vector<int64_t> delays;
  for (int i = 0; i < 10; ++i) delays.push_back(throttle.Failed("10.0.0.1", t0 + i * 1s).count());
  EXPECT_EQ(delays, (std::vector<int64_t>{0, 0, 0, 500, 1000, 2000, 4000, 8000, 8000, 8000}));
  EXPECT_EQ(throttle.Failed("10.0.0.2", t0).count(), 0);  // per address
  EXPECT_EQ(throttle.Failed("10.0.0.1", t0 + 11min).count(), 0);  // the old ones are out of the window
  throttle.Succeeded("10.0.0.2");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(throttle.Failed("10.0.0.2", t0).count(), 0);
}

// ---- The real gateway --------------------------------------------------------------------------

DateTime Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return *DateTime::FromCivil({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

int Admin(const std::string& db, std::vector<std::string> args, const std::string& input = "",
          std::string* out = nullptr) {
  args.insert(args.begin(), {"--db", db});
  std::istringstream in(input);
  std::string o, e;
  const int status = admin::RunAdmin(args, o, e, Now, &in);
  if (out) *out = o + e;
  return status;
}

std::vector<std::vector<std::string>> Rows(const std::string& path, const std::string& sql) {
  std::string error;
  Database db = OpenDatabase(path, OpenMode::kMustExist, error);
  std::vector<std::vector<std::string>> rows;
  Query q(db.get(), sql);
  while (q.ok() && q.Step() == SQLITE_ROW) {
    auto& row = rows.emplace_back();
    for (int c = 0; c < sqlite3_column_count(q.get()); ++c) row.push_back(q.Text(c));
  }
  return rows;
}

constexpr char kOperator[] = "值班员";
constexpr char kPassword[] = "correct horse 电池";

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Admin(db_.path(), {"init", "--demo"}), 0);
    ASSERT_EQ(Admin(db_.path(), {"operator", "add", kOperator}, std::string(kPassword) + "\n"), 0);
    gateway_ = std::make_unique<GatewayProcess>(db_.path(), std::vector<std::string>{"--console", "127.0.0.1:0"});
    port_ = testing::ConsolePort(gateway_->Log());
    ASSERT_GT(port_, 0) << gateway_->Log();
  }
  std::string Get(const std::string& target) { return testing::Exchange(port_, testing::Request("GET", target, "")); }
  std::string Count(const std::string& table) { return Rows(db_.path(), "SELECT count(*) FROM " + table)[0][0]; }

  TempDatabase db_;
  std::unique_ptr<GatewayProcess> gateway_;
  int port_ = 0;
};

TEST_F(ConsoleTest, EveryPageButTheLoginNeedsASession) {
  for (const char* target : {"/", "/recommendations", "/recommendations?page=2", "/accounts", "/announcements", "/audit", "/settings"}) {
    const std::string response = Get(target);
    EXPECT_EQ(Status(response), "HTTP/1.1 303 See Other") << target;
    EXPECT_EQ(Header(response, "Location"), "/login") << target;
  }
  const std::string before = Count("\"Latest1\"");
  const std::string post = testing::Exchange(
      port_, testing::Request("POST", "/recommendations", "velmora_console=" + std::string(64, 'a'),
                              "code=600000&action=" + FormEncoded("买入") + "&remark=x"));
  EXPECT_EQ(Header(post, "Location"), "/login");
  EXPECT_EQ(Count("\"Latest1\""), before);

  const std::string login = Get("/login");
  EXPECT_EQ(Status(login), "HTTP/1.1 200 OK");
  for (const char* id : {"id=\"name\"", "id=\"password\"", "autofocus", "id=\"login-submit\""}) {
    EXPECT_NE(login.find(id), std::string::npos) << id;
  }
}

TEST_F(ConsoleTest, SignInTakesOnlyItsOwnFormsToken) {
  // Another site's page can post the form but cannot send the SameSite cookie that pairs with the
  // form's token: without both, the right password signs nobody in.
  const std::string page = Get("/login");
  const std::string set = Header(page, "Set-Cookie");
  ASSERT_EQ(set.find("velmora_login="), 0u) << page;
  EXPECT_NE(set.find("; SameSite=Strict"), std::string::npos);
  const std::string cookie = set.substr(0, set.find(';'));
  const std::string token = cookie.substr(cookie.find('=') + 1);
  const std::string credentials = "&name=" + FormEncoded(kOperator) + "&password=" + FormEncoded(kPassword);
  const struct {
    std::string cookie, body;
  } refused[] = {
      {"", "csrf=" + token + credentials},                                 // the token without its cookie
      {cookie, credentials.substr(1)},                                     // the cookie without the token
      {cookie, "csrf=" + std::string(64, '0') + credentials},              // another token
      {"velmora_login=" + std::string(64, '0'), "csrf=" + token + credentials},
  };
  for (const auto& r : refused) {
    const std::string response = testing::Exchange(port_, testing::Request("POST", "/login", r.cookie, r.body));
    EXPECT_EQ(Status(response), "HTTP/1.1 403 Forbidden") << r.cookie << " " << r.body;
    EXPECT_EQ(response.find("velmora_console="), std::string::npos) << response;
  }
  // A second look at the sign-in page (another tab, the icon's redirect) keeps the browser's token.
  EXPECT_EQ(Header(testing::Exchange(port_, testing::Request("GET", "/login", cookie)), "Set-Cookie"), set);
  const std::string accepted = testing::Exchange(port_, testing::Request("POST", "/login", cookie, "csrf=" + token + credentials));
  EXPECT_EQ(Status(accepted), "HTTP/1.1 303 See Other");
  EXPECT_EQ(Header(accepted, "Set-Cookie").find("velmora_console="), 0u) << accepted;
}

TEST_F(ConsoleTest, FailedSignInsLookAlikeAndAreSlowedAfterTheThird) {
  const auto attempt = [&](const std::string& name, const std::string& password) {
    return testing::PostLogin(port_, name, password);
  };
  const std::string unknown = attempt("nobody", kPassword);
  const std::string wrong = attempt(kOperator, "wrong");
  EXPECT_EQ(Status(unknown), "HTTP/1.1 403 Forbidden");
  // The same page but for each browser's own form token.
  const auto without_token = [](std::string body) {
    const size_t at = body.find("name=\"csrf\" value=\"");
    if (at != std::string::npos) body.erase(at, 20 + 64);
    return body;
  };
  EXPECT_EQ(without_token(testing::Body(unknown)), without_token(testing::Body(wrong)));
  EXPECT_EQ(Header(wrong, "Set-Cookie").find("velmora_console="), std::string::npos);
  std::vector<std::string> delays = {Header(unknown, "X-Login-Delay-Ms"), Header(wrong, "X-Login-Delay-Ms")};
  for (int i = 0; i < 3; ++i) delays.push_back(Header(attempt(kOperator, "wrong" + std::to_string(i)), "X-Login-Delay-Ms"));
  EXPECT_EQ(delays, (std::vector<std::string>{"0", "0", "0", "500", "1000"}));
  EXPECT_NE(gateway_->Log().find("answered after 1000 ms"), std::string::npos) << gateway_->Log();

  // The right password still gets in (a success clears the count); no password reaches the log.
  const ConsoleSession session = testing::SignIn(port_, kOperator, kPassword);
  EXPECT_FALSE(session.cookie.empty());
  EXPECT_EQ(Header(attempt(kOperator, "wrong"), "X-Login-Delay-Ms"), "0");
  EXPECT_EQ(gateway_->Log().find("wrong"), std::string::npos);
  EXPECT_EQ(gateway_->Log().find("horse"), std::string::npos);
}

TEST_F(ConsoleTest, ChangesWithoutTheSessionsTokenAreRefusedAndChangeNothing) {
  const ConsoleSession session = testing::SignIn(port_, kOperator, kPassword);
  ASSERT_EQ(session.csrf.size(), 64u);
  const ConsoleSession other = testing::SignIn(port_, kOperator, kPassword);
  const std::string publish = "code=600000&action=" + FormEncoded("买入") + "&support=1&resistance=2&remark=x";
  const std::string feeds = Count("\"Latest1\""), audit = Count("audit_log");
  const std::string account_state = Rows(db_.path(), "SELECT 状态,句柄 FROM account WHERE 账号='demo'")[0][0];
  const struct {
    std::string target, fields;
  } refused[] = {
      {"/recommendations", publish},
      {"/recommendations", publish + "&csrf="},
      {"/recommendations", publish + "&csrf=" + std::string(64, '0')},
      {"/recommendations", publish + "&csrf=" + other.csrf},  // another session's
      {"/accounts", "do=freeze&name=demo"},
      {"/announcements", "do=publish&title=t&text=x"},
      {"/logout", ""},
  };
  for (const auto& r : refused) {
    const std::string response = session.Post(r.target, r.fields, false);
    EXPECT_EQ(Status(response), "HTTP/1.1 403 Forbidden") << r.target << " " << r.fields;
  }
  EXPECT_EQ(Count("\"Latest1\""), feeds);
  EXPECT_EQ(Count("audit_log"), audit);
  EXPECT_EQ(Rows(db_.path(), "SELECT 状态,句柄 FROM account WHERE 账号='demo'")[0][0], account_state);
  EXPECT_EQ(Status(session.Get("/")), "HTTP/1.1 200 OK");  // still signed in

  // Signing out ends the session: its cookie opens nothing after.
  EXPECT_EQ(Header(session.Post("/logout", ""), "Location"), "/login");
  EXPECT_EQ(Header(session.Get("/"), "Location"), "/login");
  EXPECT_EQ(Status(other.Get("/")), "HTTP/1.1 200 OK");
}

TEST_F(ConsoleTest, PublishesARecommendationAsTheCommandLineDoesAndAuditsIt) {
  const ConsoleSession session = testing::SignIn(port_, kOperator, kPassword);
  const std::string sign_in = testing::PostLogin(port_, kOperator, kPassword);
  const std::string cookie = Header(sign_in, "Set-Cookie");
  EXPECT_NE(cookie.find("; HttpOnly"), std::string::npos) << cookie;
  EXPECT_NE(cookie.find("; SameSite=Strict"), std::string::npos) << cookie;
  EXPECT_EQ(cookie.find("Secure"), std::string::npos) << cookie;  // plain HTTP on the loopback

  const std::string form = "code=600519&action=other&action_other=" + FormEncoded("减仓") +
                           "&support=1650&resistance=1720&remark=" + FormEncoded("说明 A&B") +
                           "&time=" + FormEncoded("2026-12-09 10:00:00");
  const std::string response = session.Post("/recommendations", form);
  ASSERT_EQ(Status(response), "HTTP/1.1 303 See Other") << response;
  const std::string location = Header(response, "Location");
  ASSERT_EQ(location.rfind("/recommendations?published=", 0), 0u) << location;
  const std::string page = session.Get(location);
  EXPECT_NE(page.find("在线客户端将在 5 秒内"), std::string::npos);

  // velmora-admin's recommend with the same values stores the same row.
  ASSERT_EQ(Admin(db_.path(), {"recommend", "600519", "减仓", "1650", "1720", "说明 A&B", "--time", "2026-12-09 10:00:00"}),
            0);
  const auto rows = Rows(db_.path(), "SELECT 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 FROM \"Latest1\" ORDER BY 编号 DESC LIMIT 2");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], rows[1]);
  const auto audit = Rows(db_.path(), "SELECT actor,summary FROM audit_log ORDER BY id DESC LIMIT 2");
  EXPECT_EQ(audit[1][0], std::string("console:") + kOperator);
  EXPECT_EQ(audit[0][0].rfind("velmora-admin:", 0), 0u);
  EXPECT_EQ(audit[1][1].substr(audit[1][1].find(':')), audit[0][1].substr(audit[0][1].find(':')));
  EXPECT_NE(audit[1][1].find("'减仓'"), std::string::npos) << audit[1][1];
}

TEST_F(ConsoleTest, AValueTheClientWouldMisreadIsRefusedBesideItsField) {
  const ConsoleSession session = testing::SignIn(port_, kOperator, kPassword);
  const std::string feeds = Count("\"Latest1\"");
  const struct {
    std::string fields, error_id;
  } cases[] = {
      {"code=" + FormEncoded("😀") + "&action=" + FormEncoded("买入"), "code-error"},  // no GBK form
      {"code=600000&action=other&action_other=", "action-error"},
      {"code=600000&action=" + FormEncoded("买入") + "&time=tomorrow", "time-error"},
      {"code=600000&action=" + FormEncoded("买入") + "&remark=%B0", "remark-error"},  // not UTF-8
  };
  for (const auto& c : cases) {
    const std::string response = session.Post("/recommendations", c.fields);
    EXPECT_EQ(Status(response), "HTTP/1.1 422 Unprocessable Entity") << c.fields;
    EXPECT_NE(response.find("id=\"" + c.error_id + "\""), std::string::npos) << c.fields;
  }
  EXPECT_EQ(Count("\"Latest1\""), feeds);
}

TEST_F(ConsoleTest, HostileTextIsEscapedOnEveryPageItAppears) {
  const std::string hostile = "<script>alert(1)</script>\"'々☆";
  const std::string escaped = "&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#39;々☆";
  ASSERT_EQ(Admin(db_.path(), {"recommend", "600000", "买入", "1", "2", hostile}), 0);
  ASSERT_EQ(Admin(db_.path(), {"announce", hostile, hostile}), 0);
  const ConsoleSession session = testing::SignIn(port_, kOperator, kPassword);
  for (const char* target : {"/", "/recommendations", "/announcements", "/audit"}) {
    const std::string page = session.Get(target);
    EXPECT_EQ(Status(page), "HTTP/1.1 200 OK") << target;
    EXPECT_NE(page.find(escaped), std::string::npos) << target;
    EXPECT_EQ(page.find("<script"), std::string::npos) << target;
  }
  // A form sent back with what was refused keeps the text escaped in the field's value too.
  const std::string refused = session.Post("/recommendations", "code=" + FormEncoded(hostile + "😀") + "&action=x");
  EXPECT_EQ(refused.find("<script"), std::string::npos);
  EXPECT_NE(refused.find("value=\"" + escaped), std::string::npos);
}

TEST_F(ConsoleTest, AccountActionsWorkAndAreAudited) {
  const ConsoleSession session = testing::SignIn(port_, kOperator, kPassword);
  EXPECT_EQ(Status(session.Post("/accounts", "do=freeze&name=demo")), "HTTP/1.1 200 OK");
  EXPECT_EQ(Status(session.Post("/accounts", "do=kick&name=demo")), "HTTP/1.1 200 OK");
  EXPECT_EQ(Status(session.Post("/accounts", "do=add&name=" + FormEncoded("李四") + "&password=pw1")),
            "HTTP/1.1 200 OK");
  EXPECT_EQ(Status(session.Post("/accounts", "do=freeze&name=nobody")), "HTTP/1.1 422 Unprocessable Entity");
  EXPECT_EQ(Rows(db_.path(), "SELECT 状态,句柄 FROM account WHERE 账号='demo'")[0],
            (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Rows(db_.path(), "SELECT count(*) FROM account WHERE 账号='李四'")[0][0], "1");
  const auto audit = Rows(db_.path(), "SELECT summary FROM audit_log WHERE actor LIKE 'console:%' ORDER BY id");
  ASSERT_EQ(audit.size(), 3u);
  EXPECT_EQ(audit[2][0], "account add '李四'");  // never the password
  EXPECT_NE(session.Get("/accounts?q=" + FormEncoded("李")).find("<td>李四</td>"), std::string::npos);
}

TEST_F(ConsoleTest, TheOverviewCountsTheGatewaysRequestsAndRefusals) {
  const std::string page = gateway_->address();
  const int gateway_port = std::atoi(page.c_str() + page.rfind(':') + 1);
  testing::RawConnection client(gateway_port, "127.0.0.1");
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(client.Send(testing::PageRequest("p=garbage")));
    EXPECT_EQ(Status(client.ReadResponse(10s)), "HTTP/1.1 200 OK");  // the page answers, refusing
  }
  // The overview counts whole seconds: wait for the one the requests fell in to end.
  std::this_thread::sleep_for(1100ms);
  const std::string overview = testing::SignIn(port_, kOperator, kPassword).Get("/");
  EXPECT_NE(overview.find("id=\"requests-per-minute\">3<"), std::string::npos) << overview;
  EXPECT_NE(overview.find("id=\"refusals-per-minute\">3<"), std::string::npos) << overview;
  EXPECT_NE(overview.find("贵州茅台"), std::string::npos);  // today's demo recommendations
}

TEST_F(ConsoleTest, SettingsLandInTheLayoutRowAndTheirRefusalsChangeNothing) {
  const ConsoleSession session = testing::SignIn(port_, kOperator, kPassword);
  EXPECT_EQ(Status(session.Post("/settings", "do=poll&seconds=7")), "HTTP/1.1 200 OK");
  EXPECT_EQ(Status(session.Post("/settings", "do=contacts&qq=12345&wangwang=" + FormEncoded("客服"))), "HTTP/1.1 200 OK");
  const std::string refused = session.Post("/settings", "do=popup&seconds=forever");
  EXPECT_EQ(Status(refused), "HTTP/1.1 422 Unprocessable Entity");
  EXPECT_NE(refused.find("id=\"popup-seconds-error\""), std::string::npos);  // beside the field it refused
  EXPECT_EQ(Rows(db_.path(), "SELECT lset6,lset7 FROM lset WHERE 编号=1")[0], (std::vector<std::string>{"10", "7"}));
  std::string shown;
  ASSERT_EQ(Admin(db_.path(), {"show"}, "", &shown), 0);
  EXPECT_NE(shown.find("客服"), std::string::npos) << shown;  // stored as velmora-admin stores it
  // The poll interval is what a publication says clients wait for.
  const std::string published = session.Post("/recommendations", "code=600000&action=" + FormEncoded("买入"));
  EXPECT_NE(session.Get(Header(published, "Location")).find("在线客户端将在 7 秒内"), std::string::npos);
  EXPECT_EQ(Rows(db_.path(), "SELECT count(*) FROM audit_log WHERE summary IN ('set poll-seconds 7', "
                             "'set contacts ''12345'' ''客服''')")[0][0],
            "2");
}

// ---- Where the console may listen --------------------------------------------------------------

// The gateway's exit status and output when it refuses to start (or -1 when it started).
int RunGateway(const std::string& arguments, std::string& output) {
  const std::string command = std::string(VELMORA_GATEWAY_EXE) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ConsoleListener, RefusesAnOpenAddressWithoutACertificate) {
  TempDatabase db;
  ASSERT_EQ(Admin(db.path(), {"init"}), 0);
  std::string output;
  EXPECT_EQ(RunGateway("--db " + db.path() + " --listen 127.0.0.1:0 --console 0.0.0.0:0", output), 2);
  EXPECT_NE(output.find("needs --console-cert FILE and --console-key FILE"), std::string::npos) << output;
  output.clear();
  EXPECT_EQ(RunGateway("--db " + db.path() + " --listen 127.0.0.1:0 --console 127.0.0.1:0 --console-cert x.pem", output), 2);
  output.clear();
  EXPECT_EQ(RunGateway("--db " + db.path() + " --listen 127.0.0.1:0 --console 0.0.0.0:0 --console-cert /nonexistent.pem "
                       "--console-key /nonexistent.pem", output),
            1);
  EXPECT_NE(output.find("cannot use the console certificate"), std::string::npos) << output;
}

TEST(ConsoleListener, ServesOverTlsWithSecureCookies) {
  TempDatabase db;
  ASSERT_EQ(Admin(db.path(), {"init"}), 0);
  ASSERT_EQ(Admin(db.path(), {"operator", "add", "ops"}, "s3cret\n"), 0);
  const std::string cert = db.path() + ".cert.pem", key = db.path() + ".key.pem";
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost -keyout " + key +
                         " -out " + cert + " >/dev/null 2>&1")
                            .c_str()),
            0);
  {
    GatewayProcess gateway(db.path(), {"--console", "0.0.0.0:0", "--console-cert", cert, "--console-key", key});
    const int port = testing::ConsolePort(gateway.Log());
    ASSERT_GT(port, 0) << gateway.Log();
    EXPECT_NE(gateway.Log().find("console on https://"), std::string::npos);
    const std::string response = testing::PostLoginForm(
        [port](const std::string& request) { return testing::TlsExchange(port, request); }, "ops", "s3cret");
    EXPECT_EQ(Status(response), "HTTP/1.1 303 See Other") << response;
    EXPECT_NE(Header(response, "Set-Cookie").find("; Secure"), std::string::npos) << response;
    // Plain HTTP on the TLS port gets no page.
    EXPECT_EQ(Status(testing::Exchange(port, testing::Request("GET", "/login", ""))).find("200"), std::string::npos);
  }
  std::remove(cert.c_str());
  std::remove(key.c_str());
}

}  // namespace
}  // namespace velmora::service
