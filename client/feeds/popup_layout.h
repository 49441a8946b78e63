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

inline constexpr int kPopupMargin = 2;

// A monitor's work area in screen coordinates (the screen less the taskbar): left and top
// inside, right and bottom outside. A monitor left of or above the primary one has negative ones.
struct WorkArea {
  int left, top, right, bottom;
};

// Bottom right of a monitor's work area, 2 design pixels from its right and bottom edges, so it
// sits just above (or beside) the taskbar wherever that is; the work area and the result are in
// the monitor's pixels, the size and margins the design's at the monitor's `dpi`.
constexpr Box PopupPlacement(WorkArea work_area, Dpi dpi) {
  const int width = Scale(kPopupWidth, dpi), height = Scale(kPopupHeight, dpi);
  return {work_area.right - width - Scale(kPopupMargin, dpi), work_area.bottom - height - Scale(kPopupMargin, dpi),
          width, height};
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
