// The feed page in this process against a real gateway: the service's database is changed with
// the native admin tool and sqlite3 between poll ticks (1 s apart), and the page's lists, detail
// panel, pop-up requests and sign-out are read back from its windows and callbacks.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/process_state.h"
#include "feeds/feed_page_win.h"
#include "feeds/popup.h"
#include "gateway/gateway_client.h"
#include "gateway/transport.h"
#include "runtime/gbk_win.h"
#include "feeds/feed_layout.h"
#include "ui/main_layout.h"
#include "toolkit/message_box_win.h"
#include "ui/settings_layout.h"
#include "ui/settings_window_win.h"
#include "toolkit/window_win.h"
#include "box_answerer.h"
#include "fits_check.h"
#include "thread_windows.h"
#include "memory_profile_store.h"
#include "wine_service.h"

namespace velmora::feed_page_test {
namespace {

using testing::BoxAnswerer;
using testing::Service;
using testing::Utf8;
using Page = win::FeedPage;
using win::WindowTextGbk;

constexpr int kHandle = 23456;  // the session handle the test's "login" stored

bool g_quit_seen = false;

// Runs this thread's messages until `done` holds or `limit` has passed; whether it held.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const ULONGLONG end = GetTickCount64() + ULONGLONG(limit.count());
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        g_quit_seen = true;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}
void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

std::string Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
  return text;
}

struct Popup {
  LatestItem item;
  bool sound = false;
};

class FeedPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.Ready()) << service_.Log();
    ASSERT_EQ(service_.Admin("set poll-seconds 1"), 0);
    // Known feeds instead of the demo's; the demo account is "signed in" with a known handle.
    ASSERT_EQ(service_.Query(Utf8(u8"delete from Latest1; delete from config2; "
                                  u8"update account set 句柄=23456, 在线=1 where 账号='demo'; select changes()")),
              "1");
    State().session = SessionRecord{"demo", kHandle};
    State().poll_seconds = 1;
    State().popup_on_new_message = 1;
    State().sound_on_new_message = 1;
    SetTransportLimits({std::chrono::seconds(3), std::chrono::minutes(1)});
    g_quit_seen = false;
  }
  void TearDown() override {
    page_.reset();
    if (stand_in_login_) DestroyWindow(stand_in_login_);
    PumpFor(std::chrono::milliseconds(50));
    SetTransportLimits({});
  }

  // Starts the gateway, connects the process to it and makes the page; with `default_sign_out`
  // the page signs out as it does without a main window.
  void Open(bool default_sign_out = false) {
    listen_page_ = service_.Start();
    ASSERT_NE(listen_page_, "") << service_.GatewayLog();
    ASSERT_TRUE(gateway_.Connect(listen_page_, BuiltInRequestKey())) << service_.GatewayLog();
    Page::SignedOutCallback signed_out;
    if (!default_sign_out) signed_out = [this] { ++signed_out_; };
    if (!stand_in_login_) {
      stand_in_login_ = CreateWindowExW(0, L"STATIC", L"login", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                        nullptr);
    }
    page_ = Page::Create(gateway_, [this](const LatestItem& item, bool sound) { popups_.push_back({item, sound}); },
                             std::move(signed_out), stand_in_login_);
    ASSERT_NE(page_, nullptr) << "the page's window was not made: error " << GetLastError();
  }
  int Admin(std::u8string_view arguments) { return service_.Admin(Utf8(arguments)); }
  std::vector<FeedRow> Today_() const { return Page::Rows(page_->TodayList()); }
  std::vector<FeedRow> History() const { return Page::Rows(page_->HistoryList()); }
  std::vector<FeedRow> News() const { return Page::Rows(page_->NewsList()); }
  std::string Text(int id) const { return WindowTextGbk(page_->Control(id)); }
  // Waits for a list to reach `count` rows (a few poll ticks at most).
  bool WaitForCount(HWND list, size_t count) {
    return PumpUntil([&] { return Page::Rows(list).size() == count; }, std::chrono::seconds(8));
  }

  Service service_{"feed"};
  std::string listen_page_;
  GatewayClient gateway_{ThisPlatform()};  // this test's own, outliving the page
  HWND stand_in_login_ = nullptr;          // hidden, as the login window is while signed in
  std::unique_ptr<Page> page_;
  std::vector<Popup> popups_;
  int signed_out_ = 0;
};

