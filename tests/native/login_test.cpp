// The login against a scripted gateway: the statements it sends, byte for byte, the refusals and
// their messages, the remembered credentials and the session handle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "gateway/date_time.h"
#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "memory_profile_store.h"
#include "session/login.h"
#include "canned_gateway.h"

namespace velmora {
namespace {

using testing::FreshStore;
using testing::MemoryProfileStore;
using testing::ServiceAnswer;

// Answers every query with one scripted text and logs each statement as "query: ..." or
// "execute: ...". `before_each` sees the world as it is when a statement leaves.
class ScriptedGateway final : public GatewayLink {
 public:
  std::string Query(const std::string& sql) override { return Sent("query: " + sql, query_answer); }
  std::string Execute(const std::string& sql) override { return Sent("execute: " + sql, execute_answer); }
  std::string Check(const std::string& sql) override { return Sent("check: " + sql, ""); }

  std::string query_answer;
  std::string execute_answer = "6";
  std::vector<std::string> sent;
  std::function<void()> before_each;

 private:
  std::string Sent(std::string line, const std::string& answer) {
    if (before_each) before_each();
    sent.push_back(std::move(line));
    return answer;
  }
};

const std::vector<std::string> kHeader = {"账号", "密码", "在线", "状态", "登陆IP"};

std::string AccountRow(const std::string& name, const std::string& password, const std::string& state) {
  return ServiceAnswer({kHeader, {name, Rc4HexEncode(password), "0", state, "10.0.0.1"}});
}

DateTime At(int y, int mo, int d, int h, int mi, int s) { return *DateTime::FromCivil({y, mo, d, h, mi, s}); }

const DateTime kNow = At(2011, 4, 21, 15, 0, 0);
const std::string kAddress = "192.168.1.23";
constexpr int kHandle = 48213;

struct Attempt {
  MemoryProfileStore store = FreshStore();
  SettingsFile settings{store, L"C:\\Velmora"};
  ScriptedGateway gateway;
  int draws = 0;

