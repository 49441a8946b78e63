// Requests as the gateway page receives them, handled in-process with a fixed clock.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "database.h"
#include "gateway_service.h"
#include "service_support.h"
#include "store.h"

namespace velmora::service {
namespace {

using testing::G;
using testing::Key;
using testing::StatementBody;
using testing::U;

DateTime At(int h, int mi, int s) { return *DateTime::FromCivil({2026, 12, 9, h, mi, s}); }

class GatewayServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    store_ = Store::Open(db_.path(), error);
    ASSERT_TRUE(store_) << error;
    Seed("INSERT INTO account (账号, 密码, 句柄) VALUES ('张三', 'EF2ABA759601', '12345')");
  }
  void Seed(const std::string& sql) {
    std::string error;
    Database db = OpenDatabase(db_.path(), OpenMode::kMustExist, error);
    ASSERT_TRUE(db && ExecSql(db.get(), sql, error)) << error;
  }
  // The decoded answer text.
  std::string Send(const std::string& body, RequestRecord* record_out = nullptr) {
    RequestRecord record;
    GatewayService service(*store_, options_, [this] { return now_; });
    const std::string answer = service.Handle(body, "10.1.2.3", record);
    if (record_out) *record_out = record;
    return DecodeWire(answer, Key());
  }
  std::string Envelope(std::string_view payload_utf8) {
    return "2026-12-09 14:03:05" + std::string(kAnswerMarker) + G(payload_utf8);
  }

  testing::TempDatabase db_;
  std::unique_ptr<Store> store_;
  ServiceOptions options_;
  DateTime now_ = At(14, 3, 5);
};

TEST_F(GatewayServiceTest, HandshakeAnswersTimeAndAddressOrRefusesDeniedMachines) {
  const std::string body = "p=" + EncodeWire("3", Key()) + "&f=" + EncodeWire("0123456789ABCDEF", Key());
  EXPECT_EQ(Send(body), "2026-12-09 14:03:05{[good-wren]}10.1.2.3");
  options_.twelve_hour_clock = true;
  EXPECT_EQ(Send(body), G("2026-12-09 下午 2:03:05{[good-wren]}10.1.2.3"));
  options_.denied_machines = {"0123456789ABCDEF"};
  RequestRecord record;
  EXPECT_EQ(Send(body, &record), "1");
  EXPECT_NE(record.outcome.find("denied"), std::string::npos);
}

TEST_F(GatewayServiceTest, AnswersEachOperationInTheEnvelope) {
  EXPECT_EQ(Send(StatementBody('2', now_, "select 句柄 from account where 账号='张三'")),
            Envelope("句柄々☆12345々☆"));
  EXPECT_EQ(Send(StatementBody('2', now_, "select count(*) from latest1")), Envelope("count(*)々☆0々☆"));
  EXPECT_EQ(Send(StatementBody('4', now_, "select * from account where 账号='张三'")), Envelope("ok"));
  EXPECT_EQ(Send(StatementBody('4', now_, "select * from account where 账号='李四'")), Envelope("no"));
  EXPECT_EQ(Send(StatementBody('1', now_, "update account set 在线=1,登陆IP='1.2.3.4' where 账号='张三'")),
            Envelope("6"));
  EXPECT_EQ(Send(StatementBody('2', now_, "select 账号,密码,在线,状态,登陆IP from account where 账号='张三'")),
            Envelope("账号々密码々在线々状态々登陆IP々☆张三々EF2ABA759601々1々々1.2.3.4々☆"));  // an empty field keeps its mark
}

