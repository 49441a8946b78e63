// The feeds' rows as the lists, the detail panel and the pop-up show them: statements, answers,
// deciphering, the latest-item record, the today test and the lists' order; the pop-up's life and
// the detail boxes' copy guard.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "canned_gateway.h"
#include "feeds/copy_guard.h"
#include "feeds/feed_rows.h"
#include "feeds/popup.h"
#include "feeds/today.h"
#include "gateway/rc4.h"

namespace velmora {
namespace {

using testing::ServiceAnswer;

DateTime At(int y, int mo, int d, int h, int mi, int s) { return *DateTime::FromCivil({y, mo, d, h, mi, s}); }

FeedFields Recommendation(const std::string& time, const std::string& code, const std::string& remarks = "") {
  return {time, Rc4HexEncode(code), Rc4HexEncode("买入"), Rc4HexEncode("10.5"), Rc4HexEncode("12.8"),
          Rc4HexEncode(remarks)};
}

TEST(FeedRows, StatementsAreTheServiceShapes) {
  const std::pair<std::string, std::string> cases[] = {
      {FeedCountStatement(FeedKind::kRecommendation), "select count(*) from latest1"},
      {FeedCountStatement(FeedKind::kNews), "select count(*) from config2"},
      {FeedSelectStatement(FeedKind::kRecommendation), "select 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 from Latest1"},
      {FeedSelectStatement(FeedKind::kNews), "select 更新日期,公告,字体名称,字体大小,字体颜色,公告标题 from config2"},
      {FeedNewestStatement(FeedKind::kRecommendation),
       "select top 1 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 from Latest1 order by 编号 desc"},
      {FeedNewestStatement(FeedKind::kNews),
       "select top 1 更新日期,公告,字体名称,字体大小,字体颜色,公告标题 from config2 order by 编号 desc"},
  };
  for (const auto& [built, expected] : cases) EXPECT_EQ(built, expected);
}

TEST(FeedRows, CountReadingTellsNoAnswerFromZero) {
  const std::pair<std::string, std::optional<int64_t>> cases[] = {
      {ServiceAnswer({{"count(*)"}, {"5"}}), 5},
      {ServiceAnswer({{"count(*)"}, {"0"}}), 0},
      {ServiceAnswer({{"count(*)"}, {"07"}, {"9"}}), 7},
      {"", std::nullopt},
      {ServiceAnswer({{"count(*)"}}), std::nullopt},
      {ServiceAnswer({{"count(*)"}, {""}}), std::nullopt},
      {ServiceAnswer({{"count(*)"}, {"x1"}}), std::nullopt},
      {"5", std::nullopt},
  };
  for (const auto& [answer, count] : cases) {
    SCOPED_TRACE(answer);
    EXPECT_EQ(FeedCountReading(answer), count);
  }
}

TEST(FeedRows, AnswerRowsSkipTheNamesAndTellNoAnswerFromNoRows) {
  EXPECT_FALSE(FeedAnswerRows(""));
  const auto header_only = FeedAnswerRows(ServiceAnswer({{"推荐时间", "股票代码"}}));
  ASSERT_TRUE(header_only);
  EXPECT_TRUE(header_only->empty());
  // A short row reads "" for its missing fields; rows keep the server's order.
  const auto rows = FeedAnswerRows(ServiceAnswer({{"a", "b"}, {"1", "2"}, {"3"}}));
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ((*rows)[0], (FeedFields{"1", "2", "", "", "", ""}));
  EXPECT_EQ((*rows)[1], (FeedFields{"3", "", "", "", "", ""}));
}

TEST(FeedRows, ListRowsDecipherTheirStoredColumns) {
  const FeedFields recommendation = Recommendation("2011-04-21 09:30:00", "600036", "仅供参考");
  EXPECT_EQ(RecommendationRow(recommendation),
            (FeedRow{"2011-04-21 09:30:00", "600036", "买入", "10.5", "12.8", "仅供参考"}));

  const FeedFields news = {"2011-04-21 10:00:00", Rc4HexEncode("明天休市"), "宋体", "12", "255", Rc4HexEncode("休市通知")};
  EXPECT_EQ(NewsRow(news), (FeedRow{"2011-04-21 10:00:00", "明天休市", "宋体", "12", "255", "休市通知"}));

  // A corrupt stored value shows as nothing; plain columns are never deciphered.
  FeedFields corrupt = recommendation;
  corrupt[1] = "ZZ";
  EXPECT_EQ(RecommendationRow(corrupt)[1], "");
  FeedFields plain_hex = news;
  plain_hex[2] = Rc4HexEncode("宋体");
  EXPECT_EQ(NewsRow(plain_hex)[2], plain_hex[2]);
}

TEST(FeedRows, LatestItemText) {
  const FeedFields recommendation = Recommendation("2011-04-21 09:30:00", "600036", "注意");
  std::string expected = "信息々2011-04-21 09:30:00";
  for (size_t i = 1; i < 6; ++i) expected += "々" + recommendation[i];  // still enciphered
  EXPECT_EQ(LatestItemText(LatestRecommendation(recommendation)), expected);

  const FeedFields news = {"2011-04-21 10:00:00", Rc4HexEncode("明天休市"), "宋体", "12", "255", Rc4HexEncode("休市")};
  EXPECT_EQ(LatestItemText(LatestNews(news)), "公告々2011-04-21 10:00:00々明天休市々宋体々12々255々休市");
}

TEST(FeedRows, DetailTextsComeFromTheRowAlone) {
  const RecommendationDetail r = DescribeRecommendation({"2011-04-21 09:30:00", "600036", "买入", "10.5", "12.8", "备注"});
  EXPECT_EQ(r.labels, (std::array<std::string, 5>{"推荐时间：2011-04-21 09:30:00", "推荐代码：600036", "操作方式：买入",
                                                  "支 撑 位：10.5", "阻 力 位：12.8"}));
  EXPECT_EQ(r.remarks, "备注");

  const NewsDetail n = DescribeNews({"2011-04-21 10:00:00", "明天休市", "黑体", "14", "16711680", "休市"});
  EXPECT_EQ(n.time_label, "推荐时间：2011-04-21 10:00:00");
  EXPECT_EQ(n.title_label, "资讯标题：休市");
  EXPECT_EQ(n.content, "明天休市");
  EXPECT_EQ(n.font_name, "黑体");
  EXPECT_EQ(n.font_points, 14);
  EXPECT_EQ(n.colour, 0xFF0000u);

  // Sizes and colours read their leading digits; a colour keeps its three colour bytes.
  const std::tuple<std::string, std::string, int, uint32_t> numbers[] = {
      {"", "", 0, 0u},
      {"abc", "x", 0, 0u},
      {"12pt", "255 ", 12, 255u},
      {"99999999999", "4294967295", 1000, 0xFFFFFFu},
  };
  for (const auto& [size, colour, points, value] : numbers) {
    SCOPED_TRACE(size + "/" + colour);
    const NewsDetail d = DescribeNews({"", "", "", size, colour, ""});
    EXPECT_EQ(d.font_points, points);
    EXPECT_EQ(d.colour, value);
  }
}

TEST(Today, MarkIsMidnightOfTheServersDayWithoutLeadingZeros) {
  const TodayMark mark = MakeTodayMark(At(2011, 4, 5, 15, 7, 9));
  EXPECT_EQ(mark.text, "2011-4-5-00-00-00");
  EXPECT_EQ(mark.start, At(2011, 4, 5, 0, 0, 0));
  EXPECT_EQ(MakeTodayMark(At(2026, 12, 31, 0, 0, 0)).text, "2026-12-31-00-00-00");
}

TEST(Today, OnlyTimesAfterTheStartOfTheDayAreToday) {
  const TodayMark mark = MakeTodayMark(At(2011, 4, 21, 15, 0, 0));
  const std::pair<std::string, bool> cases[] = {
      {"2011-04-21 00:00:00", false},  // the mark itself is old
      {"2011-4-21-00-00-00", false},
      {"2011-04-21", false},
      {"2011-04-21 00:00:01", true},
      {"2011-04-20 23:59:59", false},
      {"2011-04-21 上午 12:30:00", true},
      {"2011-04-21 下午 1:00:00", true},
      {"2011/4/21 9:30", true},
      {"2011年4月21日9时", true},
      {"2011-04-22 08:00:00", true},  // a later day still counts as today
      {"", false},                    // no date-time: the earliest date
      {"明天", false},
      {"2011-02-30 10:00:00", false},
  };
  for (const auto& [time, today] : cases) {
    SCOPED_TRACE(time);
    EXPECT_EQ(IsToday(mark, time), today);
  }
}

TEST(Today, RowsLandInTheirListNewestInsertedFirst) {
  const TodayMark mark = MakeTodayMark(At(2011, 4, 21, 15, 0, 0));
  const std::vector<FeedFields> server_order = {
      Recommendation("2011-04-20 10:00:00", "A"),
      Recommendation("2011-04-21 09:00:00", "B"),
      Recommendation("2011-04-19 10:00:00", "C"),
      Recommendation("2011-04-21 10:00:00", "D"),
  };
  const RecommendationLists lists = SplitRecommendations(mark, server_order);
  ASSERT_EQ(lists.today.size(), 2u);
  ASSERT_EQ(lists.history.size(), 2u);
  EXPECT_EQ(lists.today[0][1], "D");
  EXPECT_EQ(lists.today[1][1], "B");
  EXPECT_EQ(lists.history[0][1], "C");
  EXPECT_EQ(lists.history[1][1], "A");
}

TEST(Today, SortIsAscendingByBytesStableAndFollowsTheSelection) {
  struct Case {
    const char* what;
    std::vector<std::string_view> keys;
    std::optional<size_t> selected;
    std::vector<size_t> order;
    std::optional<size_t> now_selected;
  };
  const Case cases[] = {
      {"times", {"2011-04-21 10:00:00", "2011-04-20 10:00:00", "2011-04-21 09:00:00"}, 0, {1, 2, 0}, 2},
      {"equal keys keep their order", {"b", "a", "b", "a"}, 2, {1, 3, 0, 2}, 3},
      {"case-sensitive: upper case first", {"a", "B", "b", "A"}, std::nullopt, {3, 1, 0, 2}, std::nullopt},
      {"GBK bytes above ASCII", {"\xC9\xCF", "z", "0"}, 0, {2, 1, 0}, 2},
      {"a prefix first", {"2011-04-21 1", "2011-04-21"}, 1, {1, 0}, 0},
      {"empty", {}, std::nullopt, {}, std::nullopt},
      {"selection out of range", {"b", "a"}, 5, {1, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SortedOrder sorted = SortOnKeys(c.keys, c.selected);
    EXPECT_EQ(sorted.order, c.order);
    EXPECT_EQ(sorted.selected, c.now_selected);
  }

  // Whole rows move with their key.
  std::vector<FeedRow> rows = {{"2", "b", "", "", "", "x"}, {"1", "a", "", "", "", "y"}};
  SortOnFirstColumn(rows);
  EXPECT_EQ(rows[0], (FeedRow{"1", "a", "", "", "", "y"}));
  EXPECT_EQ(rows[1], (FeedRow{"2", "b", "", "", "", "x"}));
}

TEST(Popup, ShowsTheItemDecipheredOnItsPage) {
  const PopupContent r = DescribePopup(LatestRecommendation(Recommendation("2011-04-21 09:30:00", "600036", "看好")));
  EXPECT_EQ(r.caption, "收到一个新的消息");
  EXPECT_EQ(r.page, PopupPage::kRecommendation);
  EXPECT_EQ(r.recommendation.labels[0], "推荐时间：2011-04-21 09:30:00");
  EXPECT_EQ(r.recommendation.labels[1], "推荐代码：600036");
  EXPECT_EQ(r.recommendation.labels[4], "阻 力 位：12.8");
  EXPECT_EQ(r.recommendation.remarks, "看好");

  // A deciphered announcement may hold the field mark itself: it reaches the pop-up whole.
  const FeedFields news = {"2011-04-21 10:00:00", Rc4HexEncode("人々的公告"), "宋体", "12", "255", Rc4HexEncode("标题々")};
  const PopupContent n = DescribePopup(LatestNews(news));
  EXPECT_EQ(n.caption, "收到一个新的资讯");
  EXPECT_EQ(n.page, PopupPage::kNews);
  EXPECT_EQ(n.news.content, "人々的公告");
  EXPECT_EQ(n.news.title_label, "资讯标题：标题々");
  EXPECT_EQ(n.news.time_label, "推荐时间：2011-04-21 10:00:00");
  EXPECT_EQ(n.news.font_name, "宋体");
  EXPECT_EQ(n.news.font_points, 12);
  EXPECT_EQ(n.news.colour, 255u);
}

TEST(Popup, ClosesOnTheTickThatReachesTheDisplayTime) {
  PopupLifetime popup(5);
  EXPECT_FALSE(popup.Open());
  for (int tick = 1; tick <= 4; ++tick) EXPECT_FALSE(popup.Tick()) << tick;
  EXPECT_TRUE(popup.Tick());
  EXPECT_FALSE(popup.open());
  EXPECT_FALSE(popup.Tick());  // a timer message that arrives late does nothing
  EXPECT_FALSE(popup.Open());  // nothing open to replace any more
}

TEST(Popup, ANewerItemReplacesTheOpenOneAndStartsCountingAgain) {
  PopupLifetime popup(3);
  popup.Open();
  popup.Tick();
  popup.Tick();
  EXPECT_TRUE(popup.Open());  // the open one must go first
  EXPECT_EQ(popup.seconds(), 0);
  EXPECT_FALSE(popup.Tick());
  EXPECT_FALSE(popup.Tick());
  EXPECT_TRUE(popup.Tick());

  popup.Open();
  popup.Destroyed();  // closed by the user
  EXPECT_FALSE(popup.open());
  EXPECT_FALSE(popup.Tick());
}

TEST(Popup, ADisplayTimeOfZeroOrBelowIsNeverReached) {
  for (const int display : {0, -1}) {
    PopupLifetime popup(display);
    popup.Open();
    for (int tick = 0; tick < 1000; ++tick) ASSERT_FALSE(popup.Tick()) << display;
    EXPECT_TRUE(popup.open());
  }
}

TEST(CopyGuard, ControlOnceArmsEveryLaterReleaseOfC) {
  CopyGuard guard;
  EXPECT_FALSE(guard.KeyUp(CopyGuard::kLetterC));  // C alone before any Ctrl copies as usual
  guard.KeyDown('A');
  EXPECT_FALSE(guard.KeyUp(CopyGuard::kLetterC));
  guard.KeyDown(CopyGuard::kControlKey);
  EXPECT_TRUE(guard.KeyUp(CopyGuard::kLetterC));
  EXPECT_FALSE(guard.KeyUp(CopyGuard::kControlKey));
  EXPECT_TRUE(guard.KeyUp(CopyGuard::kLetterC));  // Ctrl long released: still guarded
}

TEST(CopyGuard, ContextMenuAndTextHandleNeverReachTheBox) {
  using M = CopyGuard::Message;
  const std::pair<M, M> cases[] = {
      {{0x7B, 123, 456}, {0, 0, 0}},
      {{0xBD, 7, 8}, {0, 7, 8}},
      {{0x0100, 67, 1}, {0x0100, 67, 1}},
      {{0x0302, 0, 0}, {0x0302, 0, 0}},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(CopyGuard::Forwarded(in), out) << in.message;
}

}  // namespace
}  // namespace velmora
