// Statement shapes, quoting, and turning answers into rows, counts and flags.
#include <gtest/gtest.h>

#include <deque>

#include "gateway/result_rows.h"
#include "gateway/statements.h"
#include "gateway/text.h"

namespace velmora {
namespace {

TEST(Statements, ExactShapes) {
  const std::pair<std::string, std::string> cases[] = {
      {statement::SelectRows("T", "", "C"), "select * from T where C"},
      {statement::SelectRows("T", "", ""), "select * from T"},
      {statement::SelectRows("account", "账号,密码", "账号='a'"), "select 账号,密码 from account where 账号='a'"},
      {statement::SelectRows("Latest1", "a,b", ""), "select a,b from Latest1"},
      {statement::SelectTop1("Latest1", "", "编号"), "select top 1 * from Latest1 order by 编号 desc"},
      {statement::SelectTop1("config2", "公告,公告标题", "编号"),
       "select top 1 公告,公告标题 from config2 order by 编号 desc"},
      {statement::CountRows("latest1", ""), "select count(*) from latest1"},
      {statement::CountRows("T", "C"), "select count(*) from T where C"},
      {statement::UpdateRows("account", "在线=0", "账号='a'"), "update account set 在线=0 where 账号='a'"},
      {statement::UpdateRows("T", "x=1,y=2", ""), "update T set x=1,y=2"},
      {statement::InsertRow("account", "`账号`,`密码`", "'a','b'"),
       "insert into account (`账号`,`密码`) values ('a','b')"},
      {statement::RowExists("account", "账号='a'"), "select * from account where 账号='a'"},
  };
  for (const auto& [built, expected] : cases) EXPECT_EQ(built, expected);
}

TEST(Statements, QuotingKeepsEveryValueInsideItsString) {
  const std::pair<std::string, std::string> cases[] = {
      {"abc", "'abc'"},
      {"", "''"},
      {"o'brien", "'o''brien'"},
      {"' or '1'='1", "''' or ''1''=''1'"},
      {"''", "''''''"},
      {"管理员", "'管理员'"},
      {"\x81'", "'\x81'''"},  // a quote after a stray lead byte is still doubled
  };
  for (const auto& [value, quoted] : cases) EXPECT_EQ(SqlQuote(value), quoted) << value;
  EXPECT_EQ(SqlEquals("账号", "a'b"), "账号='a''b'");
  // A plain value keeps the statement byte-identical to the hand-written form.
  EXPECT_EQ(statement::RowExists("account", SqlEquals("账号", "demo")), "select * from account where 账号='demo'");
}

TEST(ResultRows, SplitsOnCharacterBoundariesOnly) {
  const std::string F(kFieldSeparator), R(kRowSeparator);
  struct Case {
    std::string text;
    std::vector<std::string> pieces;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a" + R, {"a"}},                  // a separator at the end adds no empty row
      {"a" + R + R + "b", {"a", "", "b"}},
      {R + "a", {"", "a"}},
      {"a" + R + "b" + R, {"a", "b"}},
      {"\xC9\xA1\xEE\xA1", {"\xC9\xA1\xEE\xA1"}},  // A1 EE straddles two characters: no separator
      {"上" + R + "午", {"上", "午"}},
  };
  for (const auto& c : cases) {
    const auto pieces = SplitRows(c.text);
    EXPECT_EQ(std::vector<std::string>(pieces.begin(), pieces.end()), c.pieces) << c.text;
  }
  const std::string row = "a" + F + F + "b";
  const auto fields = SplitFields(row);
  EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), (std::vector<std::string>{"a", "", "b"}));
}

TEST(ResultRows, ParsesAWholeAnswer) {
  const std::string F(kFieldSeparator), R(kRowSeparator);
  const ResultRows rows("编号" + F + "公告" + F + R + "1" + F + "A1" + F + R + "2" + F + F + R);
  ASSERT_EQ(rows.RowCount(), 3u);
  EXPECT_TRUE(rows.HasDataRow());
  EXPECT_EQ(rows.Field(0, 1), "公告");
  EXPECT_EQ(rows.Field(2, 0), "2");
  EXPECT_EQ(rows.Field(2, 1), "");
  EXPECT_EQ(rows.Field(9, 9), "");
  EXPECT_FALSE(ResultRows("").HasDataRow());
  EXPECT_FALSE(ResultRows("编号" + F + R).HasDataRow());
}

