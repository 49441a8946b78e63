// velmora-admin, run in-process on a fresh database file per test. Stored values are read back
// the way the client reads them: RC4 hex text deciphered to GBK bytes, then shown as UTF-8.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "admin_commands.h"
#include "database.h"
#include "gateway/date_time.h"
#include "gateway/rc4.h"
#include "gbk.h"
#include "schema.h"

namespace velmora::admin {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

struct Result {
  int status;
  std::string out, err;
};

DateTime At(int y, int mo, int d, int h, int mi, int s) { return *DateTime::FromCivil({y, mo, d, h, mi, s}); }

// What the client shows for a stored RC4 hex text.
std::string Decoded(const std::string& hex) {
  const auto gbk = TryRc4HexDecode(hex);
  if (!gbk) return "<not RC4 hex: " + hex + ">";
  return service::GbkToUtf8(*gbk).value_or("<not GBK>");
}

class AdminTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::path(testing::TempDir()) / "velmora_admin_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    db_path_ = (dir_ / "gateway.db").string();
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  Result Run(std::vector<std::string> args, bool with_db = true) {
    if (with_db) args.insert(args.begin(), {"--db", db_path_});
    Result r;
    r.status = RunAdmin(args, r.out, r.err, [this] { return now_; });
    return r;
  }
  Result RunWithInput(std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), {"--db", db_path_});
    std::istringstream in(input);
    Result r;
    r.status = RunAdmin(args, r.out, r.err, [this] { return now_; }, &in);
    return r;
  }
  // Every byte of the database's files, WAL included.
  std::string FileBytes() {
    std::string all;
    for (const char* suffix : {"", "-wal"}) {
      std::ifstream in(db_path_ + suffix, std::ios::binary);
      all += std::string(std::istreambuf_iterator<char>(in), {});
    }
    return all;
  }
  // A command that must succeed.
  std::string Ok(std::vector<std::string> args) {
    const Result r = Run(std::move(args));
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }

  Rows Query(const std::string& sql) {
    std::string error;
    service::Database db = service::OpenDatabase(db_path_, service::OpenMode::kMustExist, error);
    EXPECT_TRUE(db) << error;
    Rows rows;
    if (!db) return rows;
    service::Query q(db.get(), sql);
    EXPECT_TRUE(q.ok()) << sql;
    while (q.ok() && q.Step() == SQLITE_ROW) {
      auto& row = rows.emplace_back();
      for (int c = 0; c < sqlite3_column_count(q.get()); ++c) row.push_back(q.Text(c));
    }
    return rows;
  }
  std::string Value(const std::string& sql) {
    const Rows rows = Query(sql);
    return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0]
                                                   : "<" + std::to_string(rows.size()) + " rows>";
  }
  // Every row of every table, to prove a refused command changed nothing.
  std::string Snapshot() {
    std::string all;
    for (const service::Table& t : service::Tables()) {
      for (const auto& row : Query("SELECT * FROM " + service::QuoteIdentifier(t.name) + " ORDER BY 编号")) {
        all += t.name;
        for (const auto& v : row) all += "|" + v;
        all += "\n";
      }
    }
    return all;
  }

  fs::path dir_;
  std::string db_path_;
  DateTime now_ = At(2026, 12, 9, 14, 30, 0);
};

// ---- init ------------------------------------------------------------------------------------

TEST_F(AdminTest, InitCreatesLayoutAndPagesOnceAndKeepsLaterSettings) {
  EXPECT_FALSE(fs::exists(db_path_));
  Ok({"init"});
  EXPECT_EQ(Query("SELECT lset1,lset6,lset7,lset8,lset12,lset2 FROM lset WHERE 编号=1"),
            (Rows{{"1", "10", "5", "Velmora操盘系统", "1", ""}}));
  const Rows pages = Query("SELECT 联系1,联系2,表头一,地址一,表头六,地址六 FROM rconfig WHERE 编号=1");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0][0], "");
  EXPECT_EQ(pages[0][1], "");
  EXPECT_EQ(Decoded(pages[0][2]), "大盘行情");
  EXPECT_EQ(Decoded(pages[0][3]), "about:blank");
  EXPECT_FALSE(Decoded(pages[0][4]).empty());
  EXPECT_EQ(Decoded(pages[0][5]), "about:blank");

  Ok({"set", "title", "我的系统"});
  const std::string again = Ok({"init"});
  EXPECT_NE(again.find("layout row kept"), std::string::npos) << again;
  EXPECT_EQ(Value("SELECT count(*) FROM lset"), "1");
  EXPECT_EQ(Value("SELECT count(*) FROM rconfig"), "1");
  EXPECT_EQ(Value("SELECT lset8 FROM lset"), "我的系统");
}

