// The real velmora-gateway process, driven through the client's own road: codec, socket
// transport, statement builders and answer splitting.
#include <gtest/gtest.h>

#include "database.h"
#include "gateway_service.h"
#include "gateway/gateway_client.h"
#include "gateway_process.h"
#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "gateway/statements.h"
#include "service_support.h"

namespace velmora::service {
namespace {

using testing::G;
using testing::GatewayProcess;
using testing::MakeClient;
using testing::TempDatabase;
using testing::U;

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    Database db = OpenDatabase(file_.path(), OpenMode::kCreateIfMissing, error);
    ASSERT_TRUE(db) << error;
    ASSERT_TRUE(ExecSql(db.get(),
                        "INSERT INTO lset (编号, lset1, lset6, lset7, lset8) VALUES (1, '1', '10', '5', 'Velmora操盘系统');"
                        "INSERT INTO rconfig (编号, 联系1, 表头一, 地址一) VALUES (1, '" + Rc4HexEncode("12345") +
                            "', '" + Rc4HexEncode(G("大盘")) + "', '" + Rc4HexEncode("about:blank") + "');"
                        "INSERT INTO Config (公告, 字体颜色, 字体大小, 字体名称) VALUES ('A1', '255', '12', '宋体'), "
                            "('B2', '0', '10', '黑体');"
                        "INSERT INTO Latest1 (推荐时间, 股票代码) VALUES ('2026-12-08 09:30:00', 'C1'), "
                            "('2026-12-09 10:00:00', 'C2');"
                        "INSERT INTO config2 (更新日期, 公告, 公告标题) VALUES ('2026-12-09 08:00:00', 'N1', 'T1');"
                        "INSERT INTO account (账号, 密码, 状态, 在线) VALUES ('张三', '" + Rc4HexEncode("pw") +
                            "', '0', '0');",
                        error))
        << error;
    gateway_ = std::make_unique<GatewayProcess>(file_.path());
    ASSERT_FALSE(gateway_->address().empty());
    ASSERT_TRUE(client_.Connect(gateway_->address(), BuiltInRequestKey())) << gateway_->Log();
  }

  // What the database holds: the service no longer answers reads of an account that the client
  // never sends, so the tests look at the file itself.
  std::string Stored(const std::string& sql) {
    std::string error;
    Database db = OpenDatabase(file_.path(), OpenMode::kMustExist, error);
    Query query(db.get(), sql);
    return query.ok() && query.Step() == SQLITE_ROW ? query.Text(0) : "<none: " + error + ">";
  }

  TempDatabase file_;
  std::unique_ptr<GatewayProcess> gateway_;
  GatewayClient client_ = MakeClient();
};

TEST_F(EndToEnd, HandshakeFixesTheClockAndTheAddress) {
  EXPECT_EQ(client_.ClientAddress(), "127.0.0.1");
  EXPECT_LT(std::abs(client_.ServerNow() - LocalNow()), 3);
}

TEST_F(EndToEnd, StartUpReadsLayoutContactsAndTheLastNotice) {
  const ResultRows layout(SelectRows(client_, "lset",
                                     "lset3,lset4,lset5,lset6,lset7,lset8,lset9,lset10,lset11,lset12,lset13,lset14,"
                                     "lset15,lset16,lset17,lset18",
                                     G("编号=1")));
  ASSERT_TRUE(layout.HasDataRow());
  EXPECT_EQ(layout.Row(1).size(), 16u);
  EXPECT_EQ(layout.Field(1, 3), "10");
  EXPECT_EQ(U(std::string(layout.Field(1, 5))), "Velmora操盘系统");

  const ResultRows contacts(SelectRows(client_, "rconfig", G("联系1,联系2"), G("编号=1")));
  EXPECT_EQ(Rc4HexDecode(contacts.Field(1, 0)), "12345");
  EXPECT_EQ(contacts.Field(1, 1), "");

  const ResultRows notice(SelectRows(client_, "Config", G("公告,字体颜色,字体大小,字体名称"), ""));
  ASSERT_EQ(notice.RowCount(), 3u);
  EXPECT_EQ(notice.Field(2, 0), "B2");
  EXPECT_EQ(U(std::string(notice.Field(2, 3))), "黑体");
}

TEST_F(EndToEnd, LoginPresenceAndSignOut) {
  const std::string who = SqlEquals(G("账号"), G("张三"));
  const ResultRows row(SelectRows(client_, "account", G("账号,密码,在线,状态,登陆IP"), who));
  ASSERT_TRUE(row.HasDataRow());
  EXPECT_EQ(Rc4HexDecode(row.Field(1, 1)), "pw");
  const std::string login_time = DateTimeText(client_.ServerNow());
  EXPECT_TRUE(UpdateRows(client_, "account",
                         G("在线=1,登陆时间=") + SqlQuote(login_time) + G(",登陆IP=") +
                             SqlQuote(client_.ClientAddress()) + G(",句柄='48213'"),
                         who));
  EXPECT_EQ(ResultRows(SelectRows(client_, "account", G("句柄"), who)).Field(1, 0), "48213");
  const ResultRows signed_in(SelectRows(client_, "account", G("账号,密码,在线,状态,登陆IP"), who));
  EXPECT_EQ(signed_in.Field(1, 2), "1");
  EXPECT_EQ(signed_in.Field(1, 4), "127.0.0.1");
  EXPECT_EQ(Stored("SELECT 登陆时间 FROM account WHERE 账号 = '张三'"), U(login_time));
  EXPECT_TRUE(UpdateRows(client_, "account", G("在线=0"), who));
  EXPECT_EQ(Stored("SELECT 在线 FROM account WHERE 账号 = '张三'"), "0");
}