// --- Load, detail panel, layout ---

TEST_F(FeedPage, LoadSplitsAtMidnightSortsAndShowsDecodedColumns) {
  const std::string today = Today();
  for (const std::string& time : std::vector<std::string>{"2020-01-03 10:00:00", today + " 00:00:02", "2020-01-01 09:00:00",
                                  today + " 00:00:00", today + " 00:00:01"}) {
    ASSERT_EQ(Admin(u8"recommend 600519 买入 1700 1800 '放量突破' --time '" + std::u8string(time.begin(), time.end()) + u8"'"), 0);
  }
  ASSERT_EQ(Admin(u8"announce 旧标题 旧内容 --font 宋体 --size 9 --colour 0"), 0);
  ASSERT_EQ(Admin(u8"announce 新标题 '新的资讯内容' --font 黑体 --size 12 --colour 255"), 0);
  ASSERT_NO_FATAL_FAILURE(Open());

  const auto times = [](const std::vector<FeedRow>& rows) {
    std::vector<std::string> out;
    for (const FeedRow& row : rows) out.push_back(row[0]);
    return out;
  };
  EXPECT_EQ(times(Today_()), (std::vector<std::string>{today + " 00:00:01", today + " 00:00:02"}));
  // An item at midnight exactly is old.
  EXPECT_EQ(times(History()),
            (std::vector<std::string>{"2020-01-01 09:00:00", "2020-01-03 10:00:00", today + " 00:00:00"}));
  ASSERT_EQ(History().size(), 3u);
  EXPECT_EQ(History()[0], (FeedRow{"2020-01-01 09:00:00", "600519", "买入", "1700", "1800", "放量突破"}));

  const auto news = News();
  ASSERT_EQ(news.size(), 2u);  // newest first
  EXPECT_EQ((FeedRow{"", news[0][1], news[0][2], news[0][3], news[0][4], news[0][5]}),
            (FeedRow{"", "新的资讯内容", "黑体", "12", "255", "新标题"}));
  EXPECT_EQ(news[1][5], "旧标题");
  EXPECT_NE(news[0][0], "");

  EXPECT_EQ(page_->PollPeriodMs(), 1000);
  // The columns as designed: hidden ones carry text for the detail panel only.
  for (int column = 0; column < 6; ++column) {
    EXPECT_EQ(ListView_GetColumnWidth(page_->TodayList(), column), ui::kRecommendationColumns[size_t(column)].width);
    EXPECT_EQ(ListView_GetColumnWidth(page_->NewsList(), column), ui::kNewsColumns[size_t(column)].width);
  }
  RECT size{};
  GetWindowRect(page_->hwnd(), &size);
  EXPECT_EQ(size.right - size.left, 948);
  EXPECT_EQ(size.bottom - size.top, 502);
  EXPECT_EQ(GetWindow(page_->hwnd(), GW_OWNER), nullptr);
  EXPECT_EQ(Text(Page::kTodayGroupId), "今日强势股票跟踪");
  EXPECT_EQ(Text(Page::kDetailGroupId), "详细内容（选择左侧项目显示全部信息）");
}

