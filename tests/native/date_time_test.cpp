// Clock texts: what the server writes, what the client stamps and stores.
#include <gtest/gtest.h>

#include "gateway/date_time.h"

namespace velmora {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return *DateTime::FromCivil({y, mo, d, h, mi, s});
}

TEST(ClockText, ConvertsTheFormsServersWrite) {
  struct Case {
    const char* text;
    std::optional<DateTime> expected;
  } cases[] = {
      {"2026-12-09 14:03:05", At(2026, 12, 9, 14, 3, 5)},
      {"2026/12/9 14:03:05", At(2026, 12, 9, 14, 3, 5)},
      {"2026/12/9 4:03", At(2026, 12, 9, 4, 3)},
      {"2026-12-9", At(2026, 12, 9)},
      {"  2026-12-09 14:03:05 ", At(2026, 12, 9, 14, 3, 5)},
      {"2026-12-9-00-00-00", At(2026, 12, 9)},  // the feed page's day mark
      {"2026-2-28-13-4-5", At(2026, 2, 28, 13, 4, 5)},
      {"2026年12月9日14时3分5秒", At(2026, 12, 9, 14, 3, 5)},  // what the client itself stores
      {"2026年12月9日14时", At(2026, 12, 9, 14)},
      {"2026年12月9日", At(2026, 12, 9)},
      {"2026-12-09 上午 9:05:07", At(2026, 12, 9, 9, 5, 7)},
      {"2026-12-09 下午 9:05:07", At(2026, 12, 9, 21, 5, 7)},
      {"2026/12/9 下午 1:00:00", At(2026, 12, 9, 13)},
      {"2026/12/9 下午 11:59:59", At(2026, 12, 9, 23, 59, 59)},
      {"2026/12/9 上午 12:30:00", At(2026, 12, 9, 0, 30)},   // 12 in the morning is just after midnight
      {"2026/12/9 下午 12:30:00", At(2026, 12, 9, 12, 30)},  // 12 in the afternoon is noon
      {"2024-02-29 00:00:00", At(2024, 2, 29)},
      {"2026-02-29 00:00:00", std::nullopt},
      {"2026-13-01", std::nullopt},
      {"2026-12-09 24:00:00", std::nullopt},
      {"2026-12-09 12:60", std::nullopt},
      {"2026-12/09", std::nullopt},
      {"2026-12-09T14:03:05", std::nullopt},
      {"2026-12-09 14:03:05x", std::nullopt},
      {"14:03:05", std::nullopt},
      {"2026-12-09 上午9:05:07", std::nullopt},  // the marker goes only with its space
      {"", std::nullopt},
      {"1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseClockText(c.text), c.expected) << c.text;
}

TEST(ClockText, ServerTextsRoundTripInBothForms) {
  for (int hour = 0; hour < 24; ++hour) {
    const DateTime t = At(2026, 12, 31, hour, 59, 1);
    EXPECT_EQ(ParseClockText(ServerClockText(t, false)), t) << ServerClockText(t, false);
    EXPECT_EQ(ParseClockText(ServerClockText(t, true)), t) << ServerClockText(t, true);
  }
  EXPECT_EQ(ServerClockText(At(2026, 1, 2, 0, 5, 6), true), "2026-01-02 上午 12:05:06");
  EXPECT_EQ(ServerClockText(At(2026, 1, 2, 13, 5, 6), false), "2026-01-02 13:05:06");
}

TEST(DateTimeText, LeavesOutTrailingZeroParts) {
  const std::pair<DateTime, std::string> cases[] = {
      {At(2026, 12, 9, 14, 3, 5), "2026年12月9日14时3分5秒"},
      {At(2026, 12, 9, 14, 0, 5), "2026年12月9日14时0分5秒"},
      {At(2026, 12, 9, 14, 3), "2026年12月9日14时3分"},
      {At(2026, 12, 9, 0, 3), "2026年12月9日0时3分"},
      {At(2026, 12, 9, 14), "2026年12月9日14时"},
      {At(2026, 1, 1), "2026年1月1日"},
      {DateTime(), "100年1月1日"},
  };
  for (const auto& [t, text] : cases) {
    EXPECT_EQ(DateTimeText(t), text);
    EXPECT_EQ(ParseDateTime(text), t) << text;
  }
}

TEST(DateTime, StampArithmeticAndTheEmptyDate) {
  EXPECT_EQ(ClockStamp(At(2026, 12, 9, 9, 5, 7)), "09:05:07");
  EXPECT_EQ(ClockStamp(At(2026, 12, 9, 23, 59, 59).PlusSeconds(1)), "00:00:00");
  EXPECT_EQ(At(2027, 1, 1) - At(2026, 12, 31, 23, 59, 59), 1);
  EXPECT_TRUE(DateTime().IsEmpty());
  EXPECT_FALSE(At(100, 1, 1, 0, 0, 1).IsEmpty());
  EXPECT_FALSE(DateTime::FromCivil({99, 12, 31, 0, 0, 0}));
  const CivilTime c = At(1999, 3, 4, 5, 6, 7).Civil();
  EXPECT_EQ((std::array{c.year, c.month, c.day, c.hour, c.minute, c.second}),
            (std::array{1999, 3, 4, 5, 6, 7}));
}

}  // namespace
}  // namespace velmora
