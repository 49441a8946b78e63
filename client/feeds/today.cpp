#include "feeds/today.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace velmora {

TodayMark MakeTodayMark(DateTime server_now) {
  const CivilTime c = server_now.Civil();
  char text[48];
  std::snprintf(text, sizeof text, "%d-%d-%d-00-00-00", c.year, c.month, c.day);
  TodayMark mark;
  mark.text = text;
  // The mark's own text is the one compared against, as it always has been; it reads back as
  // that day's midnight.
  mark.start = ParseDateTime(mark.text).value_or(DateTime());
  return mark;
}

bool IsToday(const TodayMark& mark, std::string_view recommendation_time) {
  const DateTime t = ParseClockText(recommendation_time).value_or(DateTime());
  // Whole seconds on both sides: "at or before the mark" is exactly mark - t >= 0.
  return mark.start - t < 0;
}

RecommendationLists SplitRecommendations(const TodayMark& mark, const std::vector<FeedFields>& rows) {
  RecommendationLists lists;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    (IsToday(mark, (*it)[0]) ? lists.today : lists.history).push_back(RecommendationRow(*it));
  }
  return lists;
}

std::vector<FeedRow> NewsList(const std::vector<FeedFields>& rows) {
  std::vector<FeedRow> list;
  list.reserve(rows.size());
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) list.push_back(NewsRow(*it));
  return list;
}

SortedOrder SortOnKeys(const std::vector<std::string_view>& keys, std::optional<size_t> selected) {
  SortedOrder out;
  out.order.resize(keys.size());
  std::iota(out.order.begin(), out.order.end(), size_t{0});
  // string_view compares its bytes as unsigned characters, as the GBK texts need.
  std::stable_sort(out.order.begin(), out.order.end(), [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
  if (selected && *selected < keys.size()) {
    out.selected = size_t(std::find(out.order.begin(), out.order.end(), *selected) - out.order.begin());
  }
  return out;
}

void SortOnFirstColumn(std::vector<FeedRow>& rows) {
  std::vector<std::string_view> keys;
  keys.reserve(rows.size());
  for (const FeedRow& row : rows) keys.emplace_back(row[0]);
  const SortedOrder sorted = SortOnKeys(keys, std::nullopt);
  std::vector<FeedRow> out;
  out.reserve(rows.size());
  for (size_t old : sorted.order) out.push_back(std::move(rows[old]));
  rows = std::move(out);
}

}  // namespace velmora