void Select(HWND list, int index) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index >= 0) ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}
// A click in the list as the list reports it.
void Click(Page& page, HWND list) {
  NMHDR header{list, UINT_PTR(GetDlgCtrlID(list)), UINT(NM_CLICK)};
  SendMessageW(page.hwnd(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

TEST_F(FeedPage, PickedItemsFillTheirDetailPage) {
  ASSERT_EQ(Admin(u8"recommend 000001 卖出 10.5 12.8 '第一行\r\n第二行' --time '2020-02-02 10:00:00'"), 0);
  ASSERT_EQ(Admin(u8"recommend 600000 买入 9 11 '备注二' --time '2020-02-03 10:00:00'"), 0);
  ASSERT_EQ(Admin(u8"announce 资讯标题一 '资讯正文' --font 黑体 --size 12 --colour 0x0A0B0C"), 0);
  ASSERT_NO_FATAL_FAILURE(Open());

  Select(page_->HistoryList(), 0);
  EXPECT_EQ(page_->ShownDetailPage(), Page::DetailPage::kRecommendation);
  const std::vector<std::string> labels = {"推荐时间：2020-02-02 10:00:00", "推荐代码：000001", "操作方式：卖出",
                                           "支 撑 位：10.5", "阻 力 位：12.8"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Text(Page::kRecommendationLabelId + i), labels[size_t(i)]);
  EXPECT_EQ(Text(Page::kRemarkBoxId), "第一行\r\n第二行");
  EXPECT_TRUE(IsWindowVisible(page_->Control(Page::kRemarkBoxId)) || !IsWindowVisible(page_->hwnd()));
  EXPECT_FALSE(GetWindowLongPtrW(page_->Control(Page::kNewsContentBoxId), GWL_STYLE) & WS_VISIBLE);

  // News: page 2, in the announcement's font, size and colour.
  Select(page_->NewsList(), 0);
  EXPECT_EQ(page_->ShownDetailPage(), Page::DetailPage::kNews);
  EXPECT_EQ(TabCtrl_GetCurSel(page_->Control(Page::kDetailTabsId)), 1);
  EXPECT_EQ(Text(Page::kNewsTimeLabelId), "推荐时间：" + News()[0][0]);
  EXPECT_EQ(Text(Page::kNewsTitleLabelId), "资讯标题：资讯标题一");
  HWND content = page_->Control(Page::kNewsContentBoxId);
  EXPECT_EQ(WindowTextGbk(content), "资讯正文");
  EXPECT_EQ(page_->NewsColour(), COLORREF(0x0A0B0C));
  LOGFONTW font{};
  ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(content, WM_GETFONT, 0, 0)), sizeof font, &font));
  EXPECT_EQ(win::WideToGbk(font.lfFaceName), "黑体");
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(GetWindowLongPtrW(content, GWL_STYLE) & WS_VISIBLE);

  // Back to a recommendation: a click without a selection switches the page and keeps the texts.
  Select(page_->TodayList(), -1);
  Click(*page_, page_->TodayList());
  EXPECT_EQ(page_->ShownDetailPage(), Page::DetailPage::kRecommendation);
  EXPECT_EQ(Text(Page::kRecommendationLabelId + 1), "推荐代码：000001");
  EXPECT_EQ(Text(Page::kRemarkBoxId), "第一行\r\n第二行");
}

