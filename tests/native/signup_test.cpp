// Signing up against a scripted gateway: the order of the checks, the switch, the name check with
// its retries, and the insert, byte for byte.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "gateway/date_time.h"
#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "session/signup.h"
#include "canned_gateway.h"

namespace velmora {
namespace {

using testing::ServiceAnswer;

// Logs each statement as "query: ...", "check: ..." or "execute: ..."; answers queries with one
// text, checks from a queue (then "" for no answer), executes with one text.
class ScriptedGateway final : public GatewayLink {
 public:
  std::string Query(const std::string& sql) override { return Sent("query: " + sql, query_answer); }
  std::string Execute(const std::string& sql) override { return Sent("execute: " + sql, execute_answer); }
  std::string Check(const std::string& sql) override {
    std::string answer;
    if (!check_answers.empty()) {
      answer = check_answers.front();
      check_answers.pop_front();
    }
    return Sent("check: " + sql, answer);
  }

  std::string query_answer;
  std::deque<std::string> check_answers;
  std::string execute_answer = "6";
  std::vector<std::string> sent;

 private:
  std::string Sent(std::string line, const std::string& answer) {
    sent.push_back(std::move(line));
    return answer;
  }
};

std::string SwitchRow(const std::string& value) { return ServiceAnswer({{"lset1"}, {value}}); }

const DateTime kNow = *DateTime::FromCivil({2011, 4, 21, 15, 7, 9});
const std::string kNowText = "2011年4月21日15时7分9秒";
const std::string kSwitchQuery = "query: select lset1 from lset where 编号=1";
const SignUpForm kGoodForm{"张三", "pw 1", "pw 1", "13800000000", "12345"};

RetryPolicy NoWait(int attempts = 3) {
  RetryPolicy policy;
  policy.attempts = attempts;
  policy.wait = [](std::chrono::milliseconds) {};
  return policy;
}

struct Attempt {
  ScriptedGateway gateway;
  Attempt() {
    gateway.query_answer = SwitchRow("1");
    gateway.check_answers = {"no"};
  }
  SignUpOutcome Run(const SignUpForm& form, int attempts = 3) { return SignUp(gateway, form, kNow, NoWait(attempts)); }
};

TEST(SignUp, FormChecksComeFirstInOrderAndSendNothing) {
  struct Case {
    const char* what;
    SignUpForm form;
    SignUpResult result;
    const char* message;
    SignUpBox focus;
  };
  const Case cases[] = {
      {"all empty", {"", "", "", "", ""}, SignUpResult::kEmptyAccount, "用户名不能为空，请认真填写！", SignUpBox::kAccount},
      {"no account", {"", "pw", "pw", "1", "2"}, SignUpResult::kEmptyAccount, "用户名不能为空，请认真填写！",
       SignUpBox::kAccount},
      {"no password", {"a", "", "", "", ""}, SignUpResult::kEmptyPassword, "密码不能为空，请认真填写！",
       SignUpBox::kPassword},
      {"empty repeat", {"a", "pw", "", "1", "2"}, SignUpResult::kRepeatDiffers, "密码两次输入不同，请认真填写！",
       SignUpBox::kRepeat},
      {"repeat with a trailing space", {"a", "pw", "pw ", "1", "2"}, SignUpResult::kRepeatDiffers,
       "密码两次输入不同，请认真填写！", SignUpBox::kRepeat},
      {"repeat in other case", {"a", "pw", "PW", "1", "2"}, SignUpResult::kRepeatDiffers,
       "密码两次输入不同，请认真填写！", SignUpBox::kRepeat},
      {"no phone", {"a", "pw", "pw", "", ""}, SignUpResult::kEmptyPhone, "联系电话不能为空，请认真填写！",
       SignUpBox::kPhone},
      {"no QQ", {"a", "pw", "pw", "1", ""}, SignUpResult::kEmptyQq, "联系QQ不能为空，请认真填写！", SignUpBox::kQq},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Attempt a;
    const SignUpOutcome out = a.Run(c.form);
    EXPECT_EQ(out.result, c.result);
    EXPECT_EQ(out.message, c.message);
    EXPECT_EQ(out.focus, c.focus);
    EXPECT_FALSE(out.sign_up_switch.has_value());
    EXPECT_TRUE(a.gateway.sent.empty());
  }
}

TEST(SignUp, BoxesOfSpacesAreNotEmpty) {
  Attempt a;
  EXPECT_EQ(a.Run({" ", " ", " ", " ", " "}).result, SignUpResult::kSignedUp);
  ASSERT_EQ(a.gateway.sent.size(), 3u);
  EXPECT_EQ(a.gateway.sent[2], "execute: insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) "
                               "values (' ','" + Rc4HexEncode(" ") + "',' ',' ','0','" + kNowText + "','0')");
}

TEST(SignUp, OnlyASwitchOfExactlyOneOpensSignUp) {
  struct Case {
    const char* what;
    std::string answer;
    std::string read;
  };
  const Case cases[] = {
      {"0", SwitchRow("0"), "0"},
      {"empty", SwitchRow(""), ""},
      {"1 with a space", SwitchRow("1 "), "1 "},
      {"01", SwitchRow("01"), "01"},
      {"no layout row", ServiceAnswer({{"lset1"}}), ""},
      {"no answer", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Attempt a;
    a.gateway.query_answer = c.answer;
    const SignUpOutcome out = a.Run(kGoodForm);
    EXPECT_EQ(out.result, SignUpResult::kClosed);
    EXPECT_EQ(out.message, "当前系统禁止新用户注册，如有疑问请与管理员联系！");
    EXPECT_EQ(out.focus, std::nullopt);
    EXPECT_EQ(out.sign_up_switch, c.read);
    EXPECT_EQ(a.gateway.sent, std::vector<std::string>{kSwitchQuery});
  }
}

TEST(SignUp, SuccessChecksTheNameThenInsertsTheRow) {
  Attempt a;
  const SignUpOutcome out = a.Run(kGoodForm);
  EXPECT_EQ(a.gateway.sent,
            (std::vector<std::string>{
                kSwitchQuery,
                "check: select * from account where 账号='张三'",
                "execute: insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) values ('张三','" +
                    Rc4HexEncode("pw 1") + "','13800000000','12345','0','" + kNowText + "','0')",
            }));
  EXPECT_EQ(out.result, SignUpResult::kSignedUp);
  EXPECT_EQ(out.message, "注册成功！");
  EXPECT_EQ(out.sign_up_switch, "1");
}

TEST(SignUp, ATakenOrUnconfirmedNameInsertsNothing) {
  struct Case {
    const char* what;
    std::deque<std::string> checks;
    int attempts;
    SignUpResult result;
    const char* message;
    std::optional<SignUpBox> focus;
    size_t checks_sent;
  };
  const Case cases[] = {
      {"taken", {"ok"}, 3, SignUpResult::kNameTaken, "用户名存在，请重新输入！", SignUpBox::kAccount, 1},
      {"taken after silence", {"", "", "ok"}, 3, SignUpResult::kNameTaken, "用户名存在，请重新输入！",
       SignUpBox::kAccount, 3},
      {"never answered", {}, 3, SignUpResult::kFailed, "注册失败，如有问题请与管理员联系", std::nullopt, 3},
      {"never answered, five tries", {}, 5, SignUpResult::kFailed, "注册失败，如有问题请与管理员联系", std::nullopt, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Attempt a;
    a.gateway.check_answers = c.checks;
    const SignUpOutcome out = a.Run(kGoodForm, c.attempts);
    EXPECT_EQ(out.result, c.result);
    EXPECT_EQ(out.message, c.message);
    EXPECT_EQ(out.focus, c.focus);
    ASSERT_EQ(a.gateway.sent.size(), 1 + c.checks_sent);
    for (size_t i = 1; i < a.gateway.sent.size(); ++i) {
      EXPECT_EQ(a.gateway.sent[i], "check: select * from account where 账号='张三'");
    }
  }
}

TEST(SignUp, ARefusedInsertIsAFailure) {
  for (const std::string answer : {"", "0", "error"}) {
    SCOPED_TRACE(answer);
    Attempt a;
    a.gateway.execute_answer = answer;
    const SignUpOutcome out = a.Run(kGoodForm);
    EXPECT_EQ(out.result, SignUpResult::kFailed);
    EXPECT_EQ(out.message, "注册失败，如有问题请与管理员联系");
    EXPECT_EQ(out.focus, std::nullopt);
    ASSERT_EQ(a.gateway.sent.size(), 3u);
    EXPECT_TRUE(a.gateway.sent[2].starts_with("execute: insert into account ")) << a.gateway.sent[2];
  }
}

// A quote typed into any box stays part of that box's value: doubled inside its own quotes, it can
// neither end the value early nor shift the values after it.
TEST(SignUp, QuotesInAnyBoxStayInsideTheirValue) {
  const SignUpForm form{"o'neil", "p'w", "p'w", "1'; drop table account; --", "'"};
  Attempt a;
  a.gateway.check_answers = {"no"};
  EXPECT_EQ(a.Run(form).result, SignUpResult::kSignedUp);
  ASSERT_EQ(a.gateway.sent.size(), 3u);
  EXPECT_EQ(a.gateway.sent[1], "check: select * from account where 账号='o''neil'");
  EXPECT_EQ(a.gateway.sent[2], "execute: insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) "
                               "values ('o''neil','" + Rc4HexEncode("p'w") +
                                   "','1''; drop table account; --','''','0','" + kNowText + "','0')");
}

TEST(SignUpTerms, EveryProductNameBecomesTheTitle) {
  const std::string builtin = SignUpTerms("Velmora操盘系统");
  size_t names = 0;
  for (size_t at = builtin.find("Velmora操盘系统"); at != std::string::npos; at = builtin.find("Velmora操盘系统", at + 1)) {
    ++names;
  }
  ASSERT_GE(names, 2u);  // the text names the product more than once

  const std::string terms = SignUpTerms("金牛操盘");
  EXPECT_EQ(terms.find("Velmora"), std::string::npos);
  size_t titles = 0;
  for (size_t at = terms.find("金牛操盘"); at != std::string::npos; at = terms.find("金牛操盘", at + 1)) ++titles;
  EXPECT_EQ(titles, names);
  EXPECT_EQ(terms.size(), builtin.size() - names * (std::string("Velmora操盘系统").size() - std::string("金牛操盘").size()));
  // Case matters: only the exact spelling is the product name.
  EXPECT_EQ(ReplaceProductName("velmora操盘系统", "Velmora操盘系统", "X"), "velmora操盘系统");
}

TEST(SignUpTerms, ANameStartsOnlyAtACharacter) {
  // 0x81 0x56 is one two-byte character whose second byte is 'V'.
  EXPECT_EQ(ReplaceProductName("\x81Velmora", "Velmora", "X"), "\x81Velmora");
  EXPECT_EQ(ReplaceProductName("\x81\x40Velmora,Velmora", "Velmora", "X"), "\x81\x40X,X");
  EXPECT_EQ(ReplaceProductName("Velmora", "Velmora", ""), "");
  EXPECT_EQ(ReplaceProductName("\x81", "Velmora", "X"), "\x81");  // a cut-off lead byte is kept
}

}  // namespace
}  // namespace velmora