TEST_F(AdminTest, DemoContentIsReadableAndAddedOnce) {
  Ok({"init", "--demo"});

  const Rows account = Query("SELECT 账号,密码,状态,在线,创建时间 FROM account");
  ASSERT_EQ(account.size(), 1u);
  EXPECT_EQ(account[0][0], "demo");
  EXPECT_EQ(Decoded(account[0][1]), "demo123");
  EXPECT_EQ(account[0][2], "0");
  EXPECT_EQ(account[0][3], "0");
  EXPECT_EQ(account[0][4], "2026年12月9日14时30分");

  const Rows recs = Query("SELECT 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 FROM Latest1 ORDER BY 编号");
  int today = 0, earlier = 0;
  std::string previous;
  for (const auto& r : recs) {
    const auto when = ParseDateTime(r[0]);
    ASSERT_TRUE(when) << r[0];
    EXPECT_LE(*when, now_) << r[0];
    EXPECT_LT(previous, r[0]) << "a higher 编号 must be newer";
    previous = r[0];
    (r[0].compare(0, 10, "2026-12-09") == 0 ? today : earlier)++;
    EXPECT_EQ(Decoded(r[1]).size(), 6u) << Decoded(r[1]);
    EXPECT_TRUE(std::set<std::string>({"买入", "卖出", "持有"}).count(Decoded(r[2]))) << Decoded(r[2]);
    EXPECT_GT(std::stod(Decoded(r[3])), 0.0);
    EXPECT_LT(std::stod(Decoded(r[3])), std::stod(Decoded(r[4])));
    EXPECT_FALSE(Decoded(r[5]).empty());
  }
  EXPECT_GE(today, 4);
  EXPECT_LE(today, 6);
  EXPECT_GE(earlier, 1);

  const Rows news =
      Query("SELECT 更新日期,公告标题,公告,字体名称,字体大小,字体颜色 FROM config2 ORDER BY 编号");
  ASSERT_EQ(news.size(), 3u);
  EXPECT_EQ(Decoded(news[0][1]), "系统升级通知");
  for (const auto& n : news) {
    EXPECT_TRUE(ParseDateTime(n[0])) << n[0];
    EXPECT_FALSE(Decoded(n[2]).empty());
    EXPECT_FALSE(n[3].empty());
    EXPECT_TRUE(!n[4].empty() && n[4].find_first_not_of("0123456789") == std::string::npos) << n[4];
  }
  const Rows notice = Query("SELECT 公告,字体颜色,字体大小,字体名称 FROM Config");
  ASSERT_EQ(notice.size(), 1u);
  EXPECT_EQ(Decoded(notice[0][0]).rfind("欢迎使用Velmora操盘系统", 0), 0u) << Decoded(notice[0][0]);
  const Rows contacts = Query("SELECT 联系1,联系2 FROM rconfig");
  EXPECT_EQ(Decoded(contacts[0][0]), "800012345");
  EXPECT_EQ(Decoded(contacts[0][1]), "velmora客服");

  const std::string before = Snapshot();
  Ok({"init", "--demo"});
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(AdminTest, DemoRecommendationsOfTodayAreNeverInTheFuture) {
  now_ = At(2026, 12, 9, 9, 0, 0);  // before the first sample time of the day
  Ok({"init", "--demo"});
  std::string previous;
  int today = 0;
  for (const auto& r : Query("SELECT 推荐时间 FROM Latest1 UNION ALL SELECT 更新日期 FROM config2")) {
    EXPECT_LE(*ParseDateTime(r[0]), now_) << r[0];
    today += r[0].compare(0, 10, "2026-12-09") == 0;
  }
  EXPECT_GE(today, 5);
  for (const auto& r : Query("SELECT 推荐时间 FROM Latest1 ORDER BY 编号")) {
    EXPECT_LT(previous, r[0]);
    previous = r[0];
  }
}

TEST_F(AdminTest, InitDemoFillsContactsOnlyWhereNoneAreSet) {
  Ok({"init"});
  Ok({"set", "contacts", "55555", ""});
  Ok({"init", "--demo"});
  const Rows contacts = Query("SELECT 联系1,联系2 FROM rconfig");
  EXPECT_EQ(Decoded(contacts[0][0]), "55555");
  EXPECT_EQ(Decoded(contacts[0][1]), "velmora客服");
}

// ---- accounts --------------------------------------------------------------------------------

TEST_F(AdminTest, AccountAddFreezeKick) {
  Ok({"init"});
  Ok({"account", "add", "王小明", "密码pass1"});
  EXPECT_EQ(Query("SELECT 账号,状态,在线,句柄,创建时间 FROM account"),
            (Rows{{"王小明", "0", "0", "0", "2026年12月9日14时30分"}}));
  EXPECT_EQ(Decoded(Value("SELECT 密码 FROM account")), "密码pass1");

  const Result duplicate = Run({"account", "add", "王小明", "other"});
  EXPECT_EQ(duplicate.status, kExitFailed);
  EXPECT_EQ(duplicate.err, "velmora-admin: account '王小明' exists\n");
  EXPECT_EQ(Decoded(Value("SELECT 密码 FROM account")), "密码pass1");

  const std::string state = "SELECT 状态 FROM account";
  Ok({"account", "freeze", "王小明"});
  EXPECT_EQ(Value(state), "1");
  Ok({"account", "freeze", "王小明"});
  EXPECT_EQ(Value(state), "1");
  Ok({"account", "unfreeze", "王小明"});
  EXPECT_EQ(Value(state), "0");

  {  // the handle a signed-in client wrote
    std::string error;
    auto db = service::OpenDatabase(db_path_, service::OpenMode::kMustExist, error);
    ASSERT_TRUE(service::ExecSql(db.get(), "UPDATE account SET 句柄='5309470', 在线='1'", error)) << error;
  }
  Ok({"account", "kick", "王小明"});
  EXPECT_EQ(Value("SELECT 句柄 FROM account"), "2");
}

TEST_F(AdminTest, AccountActionsOnUnknownNameFail) {
  Ok({"init"});
  Ok({"account", "add", "alice", "x"});
  for (const char* action : {"freeze", "unfreeze", "kick"}) {
    const std::string before = Snapshot();
    const Result r = Run({"account", action, "Alice"});  // names are exact
    EXPECT_EQ(r.status, kExitFailed) << action;
    EXPECT_EQ(r.err, "velmora-admin: no account 'Alice'\n") << action;
    EXPECT_EQ(Snapshot(), before) << action;
  }
}

TEST_F(AdminTest, AccountListAlignsWideNames) {
  Ok({"init"});
  Ok({"account", "add", "demo", "x"});
  Ok({"account", "add", "王小明", "y"});
  Ok({"account", "freeze", "demo"});
  std::string error;
  {
    auto db = service::OpenDatabase(db_path_, service::OpenMode::kMustExist, error);
    ASSERT_TRUE(
        service::ExecSql(db.get(),
                         "UPDATE account SET 在线='1', 登陆IP='10.0.0.7', 登陆时间='2026年12月9日9时5分' "
                         "WHERE 账号='王小明'",
                         error))
        << error;
  }
  EXPECT_EQ(Ok({"account", "list"}),
            "NAME    ONLINE  FROZEN  LOGIN TIME           LOGIN ADDRESS\n"
            "demo    no      yes\n"
            "王小明  yes     no      2026年12月9日9时5分  10.0.0.7\n");
}

// ---- feeds -----------------------------------------------------------------------------------

TEST_F(AdminTest, RecommendStoresCipheredFieldsAndTheTime) {
  Ok({"init"});
  Ok({"recommend", "600519", "买入", "1650.00", "1720.00", "放量突破☆回踩低吸々"});
  const Rows rows = Query("SELECT 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 FROM Latest1");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "2026-12-09 14:30:00");
  std::vector<std::string> decoded;
  for (size_t i = 1; i < rows[0].size(); ++i) decoded.push_back(Decoded(rows[0][i]));
  EXPECT_EQ(decoded,
            (std::vector<std::string>{"600519", "买入", "1650.00", "1720.00", "放量突破☆回踩低吸々"}));
  EXPECT_EQ(rows[0][1], Rc4HexEncode("600519"));  // the hex text the client compares
}