  LoginOutcome Run(const LoginRequest& request) {
    return Login(gateway, request, settings, kNow, kAddress, [this] {
      ++draws;
      return kHandle;
    });
  }
};

TEST(Login, SuccessSendsTheLookupThenRecordsTheLogin) {
  for (const std::string update_answer : {"6", ""}) {  // the update's answer changes nothing
    SCOPED_TRACE(update_answer);
    Attempt a;
    a.gateway.query_answer = AccountRow("张三", "pw", "0");
    a.gateway.execute_answer = update_answer;
    const LoginOutcome out = a.Run({"张三", "pw", false});

    EXPECT_EQ(a.gateway.sent, (std::vector<std::string>{
                                  "query: select 账号,密码,在线,状态,登陆IP from account where 账号='张三'",
                                  "execute: update account set 在线=1,登陆时间='2011年4月21日15时',"
                                  "登陆IP='192.168.1.23',句柄='48213' where 账号='张三'",
                              }));
    EXPECT_EQ(out.result, LoginResult::kSignedIn);
    EXPECT_EQ(out.session.account, "张三");
    EXPECT_EQ(out.session.handle, kHandle);
    EXPECT_EQ(out.message, "");
    EXPECT_EQ(a.draws, 1);
  }
}

TEST(Login, NameGoesOutAsTypedAndComesBackAsTheServerHasIt) {
  Attempt a;
  a.gateway.query_answer = AccountRow("ZhangSan", "pw", "0");
  const LoginOutcome out = a.Run({" zhangsan ", "pw", false});
  ASSERT_EQ(a.gateway.sent.size(), 2u);
  EXPECT_EQ(a.gateway.sent[0], "query: select 账号,密码,在线,状态,登陆IP from account where 账号=' zhangsan '");
  EXPECT_TRUE(a.gateway.sent[1].ends_with(" where 账号=' zhangsan '")) << a.gateway.sent[1];
  EXPECT_EQ(out.result, LoginResult::kSignedIn);
  EXPECT_EQ(out.session.account, "ZhangSan");
}

TEST(Login, QuotesInTheAccountBoxStayInsideTheName) {
  struct Case {
    std::string typed, quoted;
  };
  const Case cases[] = {
      {"a'b", "'a''b'"},
      {"' or ''='", "''' or ''''='''"},
      {"张'", "'张'''"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Attempt a;
    a.gateway.query_answer = AccountRow(c.typed, "pw", "0");
    EXPECT_EQ(a.Run({c.typed, "pw", false}).result, LoginResult::kSignedIn);
    ASSERT_EQ(a.gateway.sent.size(), 2u);
    EXPECT_EQ(a.gateway.sent[0], "query: select 账号,密码,在线,状态,登陆IP from account where 账号=" + c.quoted);
    EXPECT_TRUE(a.gateway.sent[1].ends_with("' where 账号=" + c.quoted)) << a.gateway.sent[1];
  }
}

TEST(Login, RefusalsShowTheirMessageAndSendNoUpdate) {
  const std::string stored = Rc4HexEncode("pw");
  std::string lower_hex = stored;
  std::transform(lower_hex.begin(), lower_hex.end(), lower_hex.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  ASSERT_NE(lower_hex, stored);  // the stored text has hex letters to differ in

  const std::string kBadAccount = "账号输入有误，请重新输入！";
  const std::string kBadPassword = "密码输入有误，请从新输入！";
  const std::string kFrozen = "您的账号已冻结，如需要请联系管理员！";
  struct Case {
    const char* what;
    std::string answer;
    LoginResult result;
    const std::string& message;
    bool owned_by_login_window;
  };
  const Case cases[] = {
      {"no answer", "", LoginResult::kBadAccount, kBadAccount, false},
      {"no such account", ServiceAnswer({kHeader}), LoginResult::kBadAccount, kBadAccount, false},
      {"duplicated name",
       ServiceAnswer({kHeader, {"张三", stored, "0", "0", ""}, {"张三", stored, "0", "0", ""}}),
       LoginResult::kBadAccount, kBadAccount, false},
      {"wrong password", AccountRow("张三", "pw2", "0"), LoginResult::kBadPassword, kBadPassword, true},
      {"hex case only", ServiceAnswer({kHeader, {"张三", lower_hex, "0", "0", ""}}), LoginResult::kBadPassword,
       kBadPassword, true},
      {"frozen", AccountRow("张三", "pw", "1"), LoginResult::kFrozen, kFrozen, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Attempt a;
    a.gateway.query_answer = c.answer;
    const LoginOutcome out = a.Run({"张三", "pw", false});
    EXPECT_EQ(out.result, c.result);
    EXPECT_EQ(out.message, c.message);
    EXPECT_EQ(out.owned_by_login_window, c.owned_by_login_window);
    EXPECT_EQ(out.session.account, "");
    EXPECT_EQ(out.session.handle, 0);
    EXPECT_EQ(a.gateway.sent.size(), 1u);  // the lookup only: a failed attempt leaves no trace
    EXPECT_EQ(LoginMessage(c.result), c.message);
    EXPECT_EQ(LoginMessageOwnedByLoginWindow(c.result), c.owned_by_login_window);
  }
}

TEST(Login, OnlyTheStateOneFreezes) {
  for (const std::string state : {"0", "", "2", "11", " 1"}) {
    SCOPED_TRACE("state [" + state + "]");
    Attempt a;
    a.gateway.query_answer = AccountRow("张三", "pw", state);
    EXPECT_EQ(a.Run({"张三", "pw", false}).result, LoginResult::kSignedIn);
    EXPECT_EQ(a.gateway.sent.size(), 2u);
  }
}

TEST(Login, LoginTimeDropsTrailingZeroParts) {
  struct Case {
    DateTime now;
    std::string text;
  };
  const Case cases[] = {
      {At(2011, 4, 21, 15, 0, 0), "2011年4月21日15时"},
      {At(2026, 12, 9, 14, 3, 5), "2026年12月9日14时3分5秒"},
      {At(2026, 1, 2, 0, 0, 0), "2026年1月2日"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Attempt a;
    a.gateway.query_answer = AccountRow("张三", "pw", "0");
    Login(a.gateway, {"张三", "pw", false}, a.settings, c.now, kAddress, [] { return kHandle; });
    ASSERT_EQ(a.gateway.sent.size(), 2u);
    EXPECT_NE(a.gateway.sent[1].find(",登陆时间='" + c.text + "',"), std::string::npos) << a.gateway.sent[1];
  }
}

TEST(Login, TickedBoxStoresTheCredentialsBeforeTheLookupEvenWhenRefused) {
  for (const std::string& answer : {std::string(), AccountRow("张三", "other", "0"), AccountRow("张三", "密码", "0")}) {
    Attempt a;
    a.gateway.query_answer = answer;
    size_t writes_at_draw = 0;
    size_t writes_at_lookup = 0;
    size_t statements_at_draw = 99;
    a.gateway.before_each = [&] {
      if (a.gateway.sent.empty()) writes_at_lookup = a.store.writes.size();
    };
    Login(a.gateway, {"张三", "密码", true}, a.settings, kNow, kAddress, [&] {
      writes_at_draw = a.store.writes.size();
      statements_at_draw = a.gateway.sent.size();
      return kHandle;
    });
    EXPECT_EQ(a.store.writes, (std::vector<std::string>{"zx=1", "name=张三", "password=密码"}));
    EXPECT_EQ(writes_at_draw, 3u);
    EXPECT_EQ(statements_at_draw, 0u);  // the handle is drawn before anything is sent
    EXPECT_EQ(writes_at_lookup, 3u);
  }
}

TEST(Login, UntickedBoxWritesNothing) {
  for (const std::string& answer : {std::string(), AccountRow("张三", "pw", "0")}) {
    Attempt a;
    a.store.keys["name"] = "李四";
    a.store.keys["password"] = "old";
    a.store.keys["zx"] = "1";
    a.gateway.query_answer = answer;
    a.Run({"张三", "pw", false});
    EXPECT_TRUE(a.store.writes.empty());
    EXPECT_EQ(a.store.keys["name"], "李四");
  }
}

bool FiveDigits(int handle) {
  const std::string text = std::to_string(handle);
  return text.size() == 5 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TEST(SessionHandle, DrawsSpanTheWholeFiveDigitRange) {
  std::mt19937 generator(20110421);
  int low = kLastSessionHandle;
  int high = kFirstSessionHandle;
  for (int i = 0; i < 100000; ++i) {
    const int h = DrawSessionHandle(generator);
    ASSERT_GE(h, 10000);
    ASSERT_LE(h, 99999);
    low = std::min(low, h);
    high = std::max(high, h);
  }
  EXPECT_LT(low, 10100);
  EXPECT_GT(high, 99899);
}

TEST(SessionHandle, ClockSeededDrawerAndTheDefaultGiveFiveDigits) {
  const std::function<int()> draw = ClockSeededHandleDrawer();
  std::vector<int> seen;
  for (int i = 0; i < 1000; ++i) {
    const int h = draw();
    ASSERT_TRUE(FiveDigits(h)) << h;
    seen.push_back(h);
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 900);  // not one value over and over

  // Without a drawer of its own the login still draws a five-digit handle and writes that one.
  for (int i = 0; i < 20; ++i) {
    Attempt a;
    a.gateway.query_answer = AccountRow("张三", "pw", "0");
    const LoginOutcome out = Login(a.gateway, {"张三", "pw", false}, a.settings, kNow, kAddress, nullptr);
    ASSERT_TRUE(FiveDigits(out.session.handle)) << out.session.handle;
    ASSERT_EQ(a.gateway.sent.size(), 2u);
    EXPECT_NE(a.gateway.sent[1].find(",句柄='" + std::to_string(out.session.handle) + "' where "), std::string::npos);
  }
}

}  // namespace
}  // namespace velmora
