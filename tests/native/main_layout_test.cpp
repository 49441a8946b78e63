// The main window's resize rule, the pop-up's place on the screen, the feed page's design, and
// the browser pages configured by the service.
#include <gtest/gtest.h>

#include <string>

#include "canned_gateway.h"
#include "gateway/rc4.h"
#include "ui/browser_pages.h"
#include "feeds/feed_layout.h"
#include "ui/main_layout.h"
#include "feeds/popup_layout.h"

namespace velmora::ui {
namespace {

using velmora::testing::CannedGateway;
using velmora::testing::ServiceAnswer;

// left, top, width, height
std::array<int, 4> Of(Box b) { return {b.left, b.top, b.width, b.height}; }

TEST(MainLayout, ResizeRuleAroundTheThresholds) {
  struct Case {
    int width, height;
    std::array<int, 4> detail_group, detail_tabs, remark_box, history_group, history_list, browser, strip;
  };
  const Case cases[] = {
      // At or below the design: the design geometry.
      {950, 611, {364, 2, 581, 499}, {6, 20, 568, 469}, {0, 226, 568, 242}, {3, 316, 357, 185}, {10, 336, 342, 157},
       {0, 0, 948, 470}, {0, 470, 948, 32}},
      {600, 300, {364, 2, 581, 499}, {6, 20, 568, 469}, {0, 226, 568, 242}, {3, 316, 357, 185}, {10, 336, 342, 157},
       {0, 0, 948, 470}, {0, 470, 948, 32}},
      // One pixel wider than 950: the width formulas, one pixel narrower than the design.
      {951, 611, {364, 2, 580, 499}, {6, 20, 567, 469}, {0, 226, 567, 242}, {3, 316, 357, 185}, {10, 336, 342, 157},
       {0, 0, 948, 470}, {0, 470, 948, 32}},
      // From 612 on the height formulas, which give the design heights there.
      {950, 612, {364, 2, 581, 499}, {6, 20, 568, 469}, {0, 226, 568, 242}, {3, 316, 357, 185}, {10, 336, 342, 157},
       {0, 0, 948, 470}, {0, 470, 948, 32}},
      {1280, 800, {364, 2, 909, 687}, {6, 20, 896, 657}, {0, 226, 896, 430}, {3, 316, 357, 373}, {10, 336, 342, 345},
       {0, 0, 1277, 658}, {0, 658, 1277, 32}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const MainResize r = ResizeMainWindow(c.width, c.height);
    EXPECT_EQ(Of(r.detail_group), c.detail_group);
    EXPECT_EQ(Of(r.detail_tabs), c.detail_tabs);
    EXPECT_EQ(Of(r.remark_box), c.remark_box);
    EXPECT_EQ(Of(r.history_group), c.history_group);
    EXPECT_EQ(Of(r.history_list), c.history_list);
    EXPECT_EQ(Of(r.browser), c.browser);
    EXPECT_EQ(Of(r.browser_strip), c.strip);
  }
}

TEST(MainLayout, FeedPageDesignFitsTogether) {
  // Each list lies inside its group box; the columns stack without gaps; the detail panel ends
  // where the history group does, inside the page.
  const std::pair<Labelled, Box> lists[] = {{kTodayGroup, kTodayList}, {kNewsGroup, kNewsList},
                                            {kHistoryGroup, kHistoryList}};
  for (const auto& [group, list] : lists) {
    SCOPED_TRACE(std::string(group.caption));
    EXPECT_GT(list.left, group.box.left);
    EXPECT_GT(list.top, group.box.top);
    EXPECT_LT(list.left + list.width, group.box.left + group.box.width);
    EXPECT_LT(list.top + list.height, group.box.top + group.box.height);
    EXPECT_EQ(list.width, 342);
  }
  EXPECT_EQ(kTodayGroup.box.top + kTodayGroup.box.height + 1, kNewsGroup.box.top);
  EXPECT_EQ(kNewsGroup.box.top + kNewsGroup.box.height, kHistoryGroup.box.top);
  EXPECT_EQ(kHistoryGroup.box.top + kHistoryGroup.box.height, kDetailGroup.box.top + kDetailGroup.box.height);
  EXPECT_LT(kHistoryGroup.box.left + kHistoryGroup.box.width, kDetailGroup.box.left);
  EXPECT_LE(kDetailGroup.box.left + kDetailGroup.box.width, kFeedPageSize.width);

  int visible = 0;
  for (const Column& c : kRecommendationColumns) visible += c.width;
  EXPECT_EQ(visible, 140 + 92 + 92);
  EXPECT_EQ(kNewsColumns[0].width + kNewsColumns[5].width, 140 + 184);
}

TEST(PopupLayout, BottomRightOfTheMainWindowsMonitor) {
  struct Case {
    MonitorRect monitor;
    int dpi;
    std::array<int, 4> box;
  };
  const Case cases[] = {
      {{0, 0, 1024, 768}, 96, {720, 382, 302, 358}},            // the designed screen: 2 right, 28 up
      {{-1280, 0, 0, 1024}, 96, {-304, 638, 302, 358}},         // a monitor left of the primary one
      {{1920, -200, 4480, 1240}, 144, {4024, 661, 453, 537}},  // above and right, at 150 %
  };
  for (const Case& c : cases) {
    const Box b = PopupPlacement(c.monitor, Dpi{c.dpi});
    EXPECT_EQ(Of(b), c.box) << c.monitor.left << "," << c.monitor.top;
  }
}

TEST(BrowserPages, CaptionsAndAddressesAlternateAndAreDeciphered) {
  const std::string sql =
      "select 表头一,地址一,表头二,地址二,表头三,地址三,表头四,地址四,表头五,地址五,表头六,地址六 from rconfig "
      "where 编号=1";
  std::vector<std::string> names, values;
  for (int page = 1; page <= 6; ++page) {
    names.push_back("表头" + std::to_string(page));
    names.push_back("地址" + std::to_string(page));
    values.push_back(Rc4HexEncode("页面" + std::to_string(page)));
    values.push_back(Rc4HexEncode("http://example.com/" + std::to_string(page)));
  }
  values[3] = "not hex";  // a corrupt stored address shows as nothing
  CannedGateway gateway;
  gateway.answers[sql] = ServiceAnswer({names, values});
  const auto pages = ReadBrowserPages(gateway);
  ASSERT_TRUE(pages);
  EXPECT_EQ(pages->captions[0], "页面1");
  EXPECT_EQ(pages->addresses[0], "http://example.com/1");
  EXPECT_EQ(pages->captions[1], "页面2");
  EXPECT_EQ(pages->addresses[1], "");
  EXPECT_EQ(pages->captions[5], "页面6");
  EXPECT_EQ(pages->addresses[5], "http://example.com/6");

  const auto tabs = BannerTabs(*pages, L"C:\\Jörg\\股票");
  EXPECT_EQ(tabs[0].caption, "预警管理");
  EXPECT_EQ(tabs[0].icon_path, L"C:\\Jörg\\股票\\ico\\1.ico");
  EXPECT_EQ(tabs[3].caption, "页面3");
  EXPECT_EQ(tabs[6].caption, "页面6");
  EXPECT_EQ(tabs[6].icon_path, L"C:\\Jörg\\股票\\ico\\7.ico");

  // Only the column names, or no answer: nothing to replace the earlier captions with.
  gateway.answers[sql] = ServiceAnswer({names});
  EXPECT_FALSE(ReadBrowserPages(gateway));
  gateway.answers.clear();
  EXPECT_FALSE(ReadBrowserPages(gateway));
  EXPECT_EQ(BannerTabs(BrowserPages{}, L"C:")[2].caption, "");
}

}  // namespace
}  // namespace velmora::ui