TEST_F(AdminTest, RecommendTimeForms) {
  Ok({"init"});
  const std::pair<const char*, const char*> accepted[] = {
      {"2026-01-05 09:03:07", "2026-01-05 09:03:07"},
      {"2026/1/5 9:03:07", "2026-01-05 09:03:07"},
      {"2026年1月5日9时3分", "2026-01-05 09:03:00"},
      {"2026年1月5日 9:03:07", "2026-01-05 09:03:07"},
      {"2026-1-5", "2026-01-05 00:00:00"},
  };
  for (const auto& [given, stored] : accepted) {
    Ok({"recommend", "--time", given, "000001", "持有", "10", "11", ""});
    EXPECT_EQ(Value("SELECT 推荐时间 FROM Latest1 ORDER BY 编号 DESC LIMIT 1"), stored) << given;
  }
  for (const char* bad : {"2026-13-01 00:00:00", "2026-02-30", "yesterday", "", "2026-01-05 25:00"}) {
    const std::string before = Snapshot();
    const Result r = Run({"recommend", "000001", "持有", "10", "11", "", "--time", bad});
    EXPECT_EQ(r.status, kExitUsage) << bad;
    EXPECT_EQ(r.err.rfind("velmora-admin: bad time", 0), 0u) << r.err;
    EXPECT_EQ(Snapshot(), before) << bad;
  }
}

