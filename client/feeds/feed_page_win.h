// The feed page: today's recommendations, the news and the older recommendations in three lists
// on the left, the detail panel on the right, and the poll timer that keeps the lists current.
// It is made as a hidden pop-up without owner; the main window adopts it as its first tab page
// and tells it its own size on every change (Relayout).
//
// The poll cycle waits for the service with the thread's messages flowing, so anything, the
// page's destruction included, may happen while a cycle is out. The poller and the link it
// talks through therefore live in a context shared with the running cycle, never in the page
// alone; the page only borrows them.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "feeds/feed_layout.h"
#include "feeds/feed_poller.h"
#include "feeds/feed_rows.h"
#include "gateway/gateway_client.h"
#include "runtime/handles_win.h"
#include "toolkit/window_win.h"

namespace velmora::win {

class FeedPage final : public Window {
 public:
  // A new item to announce (the page opens nothing itself).
  using PopupCallback = std::function<void(const LatestItem& item, bool play_sound)>;
  // The user has been told that the session is over: mark the account offline and end the
  // program. The page may be destroyed inside the call; it touches nothing of itself afterwards.
  using SignedOutCallback = std::function<void()>;

  static constexpr wchar_t kClassName[] = L"VelmoraFeedPage";
  static constexpr UINT_PTR kPollTimerId = 1;

  enum ControlId : int {
    kTodayGroupId = 100,
    kTodayListId,
    kNewsGroupId,
    kNewsListId,
    kHistoryGroupId,
    kHistoryListId,
    kDetailGroupId,
    kDetailTabsId,
    kRecommendationLabelId = 120,  // five labels: 120 to 124
    kRemarkHeadingId = 125,
    kRemarkBoxId,
    kNewsTimeLabelId = 130,
    kNewsTitleLabelId,
    kNewsContentHeadingId,
    kNewsContentBoxId,
  };
  enum class DetailPage { kRecommendation = 0, kNews = 1 };

  // Makes the page, loads both feeds from `gateway` (the window keeps working while the service
  // answers) and starts polling every State().poll_seconds; `gateway` must outlive the page.
  // Empty callbacks: no pop-up; on sign-out the account is marked offline and the thread's loop
  // is told to quit. The message that the session is over is owned by `message_owner` (the
  // login window), if any. Null when the window could not be made or was destroyed during the load.
  static std::unique_ptr<FeedPage> Create(GatewayClient& gateway, PopupCallback on_popup = {},
                                          SignedOutCallback on_signed_out = {}, HWND message_owner = nullptr);
  ~FeedPage() override;

  // The window holding the page changed its size: the detail panel and the history list go
  // where it says.
  void Relayout(const ui::FeedPagePlaces& r);
  // The window holding the page was told a new DPI: the parts that do not follow its size (the
  // today and news lists, their groups, the columns, the detail pages' labels, the news font)
  // go where the design puts them at it. Relayout places the rest.
  void PlaceAtWindowDpi();

  // No more polling; a running cycle ends without touching the lists.
  void Stop();
  // A poll cycle now rather than at the next tick (after the machine resumed, say); nothing when
  // the page does not poll. It runs from the page's queue, never inside the caller.
  void PollNow();

  HWND Control(int id) const { return GetDlgItem(hwnd(), id); }
  HWND TodayList() const { return Control(kTodayListId); }
  HWND HistoryList() const { return Control(kHistoryListId); }
  HWND NewsList() const { return Control(kNewsListId); }
  static std::vector<FeedRow> Rows(HWND list);
  DetailPage ShownDetailPage() const { return shown_page_; }
  // The colour the news content box is drawn in (0x00BBGGRR).
  COLORREF NewsColour() const { return news_colour_; }
  // The poll timer's period in milliseconds; 0 when the page does not poll.
  int64_t PollPeriodMs() const { return poll_period_ms_; }

 private:
  struct PollContext;

  FeedPage(GatewayClient& gateway, PopupCallback on_popup, SignedOutCallback on_signed_out, HWND message_owner);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  // Window events.
  void CreateControls();
  void OnPollTimer();
  LRESULT OnNotify(const NMHDR& header);
  LRESULT OnStaticColour(HDC dc, HWND control);
  void OnDestroy();

  // Lists (feed_page_win.cpp).
  void Load();
  void Apply(const FeedAction& action);
  void EndSession(const std::string& message);

  // Detail panel (feed_detail_win.cpp).
  void CreateDetailPanel();
  void ShowDetailPage(DetailPage page);
  void ShowRecommendationDetail(HWND list);
  void ShowNewsDetail();
  void PlaceDetailBoxes(int remark_width, int remark_height);
  void PlaceDetailLabels();
  void MakeNewsFont();
  RECT DetailPageArea() const;  // the tab control's page area, in page coordinates

  PopupCallback on_popup_;
  SignedOutCallback on_signed_out_;
  HWND message_owner_;
  std::shared_ptr<PollContext> context_;
  int64_t poll_period_ms_ = 0;
  DetailPage shown_page_ = DetailPage::kRecommendation;
  COLORREF news_colour_ = RGB(0, 0, 0);
  GdiObjectOwner<HFONT> news_font_;
  std::string news_font_name_;  // GBK; the shown announcement's font, remade at a new DPI
  int news_font_points_ = 0;
  HBRUSH box_brush_ = GetSysColorBrush(COLOR_WINDOW);
};

}  // namespace velmora::win
