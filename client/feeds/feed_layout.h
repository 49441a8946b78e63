// The feed page's fixed design (948 x 502): on the left the today, news and history lists, each in
// its group box, one above the other; on the right the detail panel, a group box holding a
// two-page tab control (page 1 a recommendation, page 2 an announcement).
//
// Coordinates: the group boxes and lists in the page; the tab control in the detail group box;
// each tab page's controls in the tab control (the pages cover it whole).
#pragma once
#include <array>
#include <string_view>

#include "toolkit/layout_box.h"

namespace velmora::ui {

inline constexpr Box kFeedPageSize{0, 0, 948, 502};

// Left column: the boxes are 357 wide with 3 pixels to the page edge; each list sits 7 pixels in
// from its box's sides, below the box caption, 28 pixels shorter than its box.
inline constexpr Labelled kTodayGroup{"今日强势股票跟踪", {3, 2, 357, 141}};
inline constexpr Box kTodayList{10, 22, 342, 113};
inline constexpr Labelled kNewsGroup{"股票资讯", {3, 144, 357, 172}};
inline constexpr Box kNewsList{10, 164, 342, 144};
inline constexpr Labelled kHistoryGroup{"历史数据跟踪", {3, 316, 357, 185}};
inline constexpr Box kHistoryList{10, 336, 342, 157};

// Today and history lists alike; the hidden columns are seen only in the detail panel.
inline constexpr std::array<Column, 6> kRecommendationColumns = {{
    {"推荐时间", 140, Align::kLeft},
    {"股票代码", 92, Align::kCentre},
    {"操作方式", 92, Align::kCentre},
    {"支撑位", 0, Align::kLeft},
    {"阻力位", 0, Align::kLeft},
    {"备注", 0, Align::kLeft},
}};
inline constexpr std::array<Column, 6> kNewsColumns = {{
    {"推荐时间", 140, Align::kLeft},
    {"资讯内容", 0, Align::kLeft},
    {"字体名称", 0, Align::kLeft},
    {"字体大小", 0, Align::kLeft},
    {"字体颜色", 0, Align::kLeft},
    {"资讯标题", 184, Align::kCentre},
}};

inline constexpr Labelled kDetailGroup{"详细内容（选择左侧项目显示全部信息）", {364, 2, 581, 499}};
inline constexpr Box kDetailTabs{6, 20, 568, 469};
// The pages are switched by the program (a picked item shows its page); their tab captions.
inline constexpr std::array<std::string_view, 2> kDetailTabCaptions = {"推荐详情", "资讯详情"};

// Page 1, a recommendation: five labels (their texts are replaced by the detail), the remark
// box's heading and the read-only multi-line remark box.
inline constexpr std::array<Labelled, 5> kRecommendationLabels = {{
    {"推荐时间：", {5, 3, 275, 18}},
    {"推荐代码：", {5, 42, 275, 18}},
    {"操作方式：", {5, 81, 275, 18}},
    {"支 撑 位：", {5, 120, 275, 18}},
    {"阻 力 位：", {5, 159, 275, 18}},
}};
inline constexpr Labelled kRemarkHeading{"↓备注↓", {252, 197, 64, 18}};
inline constexpr Box kRemarkBox{0, 226, 568, 242};

// Page 2, an announcement: time and title labels, the content box's heading and the read-only
// multi-line content box (which takes each announcement's font, size and colour).
inline constexpr Labelled kNewsTimeLabel{"推荐时间:", {5, 19, 275, 18}};
inline constexpr Labelled kNewsTitleLabel{"资讯标题:", {5, 78, 275, 18}};
inline constexpr Labelled kNewsContentHeading{"↓资讯内容↓", {244, 139, 80, 18}};
inline constexpr Box kNewsContentBox{0, 170, 568, 298};

// Where the parts of the page that follow its window's size go: the detail panel (its tab control
// placed in the detail group, as designed) and the history list in its group.
struct FeedPagePlaces {
  Box detail_group;
  Box detail_tabs;
  Box remark_box;
  Box history_group;
  Box history_list;
};

}  // namespace velmora::ui
