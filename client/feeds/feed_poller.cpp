#include "feeds/feed_poller.h"

#include <limits>
#include <utility>

namespace velmora {
namespace {

// What a loaded feed's stored count starts at: the count read after the rows, or, when that read
// got no answer, the rows themselves. A feed whose rows got no answer has no count yet.
std::optional<int64_t> InitialCount(const std::optional<std::vector<FeedFields>>& rows, std::optional<int64_t> read) {
  if (!rows) return std::nullopt;
  return read ? read : std::optional<int64_t>(int64_t(rows->size()));
}

}  // namespace

CountChange DecideCountChange(std::optional<int64_t> stored, std::optional<int64_t> read) {
  if (!read) return CountChange::kNone;
  if (!stored) return CountChange::kRebuild;
  if (*stored < *read) return CountChange::kFetchNewest;
  if (*read < *stored) return CountChange::kRebuild;
  return CountChange::kNone;
}

int64_t PollTimerPeriodMs(int64_t poll_seconds) {
  constexpr int64_t kLongest = std::numeric_limits<int32_t>::max();
  if (poll_seconds <= 0) return 0;
  return poll_seconds > kLongest / 1000 ? kLongest : poll_seconds * 1000;
}

FeedPoller::FeedPoller(SessionRecord session, PrefsSource prefs)
    : session_(std::move(session)), prefs_(std::move(prefs)) {}

FeedLists FeedPoller::Load(GatewayLink& gateway, DateTime server_now) {
  mark_ = MakeTodayMark(server_now);
  FeedLists lists;
  const auto recommendations = SelectFeed(gateway, FeedKind::kRecommendation);
  if (recommendations) {
    RecommendationLists split = SplitRecommendations(mark_, *recommendations);
    SortOnFirstColumn(split.today);
    SortOnFirstColumn(split.history);
    lists.today = std::move(split.today);
    lists.history = std::move(split.history);
  }
  const auto news = SelectFeed(gateway, FeedKind::kNews);
  if (news) lists.news = NewsList(*news);
  const auto recommendation_count = CountFeed(gateway, FeedKind::kRecommendation);
  const auto news_count = CountFeed(gateway, FeedKind::kNews);
  recommendation_count_ = InitialCount(recommendations, recommendation_count);
  news_count_ = InitialCount(news, news_count);
  ready_ = true;
  return lists;
}

bool FeedPoller::Tick(GatewayLink& gateway, const Sink& sink) {
  if (!ready_ || stopped_) return false;
  ready_ = false;
  struct ReadyAgain {
    bool& ready;
    ~ReadyAgain() { ready = true; }
  } ready_again{ready_};

  PollFeed(gateway, sink, FeedKind::kRecommendation);
  if (stopped_) return true;
  PollFeed(gateway, sink, FeedKind::kNews);
  if (stopped_) return true;
  const Presence presence = CheckPresence(gateway, session_);
  if (presence != Presence::kSignedIn && !stopped_) {
    signed_out_ = true;
    Emit(sink, SignOut{presence, PresenceMessage(presence)});
    stopped_ = true;
  }
  return true;
}

void FeedPoller::PollFeed(GatewayLink& gateway, const Sink& sink, FeedKind kind) {
  std::optional<int64_t>& count = kind == FeedKind::kRecommendation ? recommendation_count_ : news_count_;
  const auto read = CountFeed(gateway, kind);
  if (stopped_) return;
  switch (DecideCountChange(count, read)) {
    case CountChange::kNone:
      return;
    case CountChange::kFetchNewest: {
      const auto rows = SelectNewest(gateway, kind);
      if (!rows) return;  // asked again next cycle: the count has not moved
      // However much the count grew, only the newest row is shown; the others appear when the
      // feed is next loaded whole.
      count = read;
      if (!rows->empty()) ListNewest(sink, kind, rows->front());
      return;
    }
    case CountChange::kRebuild: {
      auto rows = SelectFeed(gateway, kind);
      if (!rows) return;  // the lists stay as they are until an answer comes
      // Loading a feed that was never loaded finishes the initial load, sort included.
      const bool first_load = !count;
      count = read;
      ListWhole(sink, kind, std::move(*rows), first_load);
      return;
    }
  }
}

void FeedPoller::ListNewest(const Sink& sink, FeedKind kind, const FeedFields& fields) {
  if (kind == FeedKind::kRecommendation) {
    latest_ = LatestRecommendation(fields);
    const bool today = IsToday(mark_, fields[0]);
    Emit(sink, InsertRecommendation{today, RecommendationRow(fields)});
    if (!today) return;  // an old item is listed silently
  } else {
    Emit(sink, InsertNews{NewsRow(fields)});
    latest_ = LatestNews(fields);  // every new announcement is news: no day test
  }
  if (const NotifyPrefs prefs = Prefs(); prefs.popup) Emit(sink, ShowPopup{*latest_, prefs.sound});
}

void FeedPoller::ListWhole(const Sink& sink, FeedKind kind, std::vector<FeedFields> rows, bool first_load) const {
  if (kind == FeedKind::kNews) {
    Emit(sink, ReplaceNews{NewsList(rows)});
    return;
  }
  RecommendationLists split = SplitRecommendations(mark_, rows);
  if (first_load) {
    SortOnFirstColumn(split.today);
    SortOnFirstColumn(split.history);
  }
  Emit(sink, ReplaceRecommendations{std::move(split.today), std::move(split.history)});
}

}  // namespace velmora