TEST_F(AdminTest, AnnounceAndNoticeWithDefaultAndGivenStyles) {
  Ok({"init"});
  Ok({"announce", "盘后点评", "今日两市成交放量。"});
  Ok({"announce", "风险提示", "注意控制仓位", "--font", "黑体", "--size", "14", "--colour", "#FF0000"});
  const Rows news =
      Query("SELECT 更新日期,公告标题,公告,字体名称,字体大小,字体颜色 FROM config2 ORDER BY 编号");
  ASSERT_EQ(news.size(), 2u);
  EXPECT_EQ(news[0][0], "2026-12-09 14:30:00");
  EXPECT_EQ(Decoded(news[0][1]), "盘后点评");
  EXPECT_EQ(Decoded(news[0][2]), "今日两市成交放量。");
  EXPECT_EQ((std::vector<std::string>(news[0].begin() + 3, news[0].end())),
            (std::vector<std::string>{"宋体", "10", "0"}));
  EXPECT_EQ((std::vector<std::string>(news[1].begin() + 3, news[1].end())),
            (std::vector<std::string>{"黑体", "14", "255"}));

  Ok({"notice", "第一条公告"});
  Ok({"notice", "第二条公告", "--colour", "0x008000", "--size", "12", "--font", "楷体"});
  const Rows notices = Query("SELECT 公告,字体颜色,字体大小,字体名称 FROM Config ORDER BY 编号");
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(Decoded(notices[0][0]), "第一条公告");
  EXPECT_EQ((std::vector<std::string>(notices[0].begin() + 1, notices[0].end())),
            (std::vector<std::string>{"0", "10", "宋体"}));
  EXPECT_EQ(Decoded(notices[1][0]), "第二条公告");
  EXPECT_EQ((std::vector<std::string>(notices[1].begin() + 1, notices[1].end())),
            (std::vector<std::string>{"32768", "12", "楷体"}));
}

// ---- settings ---------------------------------------------------------------------------------

