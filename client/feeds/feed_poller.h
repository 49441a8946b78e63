// The feed page's work with the service: the initial load of both feeds, and the poll cycle that
// notices new and deleted items and runs the presence check. The window side owns the lists and
// the pop-up; it gets their changes here as actions, in the order the cycle produces them, and
// only performs them.
//
// A request that gets no answer changes nothing and is asked again by the next cycle: a count is
// only moved on once the rows it stands for were read, so a passing failure never hides an item
// for good, and never shows an old one as new.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "feeds/feed_rows.h"
#include "feeds/today.h"
#include "gateway/date_time.h"
#include "gateway/statements.h"
#include "session/login.h"
#include "session/presence.h"

namespace velmora {

// The user's notification switches, read when a new item arrives: tcts and syts.
struct NotifyPrefs {
  bool popup = false;
  bool sound = false;
};

enum class CountChange { kNone, kFetchNewest, kRebuild };

// What a newly read count means against the stored one. No reading: nothing (a failure is not an
// empty table). No stored count (the feed was never loaded): load it whole. Grown: fetch the
// newest row. Shrunk, to 0 included: load it whole.
CountChange DecideCountChange(std::optional<int64_t> stored, std::optional<int64_t> read);

// The poll timer's period: the poll interval in milliseconds; 0 (timer stopped) for an interval
// of 0 or below.
int64_t PollTimerPeriodMs(int64_t poll_seconds);

// A new row at the top of the today list or of the history list.
struct InsertRecommendation {
  bool today = false;
  FeedRow row;
};
// A new row at the top of the news list.
struct InsertNews {
  FeedRow row;
};
// Empty both recommendation lists, then show these rows, top to bottom.
struct ReplaceRecommendations {
  std::vector<FeedRow> today;
  std::vector<FeedRow> history;
};
// Empty the news list, then show these rows, top to bottom.
struct ReplaceNews {
  std::vector<FeedRow> news;
};
// Destroy the open pop-up, if any, and open a new one for the item (playing the sound file when
// `play_sound`).
struct ShowPopup {
  LatestItem item;
  bool play_sound = false;
};
// Stop the poll timer, show the message (modal), mark the account offline and end the program.
struct SignOut {
  Presence reason = Presence::kSignedInElsewhere;
  std::string message;
};
using FeedAction = std::variant<InsertRecommendation, InsertNews, ReplaceRecommendations, ReplaceNews, ShowPopup,
                                SignOut>;

// The lists as the page shows them after the initial load, top to bottom.
struct FeedLists {
  std::vector<FeedRow> today;
  std::vector<FeedRow> history;
  std::vector<FeedRow> news;
};

class FeedPoller {
 public:
  using PrefsSource = std::function<NotifyPrefs()>;
  using Sink = std::function<void(const FeedAction&)>;

  FeedPoller(SessionRecord session, PrefsSource prefs);

  // The initial load: fixes the today mark, reads both feeds whole (recommendation lists sorted
  // on their time), then both counts; afterwards the poller is ready. A feed whose rows got no
  // answer stays unloaded and is loaded by the next cycle that reads its count.
  FeedLists Load(GatewayLink& gateway, DateTime server_now);

  // One poll cycle: recommendations, announcements, presence check, in that order; each change
  // goes to `sink` as soon as it is known. False, sending nothing, when a cycle is already
  // running (a timer tick handled while the cycle waits for an answer), before the load, or once
  // stopped. The ready flag comes back however the cycle ends. `sink` runs on the caller's
  // thread.
  //
  // While a request is out the caller's messages keep flowing, so the page may be destroyed under
  // a running cycle: the poller therefore lives in the process-wide state, not in the page, and
  // the page calls Stop() when it goes.
  bool Tick(GatewayLink& gateway, const Sink& sink);

  // No more requests or actions, from now on and for the rest of a running cycle. A sign-out
  // stops the poller as well.
  void Stop() { stopped_ = true; }

  bool ready() const { return ready_; }
  bool stopped() const { return stopped_; }
  bool signed_out() const { return signed_out_; }
  std::optional<int64_t> stored_count(FeedKind kind) const {
    return kind == FeedKind::kRecommendation ? recommendation_count_ : news_count_;
  }
  const TodayMark& mark() const { return mark_; }
  // The newest item seen by a cycle, for the pop-up.
  const std::optional<LatestItem>& latest() const { return latest_; }

 private:
  // One feed's step of a cycle: its count, then its newest row or the whole feed as the count says.
  void PollFeed(GatewayLink& gateway, const Sink& sink, FeedKind kind);
  // A new row arrived: it is listed, and announced unless it is a recommendation of another day.
  void ListNewest(const Sink& sink, FeedKind kind, const FeedFields& fields);
  // The whole feed arrived: it replaces the lists; the first load of a feed also sorts them.
  void ListWhole(const Sink& sink, FeedKind kind, std::vector<FeedFields> rows, bool first_load) const;
  NotifyPrefs Prefs() const { return prefs_ ? prefs_() : NotifyPrefs{}; }
  void Emit(const Sink& sink, FeedAction action) const {
    if (!stopped_ && sink) sink(action);
  }

  SessionRecord session_;
  PrefsSource prefs_;
  TodayMark mark_;
  std::optional<int64_t> recommendation_count_;
  std::optional<int64_t> news_count_;
  std::optional<LatestItem> latest_;
  bool ready_ = false;
  bool stopped_ = false;
  bool signed_out_ = false;
};

}  // namespace velmora