RECT RectIn(HWND parent, HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
bool SameBox(const RECT& r, ui::Box b) {
  return r.left == b.left && r.top == b.top && r.right - r.left == b.width && r.bottom - r.top == b.height;
}

TEST_F(FeedPage, RelayoutFollowsTheMainWindowSize) {
  ASSERT_NO_FATAL_FAILURE(Open());
  for (const auto& [w, h] : {std::pair{1200, 800}, std::pair{950, 611}, std::pair{951, 612}, std::pair{1400, 900}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const ui::MainResize r = ui::ResizeMainWindow(w, h);
    page_->Relayout(ui::FeedPlaces(r));
    HWND p = page_->hwnd();
    EXPECT_TRUE(SameBox(RectIn(p, page_->Control(Page::kDetailGroupId)), r.detail_group));
    ui::Box tabs = r.detail_tabs;
    tabs.left += r.detail_group.left;
    tabs.top += r.detail_group.top;
    const RECT tab_rect = RectIn(p, page_->Control(Page::kDetailTabsId));
    EXPECT_TRUE(SameBox(tab_rect, tabs));
    EXPECT_TRUE(SameBox(RectIn(p, page_->HistoryList()), r.history_list));
    EXPECT_TRUE(SameBox(RectIn(p, page_->Control(Page::kHistoryGroupId)), r.history_group));
    // The remark box grows with the window but stays inside the tab control's page.
    const RECT remark = RectIn(p, page_->Control(Page::kRemarkBoxId));
    EXPECT_GE(remark.left, tab_rect.left);
    EXPECT_LE(remark.right, tab_rect.right);
    EXPECT_LE(remark.bottom, tab_rect.bottom);
    EXPECT_GT(remark.right - remark.left, r.remark_box.width - 12);
    EXPECT_GT(remark.bottom - remark.top, r.remark_box.height - 40);
    // Not moved: the news list and content box.
    EXPECT_TRUE(SameBox(RectIn(p, page_->NewsList()), ui::kNewsList));
  }
}

// At the screen's DPI (run again at 144 and 192): the page at its design size and larger, every
// control inside the page with its caption whole, the lists' columns as wide as the design's.
TEST_F(FeedPage, EveryControlFitsAtTheScreensDpi) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const Dpi dpi = win::WindowDpi(page_->hwnd());
  for (const auto& [w, h] : {std::pair{951, 612}, std::pair{1200, 800}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    // The page fills the main window's client panel, 3 narrower and 110 lower than the window.
    SetWindowPos(page_->hwnd(), nullptr, 0, 0, Scale(w - 3, dpi), Scale(h - 110, dpi), SWP_NOMOVE | SWP_NOZORDER);
    page_->Relayout(ui::FeedPlaces(ui::ResizeMainWindow(w, h)));
    testing::ExpectEveryControlFits(page_->hwnd(), dpi);
  }
  EXPECT_EQ(SendMessageW(page_->TodayList(), LVM_GETCOLUMNWIDTH, 0, 0), Scale(140, dpi));
  EXPECT_EQ(SendMessageW(page_->NewsList(), LVM_GETCOLUMNWIDTH, 5, 0), Scale(184, dpi));
}

// --- The copy guard on both detail boxes ---

std::wstring ClipboardText() {
  std::wstring text = L"<none>";
  if (!OpenClipboard(nullptr)) return L"<closed>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}
bool PutOnClipboard(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  const bool ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  return ok;
}

bool g_menu_seen = false;
void CALLBACK CloseMenus(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND menu = velmora::testing::ThreadWindowOfClass(L"#32768", true)) {
    g_menu_seen = true;
    EndMenu();
    (void)menu;
  }
}
// Whether a context-menu request to `box` opened a menu.
bool ContextMenuOpens(HWND box) {
  g_menu_seen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseMenus);
  RECT r{};
  GetWindowRect(box, &r);
  SendMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(r.left + 5, r.top + 5));
  PumpFor(std::chrono::milliseconds(100));
  KillTimer(nullptr, timer);
  return g_menu_seen;
}

