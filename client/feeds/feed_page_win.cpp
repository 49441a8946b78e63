#include "feeds/feed_page_win.h"

#include <commctrl.h>

#include <type_traits>
#include <utility>
#include <variant>

#include "app/process_state.h"
#include "feeds/feed_lists_win.h"
#include "gateway/off_thread_link.h"
#include "gateway/gateway_client.h"
#include "gateway/transport_win.h"
#include "runtime/com_win.h"
#include "session/presence.h"
#include "feeds/feed_layout.h"
#include "app/messages_win.h"

namespace velmora::win {

// What a poll cycle needs, shared between the page and any cycle under way: a cycle keeps it
// alive by a copy of the pointer, and learns that the page went when `page` is null.
struct FeedPage::PollContext {
  PollContext(GatewayClient& g, FeedPoller p) : gateway(g), poller(std::move(p)), link(g, {}, TransportWorkerScope) {}
  GatewayClient& gateway;
  FeedPoller poller;
  OffThreadLink link;
  FeedPage* page = nullptr;
};

namespace {


NotifyPrefs CurrentPrefs() {
  const ProcessState& state = State();
  return NotifyPrefs{state.popup_on_new_message == 1, state.sound_on_new_message == 1};
}

// Without a main window to do it: mark the account offline (without freezing on a silent
// service) and end the thread's loop.
void DefaultSignOut(GatewayClient& gateway) {
  OffThreadLink link(gateway, {}, TransportWorkerScope);
  MarkOffline(link, State().session.account);
  PostQuitMessage(0);
}

}  // namespace

FeedPage::FeedPage(GatewayClient& gateway, PopupCallback on_popup, SignedOutCallback on_signed_out,
                   HWND message_owner)
    : on_popup_(std::move(on_popup)),
      on_signed_out_(on_signed_out ? std::move(on_signed_out)
                                   : SignedOutCallback([&gateway] { DefaultSignOut(gateway); })),
      message_owner_(message_owner),
      context_(std::make_shared<PollContext>(gateway, FeedPoller(State().session, CurrentPrefs))) {
  context_->page = this;
}

FeedPage::~FeedPage() {
  Stop();
  // The boxes' fonts and the page's callbacks are members: the window goes while they are here.
  if (hwnd()) DestroyWindow(hwnd());
}

std::unique_ptr<FeedPage> FeedPage::Create(GatewayClient& gateway, PopupCallback on_popup,
                                           SignedOutCallback on_signed_out, HWND message_owner) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  std::unique_ptr<FeedPage> page(new FeedPage(gateway, std::move(on_popup), std::move(on_signed_out), message_owner));
  // Hidden until the main window shows it as its tab page.
  if (!page->Window::Create(kClassName, WS_POPUP | WS_CLIPCHILDREN, 0, "", ScaledPlacement(ui::kFeedPageSize),
                            nullptr)) {
    return nullptr;
  }
  page->Load();
  if (!page->hwnd()) return nullptr;
  return page;
}

LRESULT FeedPage::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_TIMER:
      if (wparam != kPollTimerId) break;
      OnPollTimer();
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_CTLCOLORSTATIC:
      return OnStaticColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      break;
  }
  return Window::OnMessage(message, wparam, lparam);
}

