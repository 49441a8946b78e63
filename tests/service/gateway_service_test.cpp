// Requests as the gateway page receives them, handled in-process with a fixed clock.
#include <gtest/gtest.h>

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
  EXPECT_EQ(Send(StatementBody('2', now_, "select 在线,登陆IP,姓名 from account where 账号='张三'")),
            Envelope("在线々登陆IP々姓名々☆1々1.2.3.4々々☆"));  // an empty last field keeps its mark
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

TEST_F(GatewayServiceTest, RefusedStatementsNeverReachTheDatabase) {
  const std::pair<char, const char*> hostile[] = {
      {'1', "delete from account where 账号='张三'"},
      {'1', "update account set 状态='0',在线=0 where 账号='张三'"},
      {'1', "update account set 在线=0 where 账号='张三'; drop table account"},
      {'2', "select * from account where 账号='' or ''=''"},
      {'2', "select * from account where 账号='x' union select * from account"},
      {'4', "select * from account where 账号='x' or 1=1"},
  };
  for (const auto& [op, sql] : hostile) {
    RequestRecord record;
    EXPECT_EQ(Send(StatementBody(op, now_, sql), &record), Envelope("")) << sql;
    EXPECT_EQ(record.outcome.rfind("refused", 0), 0u) << record.outcome;
  }
  EXPECT_EQ(Send(StatementBody('2', now_, "select 账号,在线 from account")), Envelope("账号々在线々☆张三々々☆"));
}

TEST(GatewayAuthorizer, AllowsTheClientsWorkAndDeniesTheRest) {
  testing::TempDatabase file;
  std::string error;
  Database db = OpenDatabase(file.path(), OpenMode::kCreateIfMissing, error);
  ASSERT_TRUE(db) << error;
  InstallGatewayAuthorizer(db.get());
  const char* allowed[] = {
      "INSERT INTO account (账号) VALUES ('a')",
      "UPDATE account SET 在线 = '1' WHERE 账号 = 'a'",
      "SELECT count(*) FROM Latest1",
      "SELECT 公告 FROM config2 ORDER BY 编号 DESC LIMIT 1",
  };
  for (const char* sql : allowed) EXPECT_TRUE(ExecSql(db.get(), sql, error)) << sql << ": " << error;
  const char* denied[] = {
      "DROP TABLE account", "DELETE FROM account", "CREATE TABLE x (a)", "ATTACH DATABASE ':memory:' AS x",
      "PRAGMA journal_mode=DELETE", "SELECT * FROM sqlite_master", "SELECT sqlite_version()",
      "SELECT load_extension('x')", "BEGIN; COMMIT;",
  };
  for (const char* sql : denied) EXPECT_FALSE(ExecSql(db.get(), sql, error)) << sql;
}

}  // namespace
}  // namespace velmora::service