TEST_F(EndToEnd, FeedCountsNewestRowsAndFullLoads) {
  EXPECT_EQ(CountRows(client_, "latest1", ""), 2);
  EXPECT_EQ(CountRows(client_, "config2", ""), 1);
  const ResultRows newest(SelectTop1(client_, "Latest1", G("推荐时间,股票代码,操作方式,支撑位,阻力位,备注"), G("编号")));
  ASSERT_EQ(newest.RowCount(), 2u);
  EXPECT_EQ(newest.Field(1, 1), "C2");
  const ResultRows all(SelectRows(client_, "Latest1", G("推荐时间,股票代码,操作方式,支撑位,阻力位,备注"), ""));
  ASSERT_EQ(all.RowCount(), 3u);
  EXPECT_EQ(all.Field(1, 0), "2026-12-08 09:30:00");
  const ResultRows news(SelectTop1(client_, "config2", G("更新日期,公告,字体名称,字体大小,字体颜色,公告标题"), G("编号")));
  EXPECT_EQ(news.Field(1, 5), "T1");
}

TEST_F(EndToEnd, SignUpChecksTheNameAndInserts) {
  const std::string columns = G("`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`");
  EXPECT_EQ(ResultRows(SelectRows(client_, "lset", "lset1", G("编号=1"))).Field(1, 0), "1");
  EXPECT_EQ(RowExists(client_, "account", SqlEquals(G("账号"), G("张三"))), RowCheck::kFound);
  const std::string name = G("李'四");  // a quote in the name stays inside its value
  EXPECT_EQ(RowExists(client_, "account", SqlEquals(G("账号"), name)), RowCheck::kAbsent);
  const std::string values = SqlQuote(name) + "," + SqlQuote(Rc4HexEncode("secret")) + ",'13800000000','12345','0'," +
                             SqlQuote(DateTimeText(client_.ServerNow())) + ",'0'";
  EXPECT_TRUE(InsertRow(client_, "account", columns, values));
  EXPECT_EQ(RowExists(client_, "account", SqlEquals(G("账号"), name)), RowCheck::kFound);
  EXPECT_FALSE(InsertRow(client_, "account", columns, values));  // the name is taken now
  EXPECT_EQ(Stored("SELECT count(*) FROM account"), "2");
}

TEST_F(EndToEnd, HostileStatementsAreRefusedAndLogged) {
  const std::string hostile[] = {
      G("select * from account where 账号='' or ''=''"),
      G("select 密码 from account union select 密码 from account"),
      "select * from sqlite_master",
  };
  for (const std::string& sql : hostile) EXPECT_EQ(client_.Query(sql), "") << U(sql);
  EXPECT_EQ(client_.Execute(G("update account set 状态='0' where 账号='张三'")), "");
  EXPECT_EQ(client_.Execute("drop table account"), "");
  EXPECT_EQ(client_.Query(G("select * from account")), "");
  EXPECT_EQ(client_.Query(G("select count(*) from account")), "");
  EXPECT_EQ(Stored("SELECT count(*) FROM account"), "1");
  // A refused statement is one line of the log, whatever it holds.
  EXPECT_EQ(client_.Query(G("select * from lset\nlistening on forged")), "");
  const std::string log = gateway_->Log();
  EXPECT_NE(log.find("refused"), std::string::npos);
  EXPECT_NE(log.find("lset\\nlistening on forged"), std::string::npos) << log;
  EXPECT_EQ(log.find("\nlistening on forged"), std::string::npos) << log;
}

TEST_F(EndToEnd, OversizedAndMalformedBodiesLeaveTheServiceRunning) {
  EXPECT_EQ(PostForm(gateway_->address(), std::string(2 << 20, 'p')), "");  // over the size limit
  EXPECT_NE(PostForm(gateway_->address(), "p=zz&post=%%%"), "");            // answered, with no payload
  EXPECT_EQ(client_.Query("select count(*) from latest1").empty(), false);
}

TEST_F(EndToEnd, LongStatementsAreServed) {
  const std::string long_name = "long" + std::string(3000, 'n');  // a body of about 12 KiB
  const ResultRows none(SelectRows(client_, "account", G("句柄"), SqlEquals(G("账号"), long_name)));
  EXPECT_EQ(none.RowCount(), 1u);  // answered: the column names and no row
  EXPECT_EQ(RowExists(client_, "account", SqlEquals(G("账号"), long_name)), RowCheck::kAbsent);
}

TEST_F(EndToEnd, AnAcknowledgedChangeSurvivesKill9) {
  const std::string columns = G("`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`");
  ASSERT_TRUE(InsertRow(client_, "account", columns,
                        G("'王五','A1B2','138','12345','0','") + DateTimeText(client_.ServerNow()) + "','0'"));
  ASSERT_EQ(gateway_->Stop(SIGKILL), 128 + SIGKILL);
  gateway_ = std::make_unique<GatewayProcess>(file_.path());
  GatewayClient again = MakeClient();
  ASSERT_TRUE(again.Connect(gateway_->address(), BuiltInRequestKey()));
  EXPECT_EQ(RowExists(again, "account", SqlEquals(G("账号"), G("王五"))), RowCheck::kFound);
}

TEST_F(EndToEnd, StopsCleanlyOnSigterm) {
  EXPECT_EQ(gateway_->Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace velmora::service