void FeedPage::CreateControls() {
  const HWND page = hwnd();
  // Lists first: the group boxes around them are sent below them afterwards.
  CreateFeedList(page, ui::kTodayList, ui::kRecommendationColumns, kTodayListId);
  CreateFeedList(page, ui::kNewsList, ui::kNewsColumns, kNewsListId);
  CreateFeedList(page, ui::kHistoryList, ui::kRecommendationColumns, kHistoryListId);
  const struct {
    const ui::Labelled& group;
    int id;
  } groups[] = {{ui::kTodayGroup, kTodayGroupId}, {ui::kNewsGroup, kNewsGroupId}, {ui::kHistoryGroup, kHistoryGroupId}};
  for (const auto& g : groups) {
    HWND box = CreateControl(page, L"BUTTON", std::string(g.group.caption), BS_GROUPBOX | WS_CLIPSIBLINGS,
                             DesignRect(page, g.group.box), g.id);
    SetWindowPos(box, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  CreateDetailPanel();
}

void FeedPage::Load() {
  const std::shared_ptr<PollContext> context = context_;
  const FeedLists lists = context->poller.Load(context->link, context->gateway.ServerNow());
  // The window may have gone while the service answered.
  if (!context->page || !hwnd()) return;
  ReplaceRows(TodayList(), lists.today);
  ReplaceRows(HistoryList(), lists.history);
  ReplaceRows(NewsList(), lists.news);
  poll_period_ms_ = PollTimerPeriodMs(State().poll_seconds);
  if (poll_period_ms_ > 0) SetTimer(hwnd(), kPollTimerId, UINT(poll_period_ms_), nullptr);
}

void FeedPage::PollNow() {
  if (poll_period_ms_ > 0 && hwnd()) PostMessageW(hwnd(), WM_TIMER, kPollTimerId, 0);
}

void FeedPage::OnPollTimer() {
  // The cycle holds its own reference: the page may be destroyed while a request is out.
  const std::shared_ptr<PollContext> context = context_;
  context->poller.Tick(context->link, [context](const FeedAction& action) {
    if (context->page) context->page->Apply(action);
  });
}

void FeedPage::Apply(const FeedAction& action) {
  std::visit(
      [this](const auto& a) {
        using A = std::decay_t<decltype(a)>;
        if constexpr (std::is_same_v<A, InsertRecommendation>) {
          InsertRowAtTop(a.today ? TodayList() : HistoryList(), a.row);
        } else if constexpr (std::is_same_v<A, InsertNews>) {
          InsertRowAtTop(NewsList(), a.row);
        } else if constexpr (std::is_same_v<A, ReplaceRecommendations>) {
          ReplaceRows(TodayList(), a.today);
          ReplaceRows(HistoryList(), a.history);
        } else if constexpr (std::is_same_v<A, ReplaceNews>) {
          ReplaceRows(NewsList(), a.news);
        } else if constexpr (std::is_same_v<A, ShowPopup>) {
          if (on_popup_) on_popup_(a.item, a.play_sound);
        } else if constexpr (std::is_same_v<A, velmora::SignOut>) {
          EndSession(a.message);
        }
      },
      action);
}

// The last thing a cycle does: the poller has stopped itself already.
void FeedPage::EndSession(const std::string& message) {
  KillTimer(hwnd(), kPollTimerId);
  poll_period_ms_ = 0;
  // Both survive the page, which may go while the message is shown or inside the callback.
  const std::shared_ptr<PollContext> context = context_;
  const SignedOutCallback signed_out = on_signed_out_;
  ShowMessage(message, IsWindow(message_owner_) ? message_owner_ : nullptr);
  // Closed meanwhile (the main window went, and with it the program): nothing more to do here.
  if (!context->page) return;
  signed_out();
}

void FeedPage::Stop() {
  context_->poller.Stop();
  if (hwnd()) KillTimer(hwnd(), kPollTimerId);
  poll_period_ms_ = 0;
}

void FeedPage::OnDestroy() {
  Stop();
  context_->page = nullptr;
}

std::vector<FeedRow> FeedPage::Rows(HWND list) { return ListRows(list); }

void FeedPage::PlaceAtWindowDpi() {
  PlaceAtDesign(hwnd(), kTodayGroupId, ui::kTodayGroup.box);
  PlaceAtDesign(hwnd(), kTodayListId, ui::kTodayList);
  PlaceAtDesign(hwnd(), kNewsGroupId, ui::kNewsGroup.box);
  PlaceAtDesign(hwnd(), kNewsListId, ui::kNewsList);
  ScaleFeedColumns(TodayList(), ui::kRecommendationColumns);
  ScaleFeedColumns(NewsList(), ui::kNewsColumns);
  ScaleFeedColumns(HistoryList(), ui::kRecommendationColumns);
  PlaceDetailLabels();
  MakeNewsFont();
}

void FeedPage::Relayout(const ui::FeedPagePlaces& r) {
  const auto move = [this](int id, ui::Box design) {
    const RECT where = DesignRect(hwnd(), design);
    MoveWindow(Control(id), where.left, where.top, where.right - where.left, where.bottom - where.top, TRUE);
  };
  move(kHistoryGroupId, r.history_group);
  move(kHistoryListId, r.history_list);
  move(kDetailGroupId, r.detail_group);
  // The tab control's design place is inside the detail group.
  ui::Box tabs = r.detail_tabs;
  tabs.left += r.detail_group.left;
  tabs.top += r.detail_group.top;
  move(kDetailTabsId, tabs);
  PlaceDetailBoxes(r.remark_box.width, r.remark_box.height);
}

}  // namespace velmora::win