TEST_F(GatewayServiceTest, StampsMoreThan90SecondsAwayAreRefused) {
  const std::pair<DateTime, bool> cases[] = {
      {At(14, 3, 5), true}, {At(14, 4, 34), true}, {At(14, 1, 36), true},
      {At(14, 4, 35), false}, {At(14, 1, 35), false}, {At(2, 3, 5), false},
  };
  for (const auto& [stamp, served] : cases) {
    RequestRecord record;
    const std::string answer = Send(StatementBody('2', stamp, "select count(*) from latest1"), &record);
    EXPECT_EQ(answer == Envelope("count(*)々☆0々☆"), served) << ClockStamp(stamp) << " " << record.outcome;
  }
  // Around midnight the clock wraps, the distance does not.
  now_ = *DateTime::FromCivil({2026, 12, 9, 23, 59, 30});
  EXPECT_EQ(Send(StatementBody('2', *DateTime::FromCivil({2026, 12, 10, 0, 0, 20}), "select count(*) from latest1")),
            "2026-12-09 23:59:30" + std::string(kAnswerMarker) + G("count(*)々☆0々☆"));
}

TEST_F(GatewayServiceTest, MalformedRequestsGetTheFailureAnswer) {
  const std::string stamp_sql = StampedStatement(now_, "select count(*) from latest1");
  const std::string cases[] = {
      "",
      "garbage",
      "p=",
      "p=zz&post=00",
      "p=" + EncodeWire("2", Key()),                                     // no statement
      "p=" + EncodeWire("2", Key()) + "&post=0067zz",                    // not hexadecimal
      "p=" + EncodeWire("2", Key()) + "&post=" + EncodeWire("select count(*) from latest1", Key()),  // no stamp
      "p=" + EncodeWire("2", Key()) + "&post=" + EncodeWire("99:99:99{[good-lark]}select 1", Key()),
      "p=" + EncodeWire("7", Key()) + "&post=" + EncodeWire(stamp_sql, Key()),               // no such operation
      "p=" + EncodeWire("2", *WireKey::FromDigits("11111111")) + "&post=" +
          EncodeWire(stamp_sql, *WireKey::FromDigits("11111111")),                         // another key
      "p=" + EncodeWire("2", Key()) + "&post=" + EncodeWire("14:03:05{[good-lark]}select \x81'", Key()),  // not GBK
  };
  for (const std::string& body : cases) {
    RequestRecord record;
    const std::string answer = Send(body, &record);
    EXPECT_EQ(answer, Envelope("")) << body << " -> " << U(answer);
    EXPECT_NE(record.outcome, "ok") << body;
  }
}

// Every account row and the layout row's sign-up switch, to show a refused request changed nothing.
std::string Snapshot(const std::string& path) {
  std::string error, out;
  Database db = OpenDatabase(path, OpenMode::kMustExist, error);
  Query rows(db.get(), "SELECT quote(账号), quote(密码), 在线, 状态, 登陆IP, 登陆时间, 句柄, 姓名 FROM account "
                       "UNION ALL SELECT lset1, '', '', '', '', '', '', '' FROM lset");
  while (rows.ok() && rows.Step() == SQLITE_ROW) {
    for (int i = 0; i < 8; ++i) out += rows.Text(i) + "|";
    out += "\n";
  }
  return out;
}

