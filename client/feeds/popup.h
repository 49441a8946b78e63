// The new-item pop-up: what it shows for the latest item, and how long it stays. At most one
// exists: a newer item replaces the one shown. It closes itself after the service's display time
// (whole seconds counted by a one-second timer); a display time of 0 or below keeps it until the
// user closes it or a newer item replaces it.
#pragma once
#include <cstdint>
#include <string>

#include "feeds/feed_rows.h"

namespace velmora {

enum class PopupPage { kRecommendation = 1, kNews = 2 };

// Caption "收到一个新的消息" with the recommendation page (its parts deciphered here), or
// "收到一个新的资讯" with the news page; the texts are those of the feed page's detail panel.
struct PopupContent {
  std::string caption;
  PopupPage page = PopupPage::kRecommendation;
  RecommendationDetail recommendation;  // page 1
  NewsDetail news;                      // page 2
};
PopupContent DescribePopup(const LatestItem& item);

inline constexpr int kPopupTimerMs = 1000;

// The pop-up-open flag and the seconds counter.
class PopupLifetime {
 public:
  explicit PopupLifetime(int64_t display_seconds) : display_seconds_(display_seconds) {}

  // A new pop-up is being created (counter 0, timer to start at kPopupTimerMs). True when one is
  // open already: that one must be destroyed first.
  bool Open();
  // A timer tick. True when the display time has just been reached: stop the timer and destroy
  // the window. Ticks while closed (a late timer message) do nothing.
  bool Tick();
  // The window was destroyed, by its timer, by a newer item or by the user.
  void Destroyed();

  bool open() const { return open_; }
  int64_t seconds() const { return seconds_; }

 private:
  int64_t display_seconds_;
  int64_t seconds_ = 0;
  bool open_ = false;
};

}  // namespace velmora
