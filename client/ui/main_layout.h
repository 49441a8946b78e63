// The main window's fixed design and how its pages follow its size: an empty skinned frame
// (951 x 612 at 50, 50) whose banner carries seven tabs, the feed page "预警管理" first and six
// browser pages after it, each page 948 x 502.
//
// When the window grows beyond its design, the feed page's detail panel (with its tab control
// and remark box) and history list, and each browser page's browser and button strip, follow the
// window; below the design size they keep their design geometry. Nothing else moves.
#pragma once
#include <array>
#include <string_view>

#include "feeds/feed_layout.h"
#include "toolkit/layout_box.h"

namespace velmora::ui {

inline constexpr Box kMainWindowDesign{50, 50, 951, 612};
inline constexpr Box kPageSize{0, 0, 948, 502};

// A browser page: the browser above a strip with back, forward and refresh.
inline constexpr Box kBrowserBox{0, 0, 948, 470};
inline constexpr Box kBrowserStrip{0, 470, 948, 32};
inline constexpr std::array<Labelled, 3> kBrowserButtons = {{
    {"后退", {13, 5, 56, 22}},
    {"前进", {209, 5, 56, 22}},
    {"刷新", {406, 5, 56, 22}},
}};
inline constexpr int kBrowserPageCount = 6;

// The banner's tabs, left to right: tab 1 is the feed page, tabs 2 to 7 browser pages 1 to 6
// captioned by the service. Tab n's icon is the program directory + "\ico\<n>.ico".
inline constexpr int kTabCount = 7;
inline constexpr std::string_view kFeedTabCaption = "预警管理";

// Where the resized controls go, each in its design parent (see feed_layout.h); the browser and
// strip boxes hold for all six browser pages.
struct MainResize {
  Box detail_group;
  Box detail_tabs;
  Box remark_box;
  Box history_group;
  Box history_list;
  Box browser;
  Box browser_strip;
};

// `width` and `height` are the main window's current outer size, as its design gives it. The
// thresholds differ on purpose: the widths switch to the formulas beyond 950 (so 951 already
// gives a details group of 580), the heights from 612 on (where the formulas give the design
// values).
constexpr MainResize ResizeMainWindow(int width, int height) {
  const bool wide = width > 950;
  const bool tall = height >= 612;
  MainResize r{kDetailGroup.box, kDetailTabs, kRemarkBox, kHistoryGroup.box, kHistoryList, kBrowserBox, kBrowserStrip};
  r.detail_group.width = wide ? width - 371 : 581;
  r.detail_tabs.width = wide ? width - 384 : 568;
  r.remark_box.width = wide ? width - 384 : 568;
  r.browser.width = wide ? width - 3 : 948;
  r.browser_strip.width = wide ? width - 3 : 948;
  r.detail_group.height = tall ? height - 113 : 499;
  r.detail_tabs.height = tall ? height - 143 : 469;
  r.remark_box.height = tall ? height - 370 : 242;
  r.history_group.height = tall ? height - 427 : 185;
  r.history_list.height = tall ? height - 455 : 157;
  r.browser.height = tall ? height - 142 : 470;
  r.browser_strip.top = tall ? height - 142 : 470;
  return r;
}

// The feed page's share of a resize.
constexpr FeedPagePlaces FeedPlaces(const MainResize& r) {
  return {r.detail_group, r.detail_tabs, r.remark_box, r.history_group, r.history_list};
}

}  // namespace velmora::ui
