// Which statements the gateway serves, and what it makes of them.
#include <gtest/gtest.h>

#include "statement.h"

namespace velmora::service {
namespace {

using Op = StatementOp;

TEST(RecognizeStatement, EveryShapeTheClientSends) {
  struct Case {
    Op op;
    const char* sql;
    StatementKind kind;
    size_t columns;
  } cases[] = {
      {Op::kQuery,
       "select lset3,lset4,lset5,lset6,lset7,lset8,lset9,lset10,lset11,lset12,lset13,lset14,lset15,lset16,"
       "lset17,lset18 from lset where 编号=1",
       StatementKind::kSelect, 16},
      {Op::kQuery, "select lset1 from lset where 编号=1", StatementKind::kSelect, 1},
      {Op::kQuery, "select 联系1,联系2 from rconfig where 编号=1", StatementKind::kSelect, 2},
      {Op::kQuery,
       "select 表头一,地址一,表头二,地址二,表头三,地址三,表头四,地址四,表头五,地址五,表头六,地址六 from rconfig "
       "where 编号=1",
       StatementKind::kSelect, 12},
      {Op::kQuery, "select 公告,字体颜色,字体大小,字体名称 from Config", StatementKind::kSelect, 4},
      {Op::kQuery, "select 账号,密码,在线,状态,登陆IP from account where 账号='张三'", StatementKind::kSelect, 5},
      {Op::kQuery, "select 句柄 from account where 账号='o''brien'", StatementKind::kSelect, 1},
      {Op::kQuery, "select 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 from Latest1", StatementKind::kSelect, 6},
      {Op::kQuery, "select 更新日期,公告,字体名称,字体大小,字体颜色,公告标题 from config2", StatementKind::kSelect, 6},
      {Op::kQuery, "select top 1 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 from Latest1 order by 编号 desc",
       StatementKind::kSelectTop1, 6},
      {Op::kQuery, "select top 1 * from config2 order by 编号 desc", StatementKind::kSelectTop1, 7},
      {Op::kQuery, "select count(*) from latest1", StatementKind::kCount, 0},
      {Op::kQuery, "select count(*) from config2", StatementKind::kCount, 0},
      {Op::kCheck, "select * from account where 账号='a'", StatementKind::kExists, 11},
      {Op::kExecute, "update account set 在线=0 where 账号='a'", StatementKind::kUpdate, 0},
      {Op::kExecute,
       "update account set 在线=1,登陆时间='2026年12月9日14时3分5秒',登陆IP='10.0.0.7',句柄='12345' where 账号='a'",
       StatementKind::kUpdate, 0},
      {Op::kExecute,
       "insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) values "
       "('a','EF2ABA','138','12345','0','2026年12月9日','0')",
       StatementKind::kInsert, 7},
      {Op::kQuery, "SELECT COUNT(*) FROM LATEST1", StatementKind::kCount, 0},  // keywords and ASCII names in any case
  };
  for (const auto& c : cases) {
    const Recognition r = RecognizeStatement(c.sql, c.op);
    ASSERT_TRUE(r.statement) << c.sql << ": " << r.refusal;
    EXPECT_EQ(r.statement->kind, c.kind) << c.sql;
    EXPECT_EQ(r.statement->columns.size(), c.columns) << c.sql;
  }
}

TEST(RecognizeStatement, ValuesBecomeParameters) {
  const Recognition r =
      RecognizeStatement("update account set 在线=1,句柄='12345' where 账号='x'' or ''1''=''1'", Op::kExecute);
  ASSERT_TRUE(r.statement) << r.refusal;
  ASSERT_EQ(r.statement->assignments.size(), 2u);
  EXPECT_FALSE(r.statement->assignments[0].value.is_text);
  EXPECT_EQ(r.statement->assignments[0].value.number, 1);
  EXPECT_EQ(r.statement->assignments[1].value.text, "12345");
  EXPECT_EQ(r.statement->where->value.text, "x' or '1'='1");
  EXPECT_EQ(r.statement->where->column->name, "账号");
}

TEST(RecognizeStatement, EverythingElseIsRefused) {
  const std::pair<Op, const char*> cases[] = {
      {Op::kQuery, "select * from account; drop table account"},
      {Op::kQuery, "select * from account where 账号='a' -- '"},
      {Op::kQuery, "select * from account where 账号='a' /* */"},
      {Op::kQuery, "select * from account where 账号='a' or 1=1"},
      {Op::kQuery, "select * from account where 账号='a' union select * from account"},
      {Op::kQuery, "select * from sqlite_master"},
      {Op::kQuery, "select * from users"},
      {Op::kQuery, "select 密码 from account where 账号=账号"},
      {Op::kQuery, "select nosuch from account"},
      {Op::kQuery, "select * from account where 账号='unterminated"},
      {Op::kQuery, "select top 2 * from Latest1 order by 编号 desc"},
      {Op::kQuery, "select top 1 * from Latest1 order by 编号 asc"},
      {Op::kQuery, "select top 1 * from Latest1"},
      {Op::kQuery, "select count(*) from latest1 order by 编号"},
      {Op::kQuery, "select * from Latest1 order by 编号"},
      {Op::kQuery, "select sqlite_version() from lset"},
      {Op::kQuery, "update account set 在线=0 where 账号='a'"},  // a change on the query operation
      {Op::kCheck, "select 账号 from account where 账号='a'"},
      {Op::kCheck, "select * from account"},
      {Op::kExecute, "select * from account where 账号='a'"},
      {Op::kExecute, "delete from account where 账号='a'"},
      {Op::kExecute, "drop table account"},
      {Op::kExecute, "pragma writable_schema=1"},
      {Op::kExecute, "attach database '/tmp/x' as x"},
      {Op::kExecute, "update account set 在线=0"},                      // every account at once
      {Op::kExecute, "update account set 状态='0' where 账号='a'"},     // unfreezing oneself
      {Op::kExecute, "update account set 密码='x' where 账号='a'"},
      {Op::kExecute, "update account set 在线=0 where 编号=1"},
      {Op::kExecute, "update Latest1 set 备注='x' where 编号=1"},
      {Op::kExecute, "insert into Latest1 (`推荐时间`) values ('x')"},
      {Op::kExecute, "insert into account (`账号`,`句柄`) values ('a','1')"},
      {Op::kExecute, "insert into account (`账号`,`账号`) values ('a','b')"},
      {Op::kExecute, "insert into account (`密码`) values ('x')"},
      {Op::kExecute, "insert into account (`账号`,`密码`) values ('a')"},
      {Op::kExecute, "insert into account (`账号`) values ('a'),('b')"},
      {Op::kExecute, "update account set 在线=0 where 账号='a'; update account set 在线=0 where 账号='b'"},
      {Op::kExecute, "insert into account (`账号`) values ('a々b')"},  // answer marks would break every answer
      {Op::kExecute, "update account set 登陆IP='☆' where 账号='a'"},
      {Op::kExecute, "update account set 句柄='1{[good-wren]}2' where 账号='a'"},
      {Op::kQuery, ""},
      {Op::kQuery, "select"},
      {Op::kQuery, "select * from account where 账号='a' 账号='b'"},
      {Op::kQuery, "select * from account where 账号=99999999999999999999"},
  };
  for (const auto& [op, sql] : cases) {
    const Recognition r = RecognizeStatement(sql, op);
    EXPECT_FALSE(r.statement) << sql;
    EXPECT_FALSE(r.refusal.empty()) << sql;
  }
}

}  // namespace
}  // namespace velmora::service
