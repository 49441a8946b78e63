// Which recommendations are today's, and the order of the two recommendation lists.
//
// The day is fixed once, from the server's clock when the feed page is made: items of later days
// still count as today's while the page lives, so an item never changes list under the user.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_rows.h"
#include "gateway/date_time.h"

namespace velmora {

struct TodayMark {
  std::string text;  // "Y-M-D-00-00-00", numbers without leading zeros
  DateTime start;    // midnight at the start of that day
};
TodayMark MakeTodayMark(DateTime server_now);

// A recommendation time after the mark is today's; one at the mark exactly, before it, or a text
// that is no date-time (read as the earliest date) is old. Accepted texts: the server's own forms,
// 24-hour or with 上午/下午, the "年月日" form and the mark's hyphenated form.
bool IsToday(const TodayMark& mark, std::string_view recommendation_time);

// The rows of one data answer as the lists show them after the rows were put in one by one at the
// top: today's and old ones, each newest-inserted first (reverse server order).
struct RecommendationLists {
  std::vector<FeedRow> today;
  std::vector<FeedRow> history;
};
RecommendationLists SplitRecommendations(const TodayMark& mark, const std::vector<FeedFields>& rows);
// Announcements the same way: reverse server order.
std::vector<FeedRow> NewsList(const std::vector<FeedFields>& rows);

// Ascending order of the keys compared byte by byte (case-sensitive); equal keys keep their order.
// `order[i]` is the old position of the item now at position i; `selected` is where the selected
// item went.
struct SortedOrder {
  std::vector<size_t> order;
  std::optional<size_t> selected;
};
SortedOrder SortOnKeys(const std::vector<std::string_view>& keys, std::optional<size_t> selected);

// The rows sorted on column 0 as above.
void SortOnFirstColumn(std::vector<FeedRow>& rows);

}  // namespace velmora