TEST_F(FeedPage, DetailBoxesGuardTheirTextFromCopying) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ShowWindow(page_->hwnd(), SW_SHOWNA);
  // A box without the guard, to show what the guard takes away.
  HWND plain = win::CreateControl(page_->hwnd(), L"EDIT", "x", ES_MULTILINE | ES_READONLY, RECT{0, 0, 50, 50}, 999);
  ASSERT_NE(SendMessageW(plain, EM_GETHANDLE, 0, 0), 0);
  const bool plain_menu = ContextMenuOpens(plain);

  for (int id : {Page::kRemarkBoxId, Page::kNewsContentBoxId}) {
    SCOPED_TRACE(id);
    HWND box = page_->Control(id);
    ShowWindow(box, SW_SHOWNA);
    // C alone, before any Ctrl: the clipboard keeps its text.
    ASSERT_TRUE(PutOnClipboard(L"机密"));
    SendMessageW(box, WM_KEYUP, 'C', 0);
    EXPECT_EQ(ClipboardText(), L"机密");
    // Ctrl once; from then on every release of C empties the clipboard, Ctrl held or not.
    SendMessageW(box, WM_KEYDOWN, VK_CONTROL, 0);
    SendMessageW(box, WM_KEYUP, VK_CONTROL, 0);
    SendMessageW(box, WM_KEYUP, 'C', 0);
    EXPECT_EQ(ClipboardText(), L"");
    ASSERT_TRUE(PutOnClipboard(L"又一次"));
    SendMessageW(box, WM_KEYUP, 'C', 0);
    EXPECT_EQ(ClipboardText(), L"");
    // The text buffer's handle and the context menu are withheld.
    EXPECT_EQ(SendMessageW(box, EM_GETHANDLE, 0, 0), 0);
    if (plain_menu) {
      EXPECT_FALSE(ContextMenuOpens(box));
    }
  }
  DestroyWindow(plain);
  if (!plain_menu) GTEST_SKIP() << "this system's edit boxes have no context menu to withhold";
}

// --- Polling ---

struct PollCase {
  const char* name;
  std::u8string admin;  // a shell line, where "$admin" is velmora-admin (its --db given after it)
  int popup_setting;
  size_t today, history, news;  // list sizes afterwards (from empty lists)
  const char* top;              // the new row's caption (today, history) or title (news)
  bool popup;
};

TEST_F(FeedPage, NewItemsGoToTheTopOfTheirListAndRaiseThePopUp) {
  const std::string today = Today();
  const std::u8string t8(today.begin(), today.end());
  const PollCase cases[] = {
      {"today's recommendation", u8"$admin --db db recommend 600000 买入 9 11 今日 --time '" + t8 + u8" 00:00:05'",
       1, 1, 0, 0, "00:00:05", true},
      {"older recommendation", u8"$admin --db db recommend 600001 卖出 9 11 旧的 --time '2021-03-04 05:06:07'",
       1, 0, 1, 0, "2021-03-04 05:06:07", false},
      {"at midnight exactly", u8"$admin --db db recommend 600002 卖出 9 11 零点 --time '" + t8 + u8" 00:00:00'",
       1, 0, 1, 0, "00:00:00", false},
      {"announcement", u8"$admin --db db announce 新资讯 正文内容 --font 黑体 --size 11 --colour 255",
       1, 0, 0, 1, "新资讯", true},
      // Both rows reach the service's table in one statement (made by the admin in a scratch
      // database first): two admin runs would leave a poll a moment to see the first alone.
      {"two recommendations: only the newer",
       u8"rm -f two && $admin --db two init >/dev/null && $admin --db two recommend 600003 买入 1 2 先 --time '" + t8 +
           u8" 00:00:06' >/dev/null && $admin --db two recommend 600004 买入 1 2 后 --time '" + t8 +
           u8" 00:00:07' >/dev/null && sqlite3 db \"ATTACH 'two' AS two; INSERT INTO Latest1(推荐时间,股票代码,"
           u8"操作方式,支撑位,阻力位,备注) SELECT 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 FROM two.Latest1 "
           u8"ORDER BY 编号\"",
       1, 1, 0, 0, "00:00:07", true},
      {"pop-up switched off", u8"$admin --db db recommend 600005 买入 9 11 静默 --time '" + t8 + u8" 00:00:08'",
       0, 1, 0, 0, "00:00:08", false},
  };
  ASSERT_NO_FATAL_FAILURE(Open());
  for (const PollCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Each case starts from empty lists.
    ASSERT_EQ(service_.Query("delete from Latest1; delete from config2; select 1"), "1");
    ASSERT_TRUE(PumpUntil([&] { return Today_().empty() && History().empty() && News().empty(); },
                          std::chrono::seconds(8)));
    popups_.clear();
    State().popup_on_new_message = c.popup_setting;
    ASSERT_EQ(service_.Sh(std::string("admin='") + VELMORA_NATIVE_BUILD_DIR + "/admin/velmora-admin'\n" +
                          Utf8(c.admin) + " >/dev/null"),
              0)
        << service_.Log();
    ASSERT_TRUE(PumpUntil([&] { return Today_().size() + History().size() + News().size() == 1; },
                          std::chrono::seconds(8)));
    PumpFor(std::chrono::milliseconds(1300));  // one more tick: nothing else arrives
    EXPECT_EQ(Today_().size(), c.today);
    EXPECT_EQ(History().size(), c.history);
    EXPECT_EQ(News().size(), c.news);
    const std::vector<FeedRow> list = c.news ? News() : c.today ? Today_() : History();
    ASSERT_EQ(list.size(), 1u);
    const std::string& shown = c.news ? list[0][5] : list[0][0];
    EXPECT_NE(shown.find(c.top), std::string::npos) << shown;
    ASSERT_EQ(popups_.size(), c.popup ? 1u : 0u);
    if (c.popup) {
      EXPECT_TRUE(popups_[0].sound);
      const PopupContent content = DescribePopup(popups_[0].item);
      if (c.news) {
        EXPECT_EQ(popups_[0].item.kind, FeedKind::kNews);
        EXPECT_EQ(content.news.title_label, "资讯标题：新资讯");
        EXPECT_EQ(content.news.content, "正文内容");
      } else {
        EXPECT_EQ(popups_[0].item.kind, FeedKind::kRecommendation);
        EXPECT_EQ(content.recommendation.labels[0], "推荐时间：" + list[0][0]);
        EXPECT_EQ(content.recommendation.labels[1], "推荐代码：" + list[0][1]);
      }
    }
  }
}

