// The client's login against the real velmora-gateway: what a successful login leaves in the
// account row, and that a refused one leaves it alone.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database.h"
#include "gateway/date_time.h"
#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "gateway/statements.h"
#include "gateway_process.h"
#include "memory_profile_store.h"
#include "service_support.h"
#include "session/login.h"

namespace velmora::service {
namespace {

using testing::G;
using testing::GatewayProcess;
using testing::MakeClient;
using testing::TempDatabase;
using velmora::testing::FreshStore;
using velmora::testing::MemoryProfileStore;

TEST(LoginEndToEnd, SignsInRecordsTheLoginAndRefusesAWrongPassword) {
  TempDatabase file;
  {
    std::string error;
    Database db = OpenDatabase(file.path(), OpenMode::kCreateIfMissing, error);
    ASSERT_TRUE(db) << error;
    ASSERT_TRUE(ExecSql(db.get(),
                        "INSERT INTO account (账号, 密码, 状态, 在线, 登陆IP, 句柄) VALUES ('李雷', '" +
                            Rc4HexEncode(G("pw")) + "', '0', '0', '10.9.8.7', '11111');",
                        error))
        << error;
  }
  GatewayProcess gateway(file.path());
  ASSERT_FALSE(gateway.address().empty());
  GatewayClient client = MakeClient();
  ASSERT_TRUE(client.Connect(gateway.address(), BuiltInRequestKey())) << gateway.Log();

  MemoryProfileStore store = FreshStore();
  SettingsFile settings(store, "C:\\Velmora");
  const std::string who = SqlEquals(G("账号"), G("李雷"));
  const std::string columns = G("在线,句柄,登陆时间,登陆IP,状态,密码");
  const DateTime now = client.ServerNow();

  const LoginOutcome in = Login(client, {G("李雷"), G("pw"), false}, settings, now, client.ClientAddress(),
                                ClockSeededHandleDrawer());
  ASSERT_EQ(in.result, LoginResult::kSignedIn) << gateway.Log();
  EXPECT_EQ(in.session.account, G("李雷"));
  const std::string handle = std::to_string(in.session.handle);
  EXPECT_EQ(handle.size(), 5u);

  const std::string after_login = SelectRows(client, "account", columns, who);
  const ResultRows row(after_login);
  ASSERT_EQ(row.RowCount(), 2u) << gateway.Log();
  EXPECT_EQ(row.Field(1, 0), "1");
  EXPECT_EQ(row.Field(1, 1), handle);
  const std::string login_time(row.Field(1, 2));
  EXPECT_EQ(login_time, DateTimeText(now));
  EXPECT_EQ(ParseDateTime(login_time), now) << testing::U(login_time);
  EXPECT_EQ(row.Field(1, 3), "127.0.0.1");

  const LoginOutcome refused = Login(client, {G("李雷"), G("pW"), false}, settings, client.ServerNow(),
                                     client.ClientAddress(), [] { return 54321; });
  EXPECT_EQ(refused.result, LoginResult::kBadPassword);
  EXPECT_TRUE(refused.owned_by_login_window);
  EXPECT_EQ(SelectRows(client, "account", columns, who), after_login);
}

}  // namespace
}  // namespace velmora::service