// What a sender holding the client (and so its key) might try; each is refused before it reaches
// the database, which stays as it was.
TEST_F(GatewayServiceTest, HostileRequestsAreRefusedAndChangeNothing) {
  Seed("INSERT INTO account (账号, 密码, 状态) VALUES ('李四', 'A1B2', '1');"
       "INSERT INTO lset (编号, lset1) VALUES (1, '1');"
       "INSERT INTO Latest1 (股票代码) VALUES ('600000');");
  const std::string before = Snapshot(db_.path());
  const std::string insert = "insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) values ";
  const std::string login = "update account set 在线=1,登陆时间='2026年12月9日14时3分5秒',登陆IP='10.1.2.3',句柄=";
  const std::pair<char, std::string> hostile[] = {
      // Reads of account other than the login's, the presence check's and the name check.
      {'2', "select * from account"},
      {'2', "select 账号,密码 from account"},
      {'2', "select count(*) from account"},
      {'2', "select count(*) from account where 账号='张三'"},
      {'2', "select top 1 * from account order by 编号 desc"},
      {'2', "select top 1 账号,密码,在线,状态,登陆IP from account order by 编号 desc"},
      {'2', "select * from account where 账号='张三'"},
      {'2', "select 账号 from account where 在线=1"},                      // who is online
      {'2', "select 账号,密码,在线,状态,登陆IP from account where 状态='0'"},
      {'2', "select 句柄 from account where 密码='EF2ABA759601'"},          // a password guessed in the condition
      {'2', "select 账号,密码,在线,状态,登陆IP from account where 账号=1"},
      {'2', "select 密码,账号,在线,状态,登陆IP from account where 账号='张三'"},
      {'2', "select 账号,密码,在线,状态,登陆IP,姓名 from account where 账号='张三'"},
      {'2', "select 句柄,密码 from account where 账号='张三'"},
      {'2', "select 姓名 from account where 账号='张三'"},
      {'4', "select * from account where 密码='EF2ABA759601'"},
      {'4', "select 句柄 from account where 账号='张三'"},
      // Repeated columns, which multiply an answer.
      {'2', "select 股票代码,股票代码,股票代码 from Latest1"},
      {'2', "select 句柄,句柄 from account where 账号='张三'"},
      // Values the client would not read back as written, or never writes.
      {'1', "update account set 登陆IP='1.2.3.4€' where 账号='张三'"},   // a lone 0x80 swallows the next mark
      {'1', "update account set 登陆IP='1.2.3.4\t' where 账号='张三'"},
      {'1', "update account set 句柄='12345々' where 账号='张三'"},
      {'1', "update account set 在线=2 where 账号='张三'"},
      {'1', "update account set 在线='' where 账号='张三'"},
      {'1', login + "'12a45' where 账号='张三'"},
      {'1', login + "'' where 账号='张三'"},
      {'1', "update account set 登陆IP='localhost' where 账号='张三'"},
      {'1', "update account set 登陆时间='2026-12-09 14:03:05' where 账号='张三'"},
      {'1', "update account set 登陆时间='2026年12月9日0时0分0秒' where 账号='张三'"},  // not the client's text
      {'1', "update account set 登陆时间='2026年13月9日' where 账号='张三'"},
      {'1', "update account set 在线=0 where 账号=1"},
      {'1', insert + "('王五','A1B2','138','12345','0','2026年12月9日','0€')"},
      {'1', insert + "('王五','','138','12345','0','2026年12月9日','0')"},      // an empty password
      {'1', insert + "('王五','A1B','138','12345','0','2026年12月9日','0')"},
      {'1', insert + "('王五','secret','138','12345','0','2026年12月9日','0')"},
      {'1', insert + "('王五','A1B2','138','12345','1','2026年12月9日','0')"},
      {'1', insert + "('王五','A1B2','138','12345','0','2026年12月9日','1')"},
      {'1', insert + "('','A1B2','138','12345','0','2026年12月9日','0')"},
      {'1', insert + "('" + std::string(65, 'n') + "','A1B2','138','12345','0','2026年12月9日','0')"},
      {'1', insert + "('王五','A1B2','" + std::string(257, '1') + "','12345','0','2026年12月9日','0')"},
      {'1', insert + "('王五','A1B2','138','12345','0','昨天','0')"},
      {'1', "insert into account (`账号`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) values "
            "('王五','138','12345','0','2026年12月9日','0')"},                // no password column at all
  };
  for (const auto& [op, sql] : hostile) {
    RequestRecord record;
    EXPECT_EQ(Send(StatementBody(op, now_, sql), &record), Envelope("")) << sql;
    EXPECT_EQ(record.outcome.rfind("refused: ", 0), 0u) << sql << ": " << record.outcome;
    EXPECT_EQ(record.kind, "") << sql;  // refused before anything ran
  }
  EXPECT_EQ(Snapshot(db_.path()), before);
}