TEST_F(FeedPage, NewItemsGoAboveEarlierOnes) {
  ASSERT_EQ(Admin(u8"recommend 600010 买入 1 2 一 --time '2020-01-01 00:00:01'"), 0);
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_EQ(Admin(u8"recommend 600011 买入 1 2 二 --time '2019-01-01 00:00:01'"), 0);
  ASSERT_TRUE(WaitForCount(page_->HistoryList(), 2));
  // Inserted at the top, not sorted in.
  EXPECT_EQ(History()[0][1], "600011");
  EXPECT_EQ(History()[1][1], "600010");
}

// The user unticks the sound box in the settings window while the client runs: the next new
// item still pops up, without its sound.
void CALLBACK UntickSoundAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = testing::ThreadWindowOfClass(win::kSettingsWindowClass, true);
  if (!window) return;
  KillTimer(nullptr, timer);
  SendMessageW(GetDlgItem(window, ui::kSoundSwitch), BM_CLICK, 0, 0);
  PostMessageW(window, WM_CLOSE, 0, 0);
}

TEST_F(FeedPage, ClearingTheSoundBoxInTheSettingsMakesTheNextItemSilent) {
  ASSERT_NO_FATAL_FAILURE(Open());
  velmora::testing::MemoryProfileStore store;
  const UINT_PTR user = SetTimer(nullptr, 0, 30, UntickSoundAndClose);
  win::ShowSettingsWindow(page_->hwnd(), store, win::SettingsDialogs{});
  KillTimer(nullptr, user);
  EXPECT_EQ(State().sound_on_new_message, 0);
  EXPECT_EQ(store.Read("syts"), "0");

  ASSERT_EQ(Admin(u8"recommend 600036 买入 30 33 '静音'"), 0);  // dated now: today's
  ASSERT_TRUE(PumpUntil([&] { return !popups_.empty(); }, std::chrono::seconds(8)));
  EXPECT_FALSE(popups_[0].sound);
  EXPECT_EQ(Today_().size(), 1u);
}

TEST_F(FeedPage, DeletingTheOnlyRecommendationEmptiesTheLists) {
  ASSERT_EQ(Admin(u8"recommend 600020 买入 1 2 唯一 --time '2020-01-01 00:00:01'"), 0);
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_EQ(History().size(), 1u);
  ASSERT_EQ(service_.Query("delete from Latest1; select changes()"), "1");
  ASSERT_TRUE(WaitForCount(page_->HistoryList(), 0));
  EXPECT_TRUE(Today_().empty());
  EXPECT_TRUE(popups_.empty());
}

