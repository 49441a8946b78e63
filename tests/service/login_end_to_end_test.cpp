// The client's login against the real velmora-gateway: what a successful login leaves in the
// account row, and that a refused one leaves it alone.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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

// The account row as stored (UTF-8), in the columns a login writes or reads; the service answers
// only the client's own reads of an account, so the test looks at the file itself.
std::vector<std::string> StoredRow(const std::string& path) {
  std::string error;
  Database db = OpenDatabase(path, OpenMode::kMustExist, error);
  Query row(db.get(), "SELECT 在线, 句柄, 登陆时间, 登陆IP, 状态, 密码 FROM account WHERE 账号 = '李雷'");
  std::vector<std::string> fields;
  if (row.ok() && row.Step() == SQLITE_ROW) {
    for (int i = 0; i < 6; ++i) fields.push_back(row.Text(i));
  }
  return fields;
}

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
  SettingsFile settings(store, L"C:\\Velmora");
  const DateTime now = client.ServerNow();

  const LoginOutcome in = Login(client, {G("李雷"), G("pw"), false}, settings, now, client.ClientAddress(),
                                ClockSeededHandleDrawer());
  ASSERT_EQ(in.result, LoginResult::kSignedIn) << gateway.Log();
  EXPECT_EQ(in.session.account, G("李雷"));
  const std::string handle = std::to_string(in.session.handle);
  EXPECT_EQ(handle.size(), 5u);

  const std::vector<std::string> after_login = StoredRow(file.path());
  ASSERT_EQ(after_login.size(), 6u) << gateway.Log();
  EXPECT_EQ(after_login[0], "1");
  EXPECT_EQ(after_login[1], handle);
  const std::string login_time = G(after_login[2]);
  EXPECT_EQ(login_time, DateTimeText(now));
  EXPECT_EQ(ParseDateTime(login_time), now) << after_login[2];
  EXPECT_EQ(after_login[3], "127.0.0.1");

  const LoginOutcome refused = Login(client, {G("李雷"), G("pW"), false}, settings, client.ServerNow(),
                                     client.ClientAddress(), [] { return 54321; });
  EXPECT_EQ(refused.result, LoginResult::kBadPassword);
  EXPECT_TRUE(refused.owned_by_login_window);
  EXPECT_EQ(StoredRow(file.path()), after_login);
}

}  // namespace
}  // namespace velmora::service
