#include "admin_commands.h"

#include "admin_db.h"
#include "admin_ops.h"
#include "admin_values.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "database.h"
#include "gateway/rc4.h"
#include "gbk.h"
#include "pg_database.h"
#include "schema.h"

// The database stores UTF-8 and every column name below is written as a literal: stop at once if
// this file is ever compiled with the client's GBK execution character set.
static_assert(sizeof("编号") == 7 && "编号"[0] == '\xE7', "narrow string literals must be UTF-8 here");

namespace velmora::admin {
namespace {

using service::OpenMode;
using service::QuoteIdentifier;

constexpr std::string_view kUsage =
    "usage: velmora-admin --db PATH COMMAND [ARGUMENTS]\n"
    "  PATH is the SQLite database file, or a PostgreSQL database's URI postgresql://USER@HOST/DB\n"
    "  init [--demo]                    create the tables and the layout and page rows (once);\n"
    "                                   --demo adds a demo account and sample feeds\n"
    "       [--gateway-role NAME] [--gateway-password TEXT]\n"
    "                                   PostgreSQL: also the gateways' role (velmora_gateway),\n"
    "                                   made with the password given or a new one it prints\n"
    "       [--console-role NAME] [--console-password TEXT]\n"
    "                                   PostgreSQL: also a role for the gateways' web console\n"
    "                                   (--console-db): writes the tables, keeps the operators\n"
    "  migrate FILE [--replace]         PostgreSQL: copy the SQLite database FILE row for row\n"
    "                                   into empty tables (--replace empties them first)\n"
    "  account add NAME PASSWORD        a new account (normal, offline)\n"
    "  account freeze|unfreeze NAME     refuse or allow the account's sign-in\n"
    "  account kick NAME                sign the account's current session out\n"
    "  account list                     name, online, frozen, login time and address\n"
    "  recommend CODE OPERATION SUPPORT RESISTANCE REMARKS [--time T]\n"
    "                                   a recommendation, dated T or now\n"
    "  announce TITLE TEXT [--font NAME] [--size N] [--colour C]\n"
    "  notice TEXT [--font NAME] [--size N] [--colour C]\n"
    "                                   the login window's notice (the newest one is shown)\n"
    "  set title TEXT\n"
    "  set title-style [--colour C] [--size N] [--font NAME] [--bold|--no-bold]\n"
    "                  [--shadow-colour C] [--shadow-offset N]\n"
    "  set popup-seconds N | poll-seconds N\n"
    "  set signup open|closed\n"
    "  set contacts QQ WANGWANG\n"
    "  set page N CAPTION ADDRESS       browser page N (1 to 6)\n"
    "  set notice-area shown|hidden\n"
    "  show                             every setting, decoded\n"
    "  operator add NAME                an operator of the web console; the password is read\n"
    "                                   from standard input (one line) and kept as a hash\n"
    "  operator remove NAME | operator list\n"
    "Texts are UTF-8 and must be writable in GBK. Colours: decimal (0x00BBGGRR), 0xBBGGRR or\n"
    "#RRGGBB. Options may stand anywhere after the command; \"--\" ends them.\n"
    "Exit status: 0 done, 1 the operation failed, 2 bad input or usage.\n";

const char* const kPageNumerals[] = {"一", "二", "三", "四", "五", "六"};

// ---- The database --------------------------------------------------------------------------

// ---- The command line ----------------------------------------------------------------------

struct CommandLine {
  std::vector<std::string> operands;
  std::map<std::string, std::string, std::less<>> values;  // options with a value
  std::set<std::string, std::less<>> flags;                // options without one