TEST_F(FeedPage, AStoppedServiceChangesNothingAndPollingResumes) {
  ASSERT_EQ(Admin(u8"recommend 600030 买入 1 2 甲 --time '2020-01-01 00:00:01'"), 0);
  ASSERT_EQ(Admin(u8"announce 标题甲 内容甲"), 0);
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto history = History();
  const auto news = News();
  ASSERT_EQ(history.size(), 1u);
  const std::string address = listen_page_.substr(7, listen_page_.find('/', 7) - 7);  // host:port

  service_.Stop();
  BoxAnswerer answerer;
  PumpFor(std::chrono::milliseconds(3500));  // three ticks without a service
  EXPECT_EQ(History(), history);
  EXPECT_EQ(News(), news);
  EXPECT_TRUE(Today_().empty());
  EXPECT_EQ(signed_out_, 0);
  EXPECT_TRUE(testing::SeenBoxes().empty());
  EXPECT_EQ(page_->PollPeriodMs(), 1000);

  ASSERT_EQ(Admin(u8"recommend 600031 买入 1 2 乙 --time '2020-01-02 00:00:01'"), 0);
  ASSERT_EQ(service_.Start(address), listen_page_) << service_.GatewayLog();
  ASSERT_TRUE(WaitForCount(page_->HistoryList(), 2));
  EXPECT_EQ(History()[0][1], "600031");
  EXPECT_EQ(News(), news);
  EXPECT_EQ(signed_out_, 0);
}

// --- Presence ---

TEST_F(FeedPage, ALostSessionIsToldThenSignedOut) {
  struct Case {
    const char* name;
    std::u8string sql;
    const char* message;
    bool default_sign_out;
  } cases[] = {
      {"kicked by the administrator", u8"", "您的账户已被管理员下线，如有问题请联系我们客服！", true},
      {"signed in elsewhere", u8"update account set 句柄=34567 where 账号='demo'; select changes()",
       "您的账户已在别处登录，如有问题请联系我们客服！", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(service_.Query(Utf8(u8"update account set 句柄=23456, 在线=1 where 账号='demo'; select changes()")), "1");
    g_quit_seen = false;
    signed_out_ = 0;
    ASSERT_NO_FATAL_FAILURE(Open(c.default_sign_out));
    BoxAnswerer answerer;
    PumpFor(std::chrono::milliseconds(1300));
    EXPECT_TRUE(testing::SeenBoxes().empty());  // still signed in
    if (c.sql.empty()) {
      ASSERT_EQ(Admin(u8"account kick demo"), 0);
    } else {
      ASSERT_EQ(service_.Query(Utf8(c.sql)), "1");
    }
    ASSERT_TRUE(PumpUntil([&] { return !testing::SeenBoxes().empty() && (signed_out_ > 0 || g_quit_seen); },
                          std::chrono::seconds(8)));
    PumpFor(std::chrono::milliseconds(1300));  // no second cycle, no second message
    ASSERT_EQ(testing::SeenBoxes().size(), 1u);
    EXPECT_EQ(testing::SeenBoxes()[0].text, c.message);
    EXPECT_EQ(testing::SeenBoxes()[0].owner, stand_in_login_);
    EXPECT_EQ(page_->PollPeriodMs(), 0);
    if (c.default_sign_out) {
      EXPECT_TRUE(g_quit_seen);
      EXPECT_EQ(service_.Query(Utf8(u8"select 在线 from account where 账号='demo'")), "0");
    } else {
      EXPECT_EQ(signed_out_, 1);
      EXPECT_FALSE(g_quit_seen);
    }
    page_.reset();
    service_.Stop();
  }
}

}  // namespace
}  // namespace velmora::feed_page_test
