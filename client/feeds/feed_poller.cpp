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

  PollRecommendations(gateway, sink);
  if (stopped_) return true;
  PollNews(gateway, sink);
  if (stopped_) return true;
  const Presence presence = CheckPresence(gateway, session_);
  if (presence != Presence::kSignedIn && !stopped_) {
    signed_out_ = true;
    Emit(sink, SignOut{presence, PresenceMessage(presence)});
    stopped_ = true;
  }
  return true;
}

void FeedPoller::PollRecommendations(GatewayLink& gateway, const Sink& sink) {
  const auto read = CountFeed(gateway, FeedKind::kRecommendation);
  if (stopped_) return;
  switch (DecideCountChange(recommendation_count_, read)) {
    case CountChange::kNone:
      return;
    case CountChange::kFetchNewest: {
      const auto rows = SelectNewest(gateway, FeedKind::kRecommendation);
      if (!rows) return;  // asked again next cycle: the count has not moved
      // However much the count grew, only the newest row is shown; the others appear when the
      // feed is next loaded whole.
      recommendation_count_ = read;
      if (rows->empty()) return;
      const FeedFields& fields = rows->front();
      latest_ = LatestRecommendation(fields);
      const bool today = IsToday(mark_, fields[0]);
      Emit(sink, InsertRecommendation{today, RecommendationRow(fields)});
      if (!today) return;  // an old item is listed silently
      if (const NotifyPrefs prefs = Prefs(); prefs.popup) Emit(sink, ShowPopup{*latest_, prefs.sound});
      return;
    }
    case CountChange::kRebuild: {
      const auto rows = SelectFeed(gateway, FeedKind::kRecommendation);
      if (!rows) return;  // the lists stay as they are until an answer comes
      // Loading a feed that was never loaded finishes the initial load, sort included.
      const bool first_load = !recommendation_count_;
      recommendation_count_ = read;
      RecommendationLists split = SplitRecommendations(mark_, *rows);
      if (first_load) {
        SortOnFirstColumn(split.today);
        SortOnFirstColumn(split.history);
      }
      Emit(sink, ReplaceRecommendations{std::move(split.today), std::move(split.history)});
      return;
    }
  }
}

void FeedPoller::PollNews(GatewayLink& gateway, const Sink& sink) {
  const auto read = CountFeed(gateway, FeedKind::kNews);
  if (stopped_) return;
  switch (DecideCountChange(news_count_, read)) {
    case CountChange::kNone:
      return;
    case CountChange::kFetchNewest: {
      const auto rows = SelectNewest(gateway, FeedKind::kNews);
      if (!rows) return;
      news_count_ = read;
      if (rows->empty()) return;
      const FeedFields& fields = rows->front();
      Emit(sink, InsertNews{NewsRow(fields)});
      latest_ = LatestNews(fields);
      // Every new announcement is news: no day test.
      if (const NotifyPrefs prefs = Prefs(); prefs.popup) Emit(sink, ShowPopup{*latest_, prefs.sound});
      return;
    }
    case CountChange::kRebuild: {
      const auto rows = SelectFeed(gateway, FeedKind::kNews);
      if (!rows) return;
      news_count_ = read;
      Emit(sink, ReplaceNews{NewsList(*rows)});
      return;
    }
  }
}

}  // namespace velmora