  const std::string* Value(std::string_view name) const {
    const auto it = values.find(name);
    return it == values.end() ? nullptr : &it->second;
  }
  bool Flag(std::string_view name) const { return flags.count(name) != 0; }
};

struct OptionRule {
  std::string_view name;
  bool takes_value;
};

// Options may stand anywhere after the command words; "--" ends them, so an operand may start
// with "--". `--color` is taken for `--colour`.
CommandLine ParseCommandLine(const std::vector<std::string>& args, size_t first, std::string_view command,
                             const std::vector<OptionRule>& rules) {
  CommandLine line;
  bool ended = false;
  for (size_t i = first; i < args.size(); ++i) {
    std::string a = args[i];
    if (ended || a.size() < 2 || a.compare(0, 2, "--") != 0) {
      line.operands.push_back(a);
      continue;
    }
    if (a == "--") {
      ended = true;
      continue;
    }
    if (a == "--color") a = "--colour";
    if (a == "--shadow-color") a = "--shadow-colour";
    const auto rule =
        std::find_if(rules.begin(), rules.end(), [&](const OptionRule& r) { return r.name == a; });
    if (rule == rules.end()) Refuse("unknown option " + Shown(args[i]) + " for " + std::string(command));
    if (line.values.count(a) || line.flags.count(a)) Refuse(a + " given twice");
    if (!rule->takes_value) {
      line.flags.insert(a);
    } else {
      if (i + 1 == args.size()) Refuse(a + " needs a value");
      line.values[a] = args[++i];
    }
  }
  return line;
}

void RequireOperands(const CommandLine& line, size_t count, std::string_view command,
                     std::string_view names) {
  if (line.operands.size() < count) Refuse(std::string(command) + " needs " + std::string(names));
  if (line.operands.size() > count) {
    Refuse("too many arguments for " + std::string(command) + ": " + Shown(line.operands[count]));
  }
}

// The font, size and colour options of the notice and announcement commands, checked by the
// operation.
StyleInput StyleOf(const CommandLine& line) {
  StyleInput style;
  if (const auto* v = line.Value("--font")) style.font = *v;
  if (const auto* v = line.Value("--size")) style.size = *v;
  if (const auto* v = line.Value("--colour")) style.colour = *v;
  return style;
}

const std::vector<OptionRule> kStyleOptions = {{"--font", true}, {"--size", true}, {"--colour", true}};

// The clock text every feed row carries: "2026-12-09 14:03:05".
std::string FeedTime(DateTime t) { return ServerClockText(t, false); }

void SyncKeySequences(AdminDb& db);

// ---- Commands ------------------------------------------------------------------------------

class Admin {
 public:
  Admin(std::string path, const AdminClock& now, std::string& out, std::istream& in, std::string actor)
      : path_(std::move(path)),
        now_(now),
        out_(out),
        in_(in),
        ops_([this]() -> AdminDb& { return Open(); }, now, std::move(actor)) {}

  int Run(const std::vector<std::string>& args, size_t at);

 private:
  // The database, opened on first use: every command but init (and migrate) needs an existing
  // file, or a PostgreSQL database that init has made the tables in.
  AdminDb& Open(OpenMode mode = OpenMode::kMustExist) {
    if (!db_) {
      if (!service::IsPostgresLocation(path_)) {
        db_ = OpenSqliteAdminDb(path_, mode == OpenMode::kCreateIfMissing);
      } else {
        db_ = OpenPostgresAdminDb(path_);
        if (mode == OpenMode::kMustExist) RequireTables();
      }
    }
    return *db_;
  }
  void RequireTables();
  // PostgreSQL: the tables (one init or migrate at a time), and the gateway's role.
  void MakeTables(AdminDb& db);
  void MakeGatewayRole(AdminDb& db, const CommandLine& line);
  // A login role named `role` with `password` (or a new one, printed), made or kept; `kind` names
  // it in the output ("gateway", "console").
  void MakeRole(AdminDb& db, const std::string& role, const std::string* password, std::string_view kind,
                std::string_view where);
  void MakeConsoleRole(AdminDb& db, const CommandLine& line);
  void Migrate(const CommandLine& line);

  void Init(const CommandLine& line);
  void AddDemo(AdminDb& db);
  void Account(const std::vector<std::string>& args, size_t at);
  void Recommend(const CommandLine& line);
  void Announce(const CommandLine& line);
  void Notice(const CommandLine& line);
  void Set(const std::vector<std::string>& args, size_t at);
  void Show();
  void Operator(const std::vector<std::string>& args, size_t at);
  // Prints what an operation did, or stops the command with its message and status.
  void Report(const OpResult& result);