TEST_F(AdminTest, EachSettingLandsInItsColumn) {
  struct Case {
    std::vector<std::string> args;
    std::string table, column, stored;
    bool enciphered;
  };
  const Case cases[] = {
      {{"set", "title", "金牛操盘 Pro"}, "lset", "lset8", "金牛操盘 Pro", false},
      {{"set", "popup-seconds", "30"}, "lset", "lset6", "30", false},
      {{"set", "poll-seconds", "86400"}, "lset", "lset7", "86400", false},
      {{"set", "poll-seconds", "0"}, "lset", "lset7", "0", false},
      {{"set", "signup", "closed"}, "lset", "lset1", "0", false},
      {{"set", "signup", "open"}, "lset", "lset1", "1", false},
      {{"set", "notice-area", "hidden"}, "lset", "lset12", "", false},
      {{"set", "notice-area", "shown"}, "lset", "lset12", "1", false},
      {{"set", "title-style", "--colour", "#FF8000"}, "lset", "lset9", "33023", false},
      {{"set", "title-style", "--size", "24"}, "lset", "lset10", "24", false},
      {{"set", "title-style", "--font", "楷体"}, "lset", "lset11", "楷体", false},
      {{"set", "title-style", "--no-bold"}, "lset", "lset13", "0", false},
      {{"set", "title-style", "--bold"}, "lset", "lset13", "1", false},
      {{"set", "title-style", "--shadow-colour", "0x123456"}, "lset", "lset14", "1193046", false},
      {{"set", "title-style", "--shadow-offset", "50"}, "lset", "lset15", "50", false},
      {{"set", "contacts", "12345678", "旺旺客服"}, "rconfig", "联系1", "12345678", true},
      {{"set", "contacts", "12345678", "旺旺客服"}, "rconfig", "联系2", "旺旺客服", true},
      {{"set", "contacts", "", ""}, "rconfig", "联系1", "", true},
      {{"set", "page", "1", "自选股", "http://127.0.0.1/a?b=1&c=2"}, "rconfig", "表头一", "自选股", true},
      {{"set", "page", "1", "自选股", "http://127.0.0.1/a?b=1&c=2"},
       "rconfig",
       "地址一",
       "http://127.0.0.1/a?b=1&c=2",
       true},
      {{"set", "page", "6", "研报", "about:blank"}, "rconfig", "表头六", "研报", true},
      {{"set", "page", "3", "资金", "about:blank"}, "rconfig", "表头三", "资金", true},
  };
  Ok({"init"});
  for (const Case& c : cases) {
    const std::string sql =
        "SELECT " + service::QuoteIdentifier(c.column) + " FROM " + c.table + " WHERE 编号=1";
    Ok(c.args);
    const std::string stored = Value(sql);
    EXPECT_EQ(c.enciphered ? Decoded(stored) : stored, c.stored) << c.args[1] << " " << c.column;
    if (c.enciphered && !c.stored.empty()) {
      EXPECT_NE(stored, c.stored) << "stored without the cipher";
    }
  }
  // The other page kept its own values.
  EXPECT_EQ(Decoded(Value("SELECT 表头二 FROM rconfig")), "个股资讯");
}

TEST_F(AdminTest, TitleStyleChangesOnlyTheColumnsGiven) {
  Ok({"init"});
  const std::string style = "SELECT lset9,lset10,lset11,lset13,lset14,lset15 FROM lset";
  const Rows before = Query(style);
  Ok({"set", "title-style", "--size", "30", "--shadow-offset", "0"});
  Rows expected = before;
  expected[0][1] = "30";
  expected[0][5] = "0";
  EXPECT_EQ(Query(style), expected);
}

TEST_F(AdminTest, ColourForms) {
  Ok({"init"});
  const std::pair<const char*, const char*> accepted[] = {
      {"0", "0"},           {"255", "255"},          {"16777215", "16777215"},
      {"0xFF", "255"},      {"0X0000ff", "255"},     {"0x00FFFFFF", "16777215"},
      {"#FF0000", "255"},   {"#0000FF", "16711680"}, {"#123456", "5649426"},
      {"#00ff00", "65280"},
  };
  for (const auto& [given, stored] : accepted) {
    Ok({"set", "title-style", "--colour", given});
    EXPECT_EQ(Value("SELECT lset9 FROM lset"), stored) << given;
  }
  for (const char* bad : {"16777216", "0x1000000", "0x", "#12345", "#1234567", "#GG0000", "-1", "red", "",
                          "12a", "0x00FFFFFFF"}) {
    const Result r = Run({"set", "title-style", "--colour", bad});
    EXPECT_EQ(r.status, kExitUsage) << bad;
    EXPECT_NE(r.err.find("is not a colour"), std::string::npos) << r.err;
  }
}

TEST_F(AdminTest, SettingsNeedTheInitialisedRows) {
  {
    std::string error;
    ASSERT_TRUE(service::OpenDatabase(db_path_, service::OpenMode::kCreateIfMissing, error)) << error;
  }
  for (const std::vector<std::string>& args : {std::vector<std::string>{"set", "title", "x"},
                                               std::vector<std::string>{"set", "page", "2", "a", "b"}}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("run init first"), std::string::npos) << r.err;
  }
}

