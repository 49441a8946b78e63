#include "feeds/popup.h"

namespace velmora {

PopupContent DescribePopup(const LatestItem& item) {
  PopupContent content;
  if (item.kind == FeedKind::kRecommendation) {
    content.caption = "收到一个新的消息";
    content.page = PopupPage::kRecommendation;
    content.recommendation = DescribeRecommendation(RecommendationRow(item.parts));
  } else {
    content.caption = "收到一个新的资讯";
    content.page = PopupPage::kNews;
    content.news = DescribeNews(item.parts);
  }
  return content;
}

bool PopupLifetime::Open() {
  const bool replacing = open_;
  open_ = true;
  seconds_ = 0;
  return replacing;
}

bool PopupLifetime::Tick() {
  if (!open_) return false;
  ++seconds_;
  if (seconds_ != display_seconds_) return false;
  open_ = false;
  return true;
}

void PopupLifetime::Destroyed() {
  open_ = false;
  seconds_ = 0;
}

}  // namespace velmora