  std::string path_;
  const AdminClock& now_;
  std::string& out_;
  std::istream& in_;
  std::unique_ptr<AdminDb> db_;
  Operations ops_;
};

void Admin::Report(const OpResult& result) {
  if (!result.ok()) throw CommandError{result.status, result.message};
  out_ += result.message + "\n";
}

int Admin::Run(const std::vector<std::string>& args, size_t at) {
  const std::string& command = args[at];
  if (command == "init") {
    Init(ParseCommandLine(args, at + 1, "init",
                          {{"--demo", false},
                           {"--gateway-role", true},
                           {"--gateway-password", true},
                           {"--console-role", true},
                           {"--console-password", true}}));
  } else if (command == "migrate") {
    Migrate(ParseCommandLine(args, at + 1, "migrate", {{"--replace", false}}));
  } else if (command == "account") {
    Account(args, at + 1);
  } else if (command == "recommend") {
    Recommend(ParseCommandLine(args, at + 1, "recommend", {{"--time", true}}));
  } else if (command == "announce") {
    Announce(ParseCommandLine(args, at + 1, "announce", kStyleOptions));
  } else if (command == "notice") {
    Notice(ParseCommandLine(args, at + 1, "notice", kStyleOptions));
  } else if (command == "set") {
    Set(args, at + 1);
  } else if (command == "operator") {
    Operator(args, at + 1);
  } else if (command == "show") {
    RequireOperands(ParseCommandLine(args, at + 1, "show", {}), 0, "show", "");
    Show();
  } else {
    Refuse("unknown command " + Shown(command) + " (try --help)");
  }
  return kExitOk;
}

// The layout row's defaults: a white bold title with a dark shadow reads on any background.
const std::vector<std::pair<std::string, std::string>>& LayoutDefaults() {
  static const std::vector<std::pair<std::string, std::string>> defaults = {
      {"lset1", "1"},                // sign-up open
      {"lset6", "10"},               // pop-up seconds
      {"lset7", "5"},                // poll seconds
      {"lset8", "Velmora操盘系统"},  // title
      {"lset9", "16777215"},         // title colour: white
      {"lset10", "18"},              // title size
      {"lset11", "黑体"},            // title font
      {"lset12", "1"},               // notice area shown
      {"lset13", "1"},               // bold
      {"lset14", "0"},               // shadow colour: black
      {"lset15", "2"},               // shadow offset
  };
  return defaults;
}

const char* const kPageCaptions[] = {"大盘行情", "个股资讯", "板块热点", "资金流向", "财经新闻", "帮助中心"};

void Admin::Init(const CommandLine& line) {
  RequireOperands(line, 0, "init", "");
  const bool postgres = service::IsPostgresLocation(path_);
  if (!postgres && (line.Value("--gateway-role") || line.Value("--gateway-password") || line.Value("--console-role") ||
                    line.Value("--console-password"))) {
    Refuse("--gateway-role, --gateway-password, --console-role and --console-password are for a PostgreSQL database "
           "(--db postgresql://...)");
  }
  AdminDb& db = Open(OpenMode::kCreateIfMissing);  // SQLite's tables come with the open
  Transaction tx(db);
  if (postgres) {
    MakeTables(db);
    MakeGatewayRole(db, line);
    MakeConsoleRole(db, line);
  }

  std::string columns = "编号", values = "1";
  std::vector<std::string_view> params;
  for (const auto& [column, value] : LayoutDefaults()) {
    params.push_back(value);
    columns += "," + column;
    values += ",?" + std::to_string(params.size());
  }
  const bool layout_created =
      db.Change("INSERT INTO lset(" + columns + ") VALUES(" + values + ") ON CONFLICT DO NOTHING", params) > 0;

  // Captions with blank pages until an operator gives the addresses.
  std::string page_columns = "编号", page_values = "1";
  std::vector<std::string> page_texts;
  for (int i = 0; i < 6; ++i) {
    page_columns += std::string(",表头") + kPageNumerals[i] + ",地址" + kPageNumerals[i];
    page_values += ",?" + std::to_string(2 * i + 1) + ",?" + std::to_string(2 * i + 2);
    page_texts.push_back(Enciphered(kPageCaptions[i], "page caption"));
    page_texts.push_back(Enciphered("about:blank", "page address"));
  }
  const bool pages_created =
      db.Change("INSERT INTO rconfig(" + page_columns + ") VALUES(" + page_values + ") ON CONFLICT DO NOTHING",
                std::vector<std::string_view>(page_texts.begin(), page_texts.end())) > 0;

  out_ += layout_created ? "layout row created\n" : "layout row kept\n";
  out_ += pages_created ? "page row created\n" : "page row kept\n";
  const size_t said = out_.size();
  if (line.Flag("--demo")) AddDemo(db);
  if (postgres) SyncKeySequences(db);
  // A run that finds everything in place (as the service unit's, before each start) is no change.
  if (layout_created || pages_created || out_.find(" added\n", said) != std::string::npos ||
      out_.find(" set\n", said) != std::string::npos) {
    ops_.Record(db, line.Flag("--demo") ? "init --demo" : "init");
  }
  tx.Commit();
}

// ---- PostgreSQL ------------------------------------------------------------------------------

void Admin::RequireTables() {
  for (const service::Table& t : service::Tables()) {
    if (db_->Row("SELECT to_regclass(?1) IS NOT NULL", {QuoteIdentifier(t.name)})->at(0) != "t") {
      Fail("the database has no table " + t.name + ": run init first");
    }
  }
  for (std::string_view table : {kOperatorTable, kAuditTable}) {
    if (db_->Row("SELECT to_regclass(?1) IS NOT NULL", {std::string(table)})->at(0) != "t") {
      Fail("the database has no table " + std::string(table) + ": run init again");
    }
  }
}

void Admin::MakeTables(AdminDb& db) {
  // Inits and migrations of one server take turns, so two never race to make the same table.
  db.Query("SELECT pg_advisory_xact_lock(7340032001)");
  const std::string schema = service::PostgresSchemaSql() + ConsoleSchemaSql(true);
  for (size_t at = 0, end; (end = schema.find(";\n", at)) != std::string::npos; at = end + 2) {
    db.Change(schema.substr(at, end - at));
  }
}

// The key numbers a table hands out next: past every row it holds (init and migrate give rows
// their numbers) and never back to one handed out before.
void SyncKeySequences(AdminDb& db) {
  for (const service::Table& t : service::Tables()) {
    const std::string table = QuoteIdentifier(t.name);
    const std::string sequence = db.Row("SELECT pg_get_serial_sequence(?1, '编号')", {table})->at(0);
    db.Query("SELECT setval(?1::regclass, GREATEST((SELECT COALESCE(max(编号), 0) + 1 FROM " + table +
                 "), (SELECT CASE WHEN is_called THEN last_value + 1 ELSE last_value END FROM " + sequence +
                 ")), false)",
             {sequence});
  }
}

// A password nobody chose: 24 random bytes in hex.
std::string NewPassword() {
  std::ifstream random("/dev/urandom", std::ios::binary);
  unsigned char bytes[24] = {};
  if (!random.read(reinterpret_cast<char*>(bytes), sizeof bytes)) Fail("cannot read /dev/urandom for a password");
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) hex += {kHex[b >> 4], kHex[b & 15]};
  return hex;
}

std::string QuotedLiteral(std::string_view text) { return service::SqlQuoted(text, '\''); }

void Admin::MakeRole(AdminDb& db, const std::string& role, const std::string* given, std::string_view kind,
                     std::string_view where) {
  if (!service::IsPlainRoleName(role)) {
    Refuse("bad " + std::string(kind) + " role " + Shown(role) +
           ": lower-case letters, digits and _, starting with a letter");
  }
  if (given) {
    RequireNonEmpty(*given, std::string(kind) + " password");
    if (std::any_of(given->begin(), given->end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
      Refuse("the " + std::string(kind) + " password has control characters");
    }
  }
  if (!db.Row("SELECT 1 FROM pg_roles WHERE rolname = ?1", {role})) {
    const std::string password = given ? *given : NewPassword();
    db.Change("CREATE ROLE " + role + " LOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE PASSWORD " + QuotedLiteral(password));
    out_ += std::string(kind) + " role " + role + " created" +
            (given ? std::string() : "; its password (give it in " + std::string(where) + "): " + password) + "\n";
  } else if (given) {
    db.Change("ALTER ROLE " + role + " PASSWORD " + QuotedLiteral(*given));
    out_ += std::string(kind) + " role " + role + " kept; its password changed\n";
  } else {
    out_ += std::string(kind) + " role " + role + " kept\n";
  }
}

// The console's role, when asked for: it publishes and changes accounts and settings (the six
// tables), and keeps the operators and the audit; it is never the gateways' role.
void Admin::MakeConsoleRole(AdminDb& db, const CommandLine& line) {
  const std::string* role = line.Value("--console-role");
  if (!role) {
    if (line.Value("--console-password")) Refuse("--console-password goes with --console-role NAME");
    return;
  }
  const std::string gateway = line.Value("--gateway-role") ? *line.Value("--gateway-role")
                                                            : std::string(service::kDefaultGatewayRole);
  if (*role == gateway) Refuse("the console's role must not be the gateways' role " + Shown(gateway));
  MakeRole(db, *role, line.Value("--console-password"), "console", "the gateways' --console-db");
  const std::string grants = ConsoleGrantsSql(*role);
  for (size_t at = 0, end; (end = grants.find(";\n", at)) != std::string::npos; at = end + 2) {
    db.Change(grants.substr(at, end - at));
  }
}

void Admin::MakeGatewayRole(AdminDb& db, const CommandLine& line) {
  const std::string role = line.Value("--gateway-role") ? *line.Value("--gateway-role")
                                                         : std::string(service::kDefaultGatewayRole);
  MakeRole(db, role, line.Value("--gateway-password"), "gateway", "the gateways' --db");
  const std::string database = db.Row("SELECT current_database()")->at(0);
  const std::string grants = service::GatewayGrantsSql(role, database);
  for (size_t at = 0, end; (end = grants.find(";\n", at)) != std::string::npos; at = end + 2) {
    db.Change(grants.substr(at, end - at));
  }
}

void Admin::Migrate(const CommandLine& line) {
  RequireOperands(line, 1, "migrate", "the SQLite database FILE");
  if (!service::IsPostgresLocation(path_)) {
    Refuse("migrate copies an SQLite database into PostgreSQL: give --db postgresql://...");
  }
  const std::string& from = line.operands[0];
  // The source is only read: opened read-only, one read transaction for every table, so a
  // gateway still writing it gives a consistent copy.
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(from.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  service::Database source(raw);
  if (rc != SQLITE_OK) Fail("cannot open " + Shown(from) + ": " + Printable(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(source.get(), 5000);
  std::string error;
  if (!service::ExecSql(source.get(), "BEGIN", error)) Fail("cannot read " + Shown(from) + ": " + Printable(error));

  AdminDb& db = Open(OpenMode::kCreateIfMissing);
  Transaction tx(db);
  MakeTables(db);
  const bool replace = line.Flag("--replace");
  for (const service::Table& t : service::Tables()) {
    const std::string held = db.Row("SELECT count(*) FROM " + QuoteIdentifier(t.name))->at(0);
    if (held != "0" && !replace) {
      Fail("the table " + t.name + " holds " + held +
           " rows already: migrate into empty tables, or give --replace to empty them first");
    }
  }
  std::vector<std::vector<std::string>> report = {{"TABLE", "ROWS"}};
  for (const service::Table& t : service::Tables()) {
    const std::string table = QuoteIdentifier(t.name);
    if (replace) db.Change("DELETE FROM " + table);
    std::string columns, marks;
    for (size_t i = 0; i < t.columns.size(); ++i) {
      columns += (i ? "," : "") + QuoteIdentifier(t.columns[i].name);
      marks += (i ? ",?" : "?") + std::to_string(i + 1);
    }
    service::Query rows(source.get(), "SELECT " + columns + " FROM " + table + " ORDER BY " + QuoteIdentifier(service::kKeyColumn));
    if (!rows.ok()) Fail(Shown(from) + " is not a service database: " + Printable(sqlite3_errmsg(source.get())));
    int64_t copied = 0;
    int step;
    while ((step = rows.Step()) == SQLITE_ROW) {
      std::vector<std::string> values;
      for (size_t i = 0; i < t.columns.size(); ++i) values.push_back(rows.Text(int(i)));
      db.Change("INSERT INTO " + table + " (" + columns + ") VALUES (" + marks + ")",
                std::vector<std::string_view>(values.begin(), values.end()));
      ++copied;
    }
    if (step != SQLITE_DONE) Fail("cannot read " + Shown(from) + ": " + Printable(sqlite3_errmsg(source.get())));
    const std::string now_held = db.Row("SELECT count(*) FROM " + table)->at(0);
    if (now_held != std::to_string(copied)) {
      Fail("the table " + t.name + " holds " + now_held + " rows after copying " + std::to_string(copied));
    }
    report.push_back({t.name, now_held});
  }
  SyncKeySequences(db);
  ops_.Record(db, "migrate " + AuditValue(from) + (replace ? " --replace" : ""));
  tx.Commit();
  out_ += "copied " + Printable(from) + " into " + Printable(service::RedactedLocation(path_)) + "\n" + Table(report);
}

// ---- Demo content ----------------------------------------------------------------------------

struct DemoRecommendation {
  int days_ago;
  int seconds_of_day;
  const char *code, *operation, *support, *resistance, *remarks;
};

constexpr int At(int h, int m, int s) { return h * 3600 + m * 60 + s; }

// Oldest first: the client takes the highest 编号 as the newest.
const DemoRecommendation kDemoRecommendations[] = {
    {2, At(10, 18, 26), "601318", "买入", "46.20", "49.80",
     "中国平安：保险板块估值修复，回踩46元附近分批建仓。"},
    {2, At(14, 12, 9), "000858", "持有", "132.50", "145.00",
     "五粮液：渠道库存健康，继续持有，跌破支撑位减仓。"},
    {1, At(9, 52, 41), "002594", "买入", "245.00", "268.00", "比亚迪：销量超预期，放量站上均线，轻仓试多。"},
    {1, At(13, 40, 15), "601012", "卖出", "18.60", "20.40", "隆基绿能：反弹遇阻，量能不足，逢高减持。"},
    {0, At(9, 35, 12), "600519", "买入", "1650.00", "1720.00",
     "贵州茅台：放量突破前期平台，回踩支撑可低吸，止损设在支撑位下方3%。"},
    {0, At(10, 12, 40), "300750", "持有", "198.50", "215.00", "宁德时代：缩量整理，守住支撑继续持有。"},
    {0, At(11, 5, 3), "600036", "买入", "34.80", "37.50", "招商银行：高股息防御品种，逢低布局。"},
    {0, At(13, 21, 47), "000333", "卖出", "68.20", "72.60", "美的集团：冲高回落，短线获利了结。"},
    {0, At(14, 3, 5), "601888", "持有", "72.00", "80.00", "中国中免：消费复苏主线，底部区域持有观察。"},
};

struct DemoAnnouncement {
  int days_ago;
  int seconds_of_day;
  const char *title, *text, *font;
  int size, colour;
};

const DemoAnnouncement kDemoAnnouncements[] = {
    {2, At(16, 30, 0), "系统升级通知",
     "为提升服务质量，本系统将于本周六22:00至次日02:00升级维护，期间可能无法登录，敬请谅解。", "宋体", 10, 0},
    {1, At(8, 45, 0), "本周市场展望",
     "本周关注消费与新能源板块的轮动机会，仓位控制在五成以内，严格执行止损纪律。", "宋体", 10, 0x800000},
    {0, At(8, 30, 0), "今日操作提示", "早盘关注量能变化，推荐个股以支撑位为参考分批介入，切勿追高。", "黑体",
     12, 0x0000FF},
};

void Admin::AddDemo(AdminDb& db) {
  const DateTime now = now_();
  const CivilTime c = now.Civil();
  const DateTime midnight = *DateTime::FromCivil({c.year, c.month, c.day, 0, 0, 0});
  const int64_t into_today = now - midnight;
  // Today's rows never lie in the future: before the last sample time, they spread over the
  // part of the day already gone, in the same order.
  const auto when = [&](int days_ago, int seconds_of_day, int index, int count) {
    if (days_ago > 0) return midnight.PlusSeconds(-86400LL * days_ago + seconds_of_day);
    if (seconds_of_day <= into_today) return midnight.PlusSeconds(seconds_of_day);
    return midnight.PlusSeconds(into_today * (index + 1) / (count + 1));
  };

  if (!db.Row("SELECT 1 FROM account WHERE 账号='demo'")) {
    db.Change(
        "INSERT INTO account(账号,密码,姓名,身份证号,状态,在线,\"登陆IP\",登陆时间,句柄,创建时间) "
        "VALUES('demo',?1,?2,'','0','0','','','0',?3)",
        {Enciphered("demo123", "password"), "演示用户", StoredText(DateTimeText(now))});
    out_ += "demo account 'demo' (password demo123) added\n";
  } else {
    out_ += "demo account kept\n";
  }

  if (!db.Row("SELECT 1 FROM \"Latest1\" LIMIT 1")) {
    const int today_count =
        int(std::count_if(std::begin(kDemoRecommendations), std::end(kDemoRecommendations),
                          [](const DemoRecommendation& r) { return r.days_ago == 0; }));
    int today_index = 0;
    for (const DemoRecommendation& r : kDemoRecommendations) {
      const DateTime t = when(r.days_ago, r.seconds_of_day, r.days_ago == 0 ? today_index++ : 0, today_count);
      db.Change(
          "INSERT INTO \"Latest1\"(推荐时间,股票代码,操作方式,支撑位,阻力位,备注) VALUES(?1,?2,?3,?4,?5,?6)",
          {FeedTime(t), Enciphered(r.code, "code"), Enciphered(r.operation, "operation"),
           Enciphered(r.support, "support"), Enciphered(r.resistance, "resistance"),
           Enciphered(r.remarks, "remarks")});
    }
    out_ += std::to_string(std::size(kDemoRecommendations)) + " demo recommendations added\n";
  } else {
    out_ += "recommendations kept\n";
  }

  if (!db.Row("SELECT 1 FROM config2 LIMIT 1")) {
    for (const DemoAnnouncement& a : kDemoAnnouncements) {
      const DateTime t = when(a.days_ago, a.seconds_of_day, 0, 1);
      db.Change(
          "INSERT INTO config2(更新日期,公告,字体名称,字体大小,字体颜色,公告标题) VALUES(?1,?2,?3,?4,?5,?6)",
          {FeedTime(t), Enciphered(a.text, "text"), a.font, std::to_string(a.size), std::to_string(a.colour),
           Enciphered(a.title, "title")});
    }
    out_ += std::to_string(std::size(kDemoAnnouncements)) + " demo announcements added\n";
  } else {
    out_ += "announcements kept\n";
  }

  if (!db.Row("SELECT 1 FROM \"Config\" LIMIT 1")) {
    db.Change(
        "INSERT INTO \"Config\"(公告,字体颜色,字体大小,字体名称) VALUES(?1,'255','10','宋体')",
        {Enciphered("欢迎使用Velmora操盘系统！股市有风险，投资需谨慎。本系统建议仅供参考，据此操作风险自担。",
                    "notice")});
    out_ += "demo login notice added\n";
  } else {
    out_ += "login notice kept\n";
  }

  // Contacts an operator has already set are never replaced.
  const int contacts =
      db.Change("UPDATE rconfig SET 联系1=?1 WHERE 编号=1 AND 联系1=''", {Enciphered("800012345", "QQ")}) +
      db.Change("UPDATE rconfig SET 联系2=?1 WHERE 编号=1 AND 联系2=''",
                {Enciphered("velmora客服", "Wangwang")});
  out_ += contacts ? "demo contacts set\n" : "contacts kept\n";
}

// ---- Accounts ----------------------------------------------------------------------------------

void Admin::Account(const std::vector<std::string>& args, size_t at) {
  if (at == args.size()) Refuse("account needs add, freeze, unfreeze, kick or list");
  const std::string& action = args[at];
  const CommandLine line = ParseCommandLine(args, at + 1, "account " + action, {});

  if (action == "add") {
    RequireOperands(line, 2, "account add", "NAME and PASSWORD");
    Report(ops_.AddAccount(line.operands[0], line.operands[1]));
    return;
  }
  if (action == "list") {
    RequireOperands(line, 0, "account list", "");
    std::vector<std::vector<std::string>> rows = {
        {"NAME", "ONLINE", "FROZEN", "LOGIN TIME", "LOGIN ADDRESS"}};
    for (const auto& r : Open().Query("SELECT 账号,在线,状态,登陆时间,\"登陆IP\" FROM account ORDER BY 编号")) {
      rows.push_back({Printable(r[0]), r[1] == "1" ? "yes" : "no", r[2] == "1" ? "yes" : "no",
                      Printable(r[3]), Printable(r[4])});
    }
    out_ += Table(rows);
    return;
  }

  using Change = OpResult (Operations::*)(const std::string&);
  struct Update {
    std::string_view action;
    Change change;
  };
  static constexpr Update kUpdates[] = {
      {"freeze", &Operations::FreezeAccount},
      {"unfreeze", &Operations::UnfreezeAccount},
      {"kick", &Operations::KickAccount},
  };
  const auto update = std::find_if(std::begin(kUpdates), std::end(kUpdates),
                                   [&](const Update& u) { return u.action == action; });
  if (update == std::end(kUpdates)) Refuse("unknown account action " + Shown(action));
  RequireOperands(line, 1, "account " + action, "NAME");
  Report((ops_.*(update->change))(line.operands[0]));
}

// ---- Operators of the web console ----------------------------------------------------------------

void Admin::Operator(const std::vector<std::string>& args, size_t at) {
  if (at == args.size()) Refuse("operator needs add, remove or list");
  const std::string& action = args[at];
  const CommandLine line = ParseCommandLine(args, at + 1, "operator " + action, {});
  if (action == "add") {
    RequireOperands(line, 1, "operator add", "NAME (the password comes on standard input)");
    // One line; a terminal's or a pipe's line end is not part of the password.
    std::string password;
    if (!std::getline(in_, password)) Refuse("operator add reads the password from standard input: none came");
    if (!password.empty() && password.back() == '\r') password.pop_back();
    Report(ops_.AddOperator(line.operands[0], password));
  } else if (action == "remove") {
    RequireOperands(line, 1, "operator remove", "NAME");
    Report(ops_.RemoveOperator(line.operands[0]));
  } else if (action == "list") {
    RequireOperands(line, 0, "operator list", "");
    std::vector<std::vector<std::string>> rows = {{"NAME", "ADDED"}};
    for (const OperatorRow& o : ops_.ListOperators()) rows.push_back({Printable(o.name), Printable(o.created)});
    out_ += Table(rows);
  } else {
    Refuse("unknown operator action " + Shown(action));
  }
}

// ---- Feeds -------------------------------------------------------------------------------------

void Admin::Recommend(const CommandLine& line) {
  RequireOperands(line, 5, "recommend", "CODE OPERATION SUPPORT RESISTANCE REMARKS");
  const auto& o = line.operands;
  RecommendInput in{o[0], o[1], o[2], o[3], o[4], ""};
  if (const auto* time = line.Value("--time")) {
    if (time->empty()) Refuse("bad time '': use Y-M-D H:M:S, Y/M/D H:M:S or Y年M月D日H时M分S秒");
    in.time = *time;
  }
  Report(ops_.Recommend(in));
}

void Admin::Announce(const CommandLine& line) {
  RequireOperands(line, 2, "announce", "TITLE and TEXT");
  Report(ops_.Announce(line.operands[0], line.operands[1], StyleOf(line)));
}

void Admin::Notice(const CommandLine& line) {
  RequireOperands(line, 1, "notice", "TEXT");
  Report(ops_.Notice(line.operands[0], StyleOf(line)));
}

// ---- Settings ----------------------------------------------------------------------------------

void Admin::Set(const std::vector<std::string>& args, size_t at) {
  if (at == args.size()) {
    Refuse(
        "set needs a setting: title, title-style, popup-seconds, poll-seconds, signup, contacts, page, "
        "notice-area");
  }
  const std::string& what = args[at];
  const std::string command = "set " + what;

  if (what == "title-style") {
    const CommandLine line = ParseCommandLine(args, at + 1, command,
                                              {{"--colour", true},
                                               {"--size", true},
                                               {"--font", true},
                                               {"--bold", false},
                                               {"--no-bold", false},
                                               {"--shadow-colour", true},
                                               {"--shadow-offset", true}});
    RequireOperands(line, 0, command, "");
    if (line.Flag("--bold") && line.Flag("--no-bold")) Refuse("--bold and --no-bold together");
    TitleStyleInput in;
    const auto take = [&](std::string_view option, std::optional<std::string>& to) {
      if (const auto* v = line.Value(option)) to = *v;
    };
    take("--colour", in.colour);
    take("--size", in.size);
    take("--font", in.font);
    take("--shadow-colour", in.shadow_colour);
    take("--shadow-offset", in.shadow_offset);
    if (line.Flag("--bold")) in.bold = true;
    if (line.Flag("--no-bold")) in.bold = false;
    Report(ops_.SetTitleStyle(in));
    return;
  }
  // The settings of one or more operands, each an operation of its own.
  using Operands = std::vector<std::string>;
  struct Setting {
    std::string_view name;
    size_t count;
    std::string_view operands;
    OpResult (*apply)(Operations& ops, const Operands& o);
  };
  static constexpr Setting kSettings[] = {
      {"title", 1, "TEXT", [](Operations& ops, const Operands& o) { return ops.SetTitle(o[0]); }},
      {"popup-seconds", 1, "N", [](Operations& ops, const Operands& o) { return ops.SetPopupSeconds(o[0]); }},
      {"poll-seconds", 1, "N", [](Operations& ops, const Operands& o) { return ops.SetPollSeconds(o[0]); }},
      {"signup", 1, "open or closed", [](Operations& ops, const Operands& o) { return ops.SetSignup(o[0]); }},
      {"notice-area", 1, "shown or hidden", [](Operations& ops, const Operands& o) { return ops.SetNoticeArea(o[0]); }},
      {"contacts", 2, "QQ and WANGWANG (either may be \"\")",
       [](Operations& ops, const Operands& o) { return ops.SetContacts(o[0], o[1]); }},
      {"page", 3, "N, CAPTION and ADDRESS",
       [](Operations& ops, const Operands& o) { return ops.SetPage(o[0], o[1], o[2]); }},
  };
  const auto setting = std::find_if(std::begin(kSettings), std::end(kSettings),
                                    [&](const Setting& s) { return s.name == what; });
  if (setting == std::end(kSettings)) Refuse("unknown setting " + Shown(what) + " (try --help)");
  const CommandLine line = ParseCommandLine(args, at + 1, command, {});
  RequireOperands(line, setting->count, command, setting->operands);
  Report(setting->apply(ops_, line.operands));
}

void Admin::Show() {
  AdminDb& db = Open();
  std::vector<std::vector<std::string>> lines;
  const auto add = [&](std::string name, std::string value) {
    lines.push_back({std::move(name) + ":", std::move(value)});
  };

  if (const auto l = db.Row("SELECT lset1,lset6,lset7,lset8,lset9,lset10,lset11,lset12,lset13,lset14,lset15 "
                            "FROM lset WHERE 编号=1")) {
    const auto& v = *l;
    add("sign-up", v[0] == "1" ? "open" : "closed");
    add("pop-up seconds", Printable(v[1]));
    add("poll seconds", Printable(v[2]));
    add("title", Printable(v[3]));
    add("title colour", ColourShown(v[4]));
    add("title size", Printable(v[5]));
    add("title font", Printable(v[6]));
    add("title bold", v[8] == "1" ? "yes" : "no");
    add("title shadow colour", ColourShown(v[9]));
    add("title shadow offset", Printable(v[10]));
    add("notice area", v[7].empty() ? "hidden" : "shown");
  } else {
    add("layout", "(no layout row: run init)");
  }

  if (const auto r = db.Row("SELECT 联系1,联系2,表头一,地址一,表头二,地址二,表头三,地址三,表头四,地址四,"
                            "表头五,地址五,表头六,地址六 FROM rconfig WHERE 编号=1")) {
    const auto& v = *r;
    add("QQ contact", Deciphered(v[0]));
    add("Wangwang contact", Deciphered(v[1]));
    for (int i = 0; i < 6; ++i) {
      add("page " + std::to_string(i + 1), Deciphered(v[2 + 2 * i]) + "  <" + Deciphered(v[3 + 2 * i]) + ">");
    }
  } else {
    add("pages", "(no page row: run init)");
  }

  if (const auto n =
          db.Row("SELECT 公告,字体名称,字体大小,字体颜色 FROM \"Config\" ORDER BY 编号 DESC LIMIT 1")) {
    const auto& v = *n;
    add("login notice", Deciphered(v[0]));
    add("login notice style",
        "font " + Printable(v[1]) + ", size " + Printable(v[2]) + ", colour " + ColourShown(v[3]));
  } else {
    add("login notice", "(none)");
  }
  out_ += Table(lines);
}

}  // namespace

std::string CommandLineActor() {
  std::string user;
  if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name) user = pw->pw_name;
  if (user.empty()) {
    const char* env = std::getenv("USER");
    user = env && *env ? env : std::to_string(geteuid());
  }
  return "velmora-admin:" + Printable(user);
}

int RunAdmin(const std::vector<std::string>& args, std::string& out, std::string& err,
             const AdminClock& now, std::istream* in) {
  try {
    std::optional<std::string> path;
    size_t at = 0;
    for (; at < args.size(); ++at) {
      const std::string& a = args[at];
      if (a == "--help" || a == "-h" || a == "help") {
        out += kUsage;
        return kExitOk;
      }
      if (a == "--db") {
        if (at + 1 == args.size()) Refuse("--db needs the database file's path");
        path = args[++at];
      } else if (a.compare(0, 2, "--") == 0) {
        Refuse("unknown option " + Shown(a) + " (try --help)");
      } else {
        break;
      }
    }
    // "--help" after the command asks for the usage too, unless it follows "--" (a text).
    const auto options_end = std::find(args.begin() + std::ptrdiff_t(at), args.end(), "--");
    if (std::find(args.begin() + std::ptrdiff_t(at), options_end, "--help") != options_end) {
      out += kUsage;
      return kExitOk;
    }
    if (at == args.size()) Refuse("missing command (try --help)");
    if (!path) Refuse("missing --db PATH (the gateway's database file)");
    if (path->empty()) Refuse("--db needs the database file's path");
    Admin admin(*path, now, out, in ? *in : std::cin, CommandLineActor());
    return admin.Run(args, at);
  } catch (const CommandError& e) {
    std::string line = e.message;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    err += "velmora-admin: " + line + "\n";
    return e.status;
  }
}

}  // namespace velmora::admin