// Bytes that are GBK to a converter but not to the client, which takes every byte from 0x80 up
// as the first of two.
TEST_F(GatewayServiceTest, ValuesTheClientWouldReadOtherwiseAreRefused) {
  const std::string before = Snapshot(db_.path());
  const std::string cases[] = {"\x80", "1.2.3.4\x80", "\x81", "\x81\x7F", "\xFF", "\x7F", "\x01"};
  for (const std::string& bytes : cases) {
    const std::string sql = G("update account set 登陆IP='") + bytes + G("' where 账号='张三'");
    RequestRecord record;
    const std::string body = "p=" + EncodeWire("1", Key()) + "&post=" + EncodeWire(StampedStatement(now_, sql), Key());
    EXPECT_EQ(Send(body, &record), Envelope("")) << U(sql);
    EXPECT_NE(record.outcome, "ok") << record.outcome;
  }
  EXPECT_EQ(Snapshot(db_.path()), before);
}

TEST_F(GatewayServiceTest, SignUpOnlyWhileTheSwitchIsOn) {
  const std::string sign_up = "insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) values "
                              "('王五','A1B2','138','12345','0','2026年12月9日14时','0')";
  const std::string before = Snapshot(db_.path());
  RequestRecord record;
  EXPECT_EQ(Send(StatementBody('1', now_, sign_up), &record), Envelope(""));  // no layout row at all
  EXPECT_EQ(record.outcome, "refused: sign-up is switched off");
  for (const char* closed : {"0", "", "1 "}) {
    Seed(std::string("INSERT OR REPLACE INTO lset (编号, lset1) VALUES (1, '") + closed + "')");
    EXPECT_EQ(Send(StatementBody('1', now_, sign_up), &record), Envelope("")) << closed;
    EXPECT_EQ(record.outcome, "refused: sign-up is switched off");
  }
  Seed("UPDATE lset SET lset1 = '0'");
  EXPECT_EQ(Snapshot(db_.path()), before + "0||||||||\n");
  Seed("UPDATE lset SET lset1 = '1'");
  EXPECT_EQ(Send(StatementBody('1', now_, sign_up), &record), Envelope("6"));
  EXPECT_EQ(record.account, "王五");
}

TEST_F(GatewayServiceTest, AnAnswerPastTheLimitIsAFailureNotBuilt) {
  Seed("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
       "INSERT INTO Latest1 (股票代码, 备注) SELECT '600000', printf('%080d', i) FROM n");
  const std::string all = "select 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 from Latest1";
  RequestRecord record;
  const std::string served = Send(StatementBody('2', now_, all), &record);
  EXPECT_EQ(record.rows, 300);
  options_.max_payload = 30000;  // about a thousand bytes short of the whole answer
  EXPECT_EQ(Send(StatementBody('2', now_, all), &record), Envelope(""));
  EXPECT_EQ(record.outcome, "failed: answer over 30000 bytes");
  EXPECT_LT(record.rows, 300);  // it stopped reading rows once past the limit
  options_.max_payload = served.size() * 2;
  EXPECT_EQ(Send(StatementBody('2', now_, all)), served);
}

TEST_F(GatewayServiceTest, AcceptedAccountStatementsNameTheirAccount) {
  const std::pair<char, const char*> cases[] = {
      {'2', "select 账号,密码,在线,状态,登陆IP from account where 账号='张三'"},
      {'2', "select 句柄 from account where 账号='张三'"},
      {'4', "select * from account where 账号='张三'"},
      {'1', "update account set 在线=0 where 账号='张三'"},
  };
  for (const auto& [op, sql] : cases) {
    RequestRecord record;
    Send(StatementBody(op, now_, sql), &record);
    EXPECT_EQ(record.outcome, "ok") << sql;
    EXPECT_EQ(record.account, "张三") << sql;
  }
  RequestRecord record;
  Send(StatementBody('2', now_, "select count(*) from latest1"), &record);
  EXPECT_EQ(record.account, "");
}

