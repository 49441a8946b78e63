// The new-item pop-up's fixed design (302 x 358, drawn by the skin engine): a two-page tab
// control, page 1 a recommendation and page 2 an announcement, like the feed page's detail panel
// but narrower. Page controls are placed in the tab control (the pages cover it whole).
#pragma once
#include <array>
#include <string_view>

#include "toolkit/layout_box.h"

namespace velmora::ui {

inline constexpr std::string_view kPopupDesignCaption = "收到新的消息";
inline constexpr int kPopupWidth = 302;
inline constexpr int kPopupHeight = 358;

// A monitor's whole rectangle in screen coordinates (taskbar included): left and top inside,
// right and bottom outside. A monitor left of or above the primary one has negative ones.
struct MonitorRect {
  int left, top, right, bottom;
};

// Bottom right of the monitor (its whole screen, not the work area): 2 design pixels from its
// right edge and 28 from its bottom edge, as the window was designed on one screen; the monitor
// and the result in its pixels, the size and margins the design's at the monitor's `dpi`.
constexpr Box PopupPlacement(MonitorRect monitor, Dpi dpi) {
  const int width = Scale(kPopupWidth, dpi), height = Scale(kPopupHeight, dpi);
  return {monitor.right - width - Scale(2, dpi), monitor.bottom - height - Scale(28, dpi), width, height};
}

inline constexpr Box kPopupTabs{3, 27, 296, 330};
inline constexpr std::array<std::string_view, 2> kPopupTabCaptions = {"推荐详情", "资讯详情"};

inline constexpr std::array<Labelled, 5> kPopupRecommendationLabels = {{
    {"推荐时间:", {5, 3, 275, 18}},
    {"推荐代码:", {5, 26, 275, 18}},
    {"操作方式:", {5, 49, 275, 18}},
    {"支 撑 位:", {5, 72, 275, 18}},
    {"阻 力 位:", {5, 95, 275, 18}},
}};
inline constexpr Labelled kPopupRemarkHeading{"↓备注↓", {116, 116, 64, 18}};
inline constexpr Box kPopupRemarkBox{0, 134, 296, 195};

inline constexpr Labelled kPopupNewsTimeLabel{"推荐时间:", {5, 3, 275, 18}};
inline constexpr Labelled kPopupNewsTitleLabel{"资讯标题:", {5, 30, 275, 18}};
inline constexpr Labelled kPopupContentHeading{"↓资讯内容↓", {108, 51, 80, 18}};
inline constexpr Box kPopupContentBox{0, 71, 296, 258};

}  // namespace velmora::ui