TEST_F(AdminTest, ShowDecodesEverySetting) {
  Ok({"init"});
  Ok({"set", "contacts", "88886666", "客服小王"});
  Ok({"set", "page", "3", "资金流向", "http://127.0.0.1:8080/flow"});
  Ok({"set", "title-style", "--colour", "#FF8000", "--no-bold"});
  Ok({"set", "notice-area", "hidden"});
  Ok({"notice", "旧公告"});
  Ok({"notice", "新公告", "--colour", "255"});

  std::map<std::string, std::string> shown;
  const std::string out = Ok({"show"});
  for (size_t start = 0; start < out.size();) {
    const size_t end = out.find('\n', start);
    const std::string line = out.substr(start, end - start);
    const size_t colon = line.find(':');
    const size_t value = line.find_first_not_of(' ', colon + 1);
    shown[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    start = end + 1;
  }
  EXPECT_EQ(shown["title"], "Velmora操盘系统");
  EXPECT_EQ(shown["sign-up"], "open");
  EXPECT_EQ(shown["pop-up seconds"], "10");
  EXPECT_EQ(shown["title colour"], "33023 (#FF8000)");
  EXPECT_EQ(shown["title bold"], "no");
  EXPECT_EQ(shown["notice area"], "hidden");
  EXPECT_EQ(shown["QQ contact"], "88886666");
  EXPECT_EQ(shown["Wangwang contact"], "客服小王");
  EXPECT_EQ(shown["page 1"], "大盘行情  <about:blank>");
  EXPECT_EQ(shown["page 3"], "资金流向  <http://127.0.0.1:8080/flow>");
  EXPECT_EQ(shown["login notice"], "新公告");
  EXPECT_EQ(shown["login notice style"], "font 宋体, size 10, colour 255 (#FF0000)");
}

// ---- refusals --------------------------------------------------------------------------------

TEST_F(AdminTest, BadInputIsRefusedWithOneLineAndChangesNothing) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;  // the start of what follows "velmora-admin: "
  };
  const Case cases[] = {
      {{"frobnicate"}, kExitUsage, "unknown command 'frobnicate'"},
      {{"account"}, kExitUsage, "account needs"},
      {{"account", "rename", "a"}, kExitUsage, "unknown account action 'rename'"},
      {{"account", "add", "bob"}, kExitUsage, "account add needs NAME and PASSWORD"},
      {{"account", "add", "bob", "pw", "extra"}, kExitUsage, "too many arguments for account add"},
      {{"account", "add", "", "pw"}, kExitUsage, "account name is empty"},
      {{"account", "add", "bob", ""}, kExitUsage, "password is empty"},
      {{"account", "add", "bob", "p\xFFw"}, kExitUsage, "password is not valid UTF-8"},
      {{"account", "add", "b\xC0\xAFob", "pw"}, kExitUsage, "account name is not valid UTF-8"},
      {{"account", "add", "bob", "pw😀"}, kExitUsage, "password 'pw😀' has a character that GBK cannot"},
      {{"recommend", "600519", "买入", "1", "2"}, kExitUsage, "recommend needs"},
      {{"recommend", "", "买入", "1", "2", "x"}, kExitUsage, "stock code is empty"},
      {{"recommend", "600519", "买入", "1", "2", "x", "--time"}, kExitUsage, "--time needs a value"},
      {{"notice", "text", "--size", "0"},
       kExitUsage,
       "font size must be a whole number from 1 to 200, not '0'"},
      {{"notice", "text", "--size", "201"}, kExitUsage, "font size must be"},
      {{"notice", "text", "--weight", "3"}, kExitUsage, "unknown option '--weight' for notice"},
      {{"notice", "text", "--size", "9", "--size", "10"}, kExitUsage, "--size given twice"},
      {{"notice", "\xE4\xB8"}, kExitUsage, "text is not valid UTF-8"},
      {{"announce", "title"}, kExitUsage, "announce needs TITLE and TEXT"},
      {{"announce", "t", "x", "--colour", "blue"}, kExitUsage, "colour 'blue' is not a colour"},
      {{"set"}, kExitUsage, "set needs a setting"},
      {{"set", "volume", "3"}, kExitUsage, "unknown setting 'volume'"},
      {{"set", "popup-seconds", "-1"}, kExitUsage, "seconds must be a whole number from 0 to 86400"},
      {{"set", "popup-seconds", "86401"}, kExitUsage, "seconds must be"},
      {{"set", "poll-seconds", "5s"}, kExitUsage, "seconds must be"},
      {{"set", "poll-seconds"}, kExitUsage, "set poll-seconds needs N"},
      {{"set", "signup", "maybe"}, kExitUsage, "signup must be open or closed, not 'maybe'"},
      {{"set", "notice-area", "on"}, kExitUsage, "notice-area must be shown or hidden"},
      {{"set", "page", "7", "a", "b"}, kExitUsage, "page number must be a whole number from 1 to 6"},
      {{"set", "page", "0", "a", "b"}, kExitUsage, "page number must be"},
      {{"set", "contacts", "1"}, kExitUsage, "set contacts needs"},
      {{"set", "title-style"}, kExitUsage, "set title-style needs"},
      {{"set", "title-style", "--size", "0"}, kExitUsage, "title size must be"},
      {{"set", "title-style", "--shadow-offset", "51"}, kExitUsage, "shadow offset must be"},
      {{"set", "title-style", "--bold", "--no-bold"}, kExitUsage, "--bold and --no-bold together"},
      {{"set", "title-style", "--size", "20", "--colour", "#1"},
       kExitUsage,
       "title colour '#1' is not a colour"},
      {{"set", "title", "a\nb\xFF"}, kExitUsage, "title is not valid UTF-8"},
      {{"show", "all"}, kExitUsage, "too many arguments for show"},
      {{"init", "--demo", "x"}, kExitUsage, "too many arguments for init"},
  };
  Ok({"init"});
  Ok({"account", "add", "alice", "pw"});
  const std::string before = Snapshot();
  for (const Case& c : cases) {
    const Result r = Run(c.args);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(r.status, c.status) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_EQ(r.err.rfind("velmora-admin: " + c.message, 0), 0u) << shown << "-> " << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << shown << "-> " << r.err;
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(AdminTest, CommandLineWithoutDatabaseOrCommand) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "velmora-admin: missing command (try --help)\n"},
      {{"init"}, "velmora-admin: missing --db PATH (the gateway's database file)\n"},
      {{"--db"}, "velmora-admin: --db needs the database file's path\n"},
      {{"--db", "", "show"}, "velmora-admin: --db needs the database file's path\n"},
      {{"--verbose", "show"}, "velmora-admin: unknown option '--verbose' (try --help)\n"},
  };
  for (const auto& [args, message] : cases) {
    const Result r = Run(args, false);
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err, message);
  }
  const Result help = Run({"--help"}, false);
  EXPECT_EQ(help.status, kExitOk);
  EXPECT_EQ(help.out.rfind("usage: velmora-admin --db PATH COMMAND", 0), 0u);
}

