// What the login window takes from the service's layout, contact and notice rows.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "canned_gateway.h"
#include "gateway/rc4.h"

namespace velmora {
namespace {

using testing::CannedGateway;
using testing::ServiceAnswer;

const std::string kLayoutSql =
    "select lset3,lset4,lset5,lset6,lset7,lset8,lset9,lset10,lset11,lset12,lset13,lset14,lset15,lset16,lset17,lset18 "
    "from lset where 编号=1";
const std::vector<std::string> kLayoutHeader = {"lset3",  "lset4",  "lset5",  "lset6",  "lset7",  "lset8",
                                                "lset9",  "lset10", "lset11", "lset12", "lset13", "lset14",
                                                "lset15", "lset16", "lset17", "lset18"};

TEST(Startup, LayoutRowColumnsLandWhereTheyBelong) {
  CannedGateway gw;
  gw.answers[kLayoutSql] = ServiceAnswer({kLayoutHeader,
                                          {"", "", "", "12", "5", "Velmora操盘系统", "16777215", "18", "黑体", "1",
                                           "1", "255", "2", "", "", ""}});
  const auto row = ReadLayoutRow(gw);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->popup_seconds, 12);
  EXPECT_EQ(row->poll_seconds, 5);
  EXPECT_EQ(row->title.title, "Velmora操盘系统");
  EXPECT_EQ(row->title.colour, 16777215);
  EXPECT_EQ(row->title.size, 18);
  EXPECT_EQ(row->title.font, "黑体");
  EXPECT_FALSE(row->hide_notice);
  EXPECT_TRUE(row->title.bold);
  EXPECT_EQ(row->title.shadow_colour, 255);
  EXPECT_EQ(row->title.shadow_offset, 2);
}

TEST(Startup, EmptyNoticeSwitchHidesTheNoticeAndOddValuesReadAsNumbersDo) {
  CannedGateway gw;
  gw.answers[kLayoutSql] =
      ServiceAnswer({kLayoutHeader, {"", "", "", "x", "", "", "", "", "", "", "0", "", "", "", "", ""}});
  const auto row = ReadLayoutRow(gw);
  ASSERT_TRUE(row);
  EXPECT_TRUE(row->hide_notice);
  EXPECT_FALSE(row->title.bold);
  EXPECT_EQ(row->popup_seconds, 0);
  EXPECT_EQ(row->poll_seconds, 0);
  // No data row, or no answer: nothing to apply.
  gw.answers[kLayoutSql] = ServiceAnswer({kLayoutHeader});
  EXPECT_FALSE(ReadLayoutRow(gw));
  gw.answers.clear();
  EXPECT_FALSE(ReadLayoutRow(gw));
}

TEST(Startup, ContactsAreDecipheredAndEmptyOnesStayEmpty) {
  CannedGateway gw;
  const std::string sql = "select 联系1,联系2 from rconfig where 编号=1";
  gw.answers[sql] = ServiceAnswer({{"联系1", "联系2"}, {Rc4HexEncode("800012345"), ""}});
  const auto contacts = ReadContacts(gw);
  ASSERT_TRUE(contacts);
  EXPECT_EQ(contacts->qq, "800012345");
  EXPECT_EQ(contacts->wangwang, "");
  EXPECT_EQ(QqChatAddress("800012345"), "http://wpa.qq.com/msgrd?v=3&uin=800012345&site=qq&menu=yes");
  EXPECT_NE(WangwangChatAddress("客服").find("/webww/?ver=1&&touid=cntaobao客服&siteid=cntaobao&status=2&portalId=&gid=&itemsId="),
            std::string::npos);
}

TEST(Startup, OnlyTheLastNoticeRowIsShown) {
  CannedGateway gw;
  const std::string sql = "select 公告,字体颜色,字体大小,字体名称 from Config";
  gw.answers[sql] = ServiceAnswer({{"公告", "字体颜色", "字体大小", "字体名称"},
                                   {Rc4HexEncode("旧公告"), "0", "9", "宋体"},
                                   {Rc4HexEncode("明天休市"), "255", "12", "黑体"}});
  const auto notice = ReadLoginNotice(gw);
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->text, "明天休市");
  EXPECT_EQ(notice->colour, 255);
  EXPECT_EQ(notice->size, 12);
  EXPECT_EQ(notice->font, "黑体");
  gw.answers.clear();
  EXPECT_FALSE(ReadLoginNotice(gw));
}

}  // namespace
}  // namespace velmora