// The poll's counts are answered without the database while it is unchanged; a change by
// another process shows within the recheck time (250 ms), a write of the gateway's own at once.
TEST_F(GatewayServiceTest, CountsComeFromMemoryUntilTheDatabaseChanges) {
  Seed("INSERT INTO Latest1 (股票代码) VALUES ('600000'), ('000001')");
  GatewayService service(*store_, options_, [this] { return now_; });
  const std::string count = StatementBody('2', now_, "select count(*) from latest1");
  const auto from_memory = [&]() -> std::optional<std::string> {
    RequestRecord record;
    const auto answer = service.AnswerWithoutDatabase(service.Begin(count, "10.1.2.3", record), record);
    if (!answer) return std::nullopt;
    return DecodeWire(*answer, Key());
  };
  EXPECT_EQ(from_memory(), std::nullopt) << "nothing is remembered before the first count";
  EXPECT_EQ(Send(count), Envelope("count(*)々☆2々☆"));
  EXPECT_EQ(from_memory(), Envelope("count(*)々☆2々☆"));

  // Another process (the admin command line) publishes a recommendation.
  Seed("INSERT INTO Latest1 (股票代码) VALUES ('300750')");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(from_memory(), std::nullopt) << "due for a check of the database";
  EXPECT_EQ(Send(count), Envelope("count(*)々☆3々☆"));
  EXPECT_EQ(from_memory(), Envelope("count(*)々☆3々☆"));

  // A write of the gateway's own: the next count asks the database again.
  EXPECT_EQ(Send(StatementBody('1', now_, "update account set 在线=1 where 账号='张三'")), Envelope("6"));
  EXPECT_EQ(from_memory(), std::nullopt);
  // A count with a condition is never taken from memory.
  const std::string conditional = StatementBody('2', now_, "select count(*) from latest1 where 股票代码='300750'");
  EXPECT_EQ(Send(conditional), Envelope("count(*)々☆1々☆"));
  RequestRecord record;
  EXPECT_EQ(service.AnswerWithoutDatabase(service.Begin(conditional, "10.1.2.3", record), record), std::nullopt);
}

TEST(GatewayAuthorizer, AllowsTheClientsWorkAndDeniesTheRest) {
  testing::TempDatabase file;
  std::string error;
  Database db = OpenDatabase(file.path(), OpenMode::kCreateIfMissing, error);
  ASSERT_TRUE(db) << error;
  InstallGatewayAuthorizer(db.get());
  const char* allowed[] = {
      "INSERT INTO account (账号, 密码) SELECT 'a', 'A1' WHERE (SELECT lset1 FROM lset WHERE 编号 = 1) = '1'",
      "INSERT INTO account (账号) VALUES ('a')",
      "UPDATE account SET 在线 = '1', 登陆时间 = '', 登陆IP = '', 句柄 = '1' WHERE 账号 = 'a'",
      "SELECT 账号, 密码, 在线, 状态, 登陆IP FROM account WHERE 账号 = 'a' ORDER BY 编号",
      "SELECT 句柄 FROM account WHERE 账号 = 'a'",
      "SELECT 1 FROM account WHERE 账号 = 'a' LIMIT 1",
      "SELECT count(*) FROM Latest1",
      "SELECT 公告 FROM config2 ORDER BY 编号 DESC LIMIT 1",
  };
  for (const char* sql : allowed) EXPECT_TRUE(ExecSql(db.get(), sql, error)) << sql << ": " << error;
  const char* denied[] = {
      "DROP TABLE account", "DELETE FROM account", "CREATE TABLE x (a)", "ATTACH DATABASE ':memory:' AS x",
      "PRAGMA journal_mode=DELETE", "SELECT * FROM sqlite_master", "SELECT sqlite_version()",
      "SELECT load_extension('x')", "BEGIN; COMMIT;",
      // Account columns the client neither reads nor changes, and changes of the other tables.
      "SELECT 姓名 FROM account", "SELECT 账号 FROM account WHERE 身份证号 = ''", "SELECT * FROM account",
      "UPDATE account SET 状态 = '0'", "UPDATE account SET 密码 = ''", "INSERT INTO Latest1 (备注) VALUES ('x')",
      "UPDATE Latest1 SET 备注 = ''", "UPDATE lset SET lset1 = '1'",
  };
  for (const char* sql : denied) EXPECT_FALSE(ExecSql(db.get(), sql, error)) << sql;
}

}  // namespace
}  // namespace velmora::service