TEST_F(AdminTest, PlainTextsRefuseTheAnswerSeparators) {
  Ok({"init"});
  const std::vector<std::string> cases[] = {
      {"account", "add", "a々b", "pw"},      {"account", "add", "☆", "pw"},
      {"set", "title", "Velmora☆操盘"},      {"set", "title-style", "--font", "宋体々"},
      {"notice", "正文", "--font", "黑☆体"}, {"announce", "标题", "正文", "--font", "々"},
  };
  const std::string before = Snapshot();
  for (const auto& args : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, kExitUsage) << args[0] << " " << args[1];
    EXPECT_NE(r.err.find("separates the service's answers"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Snapshot(), before);
  // Enciphered texts are hex on the wire: separators inside them are harmless.
  Ok({"notice", "重要☆提示々"});
  Ok({"account", "add", "bob", "pw☆々"});
  EXPECT_EQ(Decoded(Value("SELECT 公告 FROM Config")), "重要☆提示々");
  EXPECT_EQ(Decoded(Value("SELECT 密码 FROM account WHERE 账号='bob'")), "pw☆々");
}

TEST_F(AdminTest, EveryCommandButInitNeedsAnExistingFile) {
  const std::vector<std::string> cases[] = {
      {"account", "list"},
      {"account", "add", "bob", "pw"},
      {"account", "kick", "bob"},
      {"recommend", "600519", "买入", "1", "2", "x"},
      {"announce", "t", "x"},
      {"notice", "x"},
      {"set", "title", "x"},
      {"set", "page", "1", "a", "b"},
      {"show"},
  };
  for (const auto& args : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, kExitFailed) << args[0];
    EXPECT_EQ(r.err.rfind("velmora-admin: cannot open " + db_path_, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_FALSE(fs::exists(db_path_)) << args[0];
  }
  const Result in_missing_dir = Run({"--db", (dir_ / "no" / "such.db").string(), "init"}, false);
  EXPECT_EQ(in_missing_dir.status, kExitFailed);
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

// ---- Operators of the console and the audit ---------------------------------------------------

TEST_F(AdminTest, OperatorsAreKeptAsArgon2idHashesOnly) {
  Ok({"init"});
  const std::string password = "Kw9-秘密-long enough";
  const Result added = RunWithInput({"operator", "add", "值班员"}, password + "\r\n");
  ASSERT_EQ(added.status, kExitOk) << added.err;
  EXPECT_EQ(added.out, "operator '值班员' added\n");
  const std::string hash = Value("SELECT password_hash FROM operators WHERE name='值班员'");
  EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
  EXPECT_EQ(FileBytes().find("Kw9-"), std::string::npos);  // nowhere in the files, not even the WAL

  EXPECT_EQ(RunWithInput({"operator", "add", "值班员"}, "other\n").status, kExitFailed);  // exists
  EXPECT_EQ(RunWithInput({"operator", "add", "ops2"}, "").status, kExitUsage);           // no password came
  EXPECT_EQ(RunWithInput({"operator", "add", "ops2"}, "\n").status, kExitUsage);         // an empty one
  EXPECT_EQ(RunWithInput({"operator", "add", "bad\x01name"}, "pw\n").status, kExitUsage);
  EXPECT_EQ(RunWithInput({"operator", "add", std::string(65, 'a')}, "pw\n").status, kExitUsage);
  const std::string list = Ok({"operator", "list"});
  EXPECT_NE(list.find("\n值班员  2026-12-09 14:30:00\n"), std::string::npos) << list;
  EXPECT_EQ(list.find("$argon2id$"), std::string::npos);

  EXPECT_EQ(Ok({"operator", "remove", "值班员"}), "operator '值班员' removed\n");
  EXPECT_EQ(Run({"operator", "remove", "值班员"}).status, kExitFailed);
  EXPECT_EQ(Value("SELECT count(*) FROM operators"), "0");
}

TEST_F(AdminTest, EveryChangeIsAuditedWithTheUserAndNoPassword) {
  Ok({"init"});
  Ok({"init"});  // finds everything in place: no change
  Ok({"account", "add", "李四", "topsecret"});
  Ok({"account", "kick", "李四"});
  Ok({"recommend", "600519", "买入", "1650", "1720", "说明\t二", "--time", "2026-12-09 10:00:00"});
  Ok({"set", "poll-seconds", "7"});
  Ok({"show"});
  Ok({"account", "list"});
  EXPECT_EQ(Run({"set", "poll-seconds", "x"}).status, kExitUsage);  // refused: nothing to record
  ASSERT_EQ(RunWithInput({"operator", "add", "ops"}, "hunter2\n").status, kExitOk);

  const Rows audit = Query("SELECT at,actor,summary FROM audit_log ORDER BY id");
  const std::vector<std::string> summaries = {
      "init",
      "account add '李四'",
      "account kick '李四'",
      "recommend 1: '600519' '买入' '1650' '1720' '说明?二' --time 2026-12-09 10:00:00",
      "set poll-seconds 7",
      "operator add 'ops'",
  };
  ASSERT_EQ(audit.size(), summaries.size());
  for (size_t i = 0; i < audit.size(); ++i) {
    EXPECT_EQ(audit[i][0], "2026-12-09 14:30:00");
    EXPECT_EQ(audit[i][1], CommandLineActor());
    EXPECT_EQ(audit[i][2], summaries[i]);
  }
  EXPECT_EQ(CommandLineActor().rfind("velmora-admin:", 0), 0u);
  EXPECT_GT(CommandLineActor().size(), std::string("velmora-admin:").size());
  EXPECT_EQ(FileBytes().find("topsecret"), std::string::npos);
  EXPECT_EQ(FileBytes().find("hunter2"), std::string::npos);
}

}  // namespace
}  // namespace velmora::admin