TEST(ResultRows, CountsAndChangeAnswers) {
  const std::string end = std::string(kFieldSeparator) + std::string(kRowSeparator);
  const std::pair<std::string, int64_t> counts[] = {
      {"count(*)" + end + "5" + end, 5},
      {"Expr1000" + end + "12345" + end, 12345},
      {"c" + end + "7" + end + "9" + end, 7},  // what follows the second mark is dropped
      {"c" + end + "7", 7},
      {"c" + end, 0},
      {"c", 0},
      {"", 0},
      {"c" + end + "x" + end, 0},
  };
  for (const auto& [answer, n] : counts) EXPECT_EQ(ParseCount(answer), n) << answer;
  for (const char* ok : {"6", "06", "6 rows"}) EXPECT_TRUE(IsSuccessAnswer(ok)) << ok;
  for (const char* bad : {"", "ok", "0", "60", "-6"}) EXPECT_FALSE(IsSuccessAnswer(bad)) << bad;
  EXPECT_EQ(LeadingNumber("99999999999999999999999"), INT64_MAX);
}

// A gateway that answers from a script and remembers what it was sent.
class ScriptedGateway : public GatewayLink {
 public:
  std::deque<std::string> answers;
  std::vector<std::pair<char, std::string>> sent;
  std::string Query(const std::string& sql) override { return Answer('2', sql); }
  std::string Execute(const std::string& sql) override { return Answer('1', sql); }
  std::string Check(const std::string& sql) override { return Answer('4', sql); }

 private:
  std::string Answer(char op, const std::string& sql) {
    sent.emplace_back(op, sql);
    if (answers.empty()) return "";
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
};

TEST(Builders, SendThroughTheOperationThatFits) {
  ScriptedGateway gw;
  const std::string end = std::string(kFieldSeparator) + std::string(kRowSeparator);
  gw.answers = {"rows", "top", "n" + end + "3" + end, "6", "06"};
  EXPECT_EQ(SelectRows(gw, "T", "", ""), "rows");
  EXPECT_EQ(SelectTop1(gw, "T", "", "编号"), "top");
  EXPECT_EQ(CountRows(gw, "T", ""), 3);
  EXPECT_TRUE(UpdateRows(gw, "T", "a=1", ""));
  EXPECT_TRUE(InsertRow(gw, "T", "a", "1"));
  EXPECT_FALSE(UpdateRows(gw, "T", "a=1", ""));  // no answer
  EXPECT_EQ(CountRows(gw, "T", ""), 0);
  const std::vector<char> ops = {'2', '2', '2', '1', '1', '1', '2'};
  ASSERT_EQ(gw.sent.size(), ops.size());
  for (size_t i = 0; i < ops.size(); ++i) EXPECT_EQ(gw.sent[i].first, ops[i]) << gw.sent[i].second;
}

TEST(Builders, RowExistsRetriesABoundedNumberOfTimesAndSaysWhenNoAnswerCame) {
  struct Case {
    std::deque<std::string> answers;
    RowCheck result;
    size_t requests;
  } cases[] = {
      {{"ok"}, RowCheck::kFound, 1},
      {{"no"}, RowCheck::kAbsent, 1},
      {{"OK"}, RowCheck::kAbsent, 1},
      {{"", "", "ok"}, RowCheck::kFound, 3},
      {{"", "x"}, RowCheck::kAbsent, 2},
      {{}, RowCheck::kNoAnswer, 3},
  };
  for (auto& c : cases) {
    ScriptedGateway gw;
    gw.answers = c.answers;
    int waits = 0;
    RetryPolicy policy;
    policy.wait = [&](std::chrono::milliseconds) { ++waits; };
    EXPECT_EQ(RowExists(gw, "account", "账号='a'", policy), c.result);
    EXPECT_EQ(gw.sent.size(), c.requests);
    EXPECT_EQ(waits, int(c.requests) - 1);
  }
}

}  // namespace
}  // namespace velmora
