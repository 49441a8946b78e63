// The feed page's detail panel: a group box holding a two-page tab control; page 1 shows a
// recommendation, page 2 an announcement in the announcement's own font, size and colour. The
// pages' controls sit on the feed page itself, over the tab control's page area, and are shown
// or hidden with their page.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "feeds/copy_guard_win.h"
#include "feeds/feed_lists_win.h"
#include "feeds/feed_page_win.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"
#include "feeds/feed_layout.h"

namespace velmora::win {
namespace {

constexpr DWORD kLabelStyle = SS_LEFT | SS_NOPREFIX | WS_CLIPSIBLINGS;
constexpr DWORD kBoxStyle = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_CLIPSIBLINGS;

// A design's box (at 96 DPI) placed in a tab page's area, which is in the window's own pixels.
RECT Offset(HWND window, ui::Box design, const RECT& area) {
  const ui::Box b = ui::Scale(design, WindowDpi(window));
  return RECT{area.left + b.left, area.top + b.top, area.left + b.left + b.width, area.top + b.top + b.height};
}

// A box may not reach beyond its page's area.
RECT Clamp(RECT r, const RECT& area) {
  r.right = std::max(r.left, std::min(r.right, area.right));
  r.bottom = std::max(r.top, std::min(r.bottom, area.bottom));
  return r;
}

void Place(HWND control, const RECT& r) {
  MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// A list event that shows a detail: the focused or selected item became another one.
bool ItemPicked(const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE)) return false;
  const UINT picked = LVIS_FOCUSED | LVIS_SELECTED;
  return (change.uNewState & picked & ~change.uOldState) != 0;
}

}  // namespace

void FeedPage::CreateDetailPanel() {
  const HWND page = hwnd();
  const ui::Box group = ui::kDetailGroup.box;
  const RECT tabs_at = DesignRect(page, {group.left + ui::kDetailTabs.left, group.top + ui::kDetailTabs.top,
                                          ui::kDetailTabs.width, ui::kDetailTabs.height});
  HWND tabs = CreateControl(page, WC_TABCONTROLW, "", WS_CLIPSIBLINGS, tabs_at, kDetailTabsId);
  for (size_t i = 0; i < ui::kDetailTabCaptions.size(); ++i) {
    std::wstring caption = GbkToWide(ui::kDetailTabCaptions[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  const RECT area = DetailPageArea();

  for (size_t i = 0; i < ui::kRecommendationLabels.size(); ++i) {
    const ui::Labelled& label = ui::kRecommendationLabels[i];
    CreateControl(page, L"STATIC", std::string(label.caption), kLabelStyle, Offset(page, label.box, area),
                  kRecommendationLabelId + int(i));
  }
  CreateControl(page, L"STATIC", std::string(ui::kRemarkHeading.caption), kLabelStyle,
                Offset(page, ui::kRemarkHeading.box, area), kRemarkHeadingId);
  CreateControl(page, L"EDIT", "", kBoxStyle, Clamp(Offset(page, ui::kRemarkBox, area), area), kRemarkBoxId);

  for (const auto& [label, id] : {std::pair{&ui::kNewsTimeLabel, kNewsTimeLabelId},
                                  std::pair{&ui::kNewsTitleLabel, kNewsTitleLabelId},
                                  std::pair{&ui::kNewsContentHeading, kNewsContentHeadingId}}) {
    CreateControl(page, L"STATIC", std::string(label->caption), kLabelStyle, Offset(page, label->box, area), id);
  }
  CreateControl(page, L"EDIT", "", kBoxStyle, Clamp(Offset(page, ui::kNewsContentBox, area), area), kNewsContentBoxId);

  // The texts are there to be read, not copied.
  InstallCopyGuard(Control(kRemarkBoxId));
  InstallCopyGuard(Control(kNewsContentBoxId));

  // Below the pages' controls: the tab control, and under it the group box.
  SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  HWND box = CreateControl(page, L"BUTTON", std::string(ui::kDetailGroup.caption), BS_GROUPBOX | WS_CLIPSIBLINGS,
                           DesignRect(page, group), kDetailGroupId);
  SetWindowPos(box, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowDetailPage(DetailPage::kRecommendation);
}

RECT FeedPage::DetailPageArea() const {
  HWND tabs = Control(kDetailTabsId);
  RECT area{};
  GetWindowRect(tabs, &area);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  return area;
}

void FeedPage::PlaceDetailBoxes(int remark_width, int remark_height) {
  const RECT area = DetailPageArea();
  ui::Box remark = ui::kRemarkBox;
  remark.width = remark_width;
  remark.height = remark_height;
  Place(Control(kRemarkBoxId), Clamp(Offset(hwnd(), remark, area), area));
  Place(Control(kNewsContentBoxId), Clamp(Offset(hwnd(), ui::kNewsContentBox, area), area));
}

void FeedPage::MakeNewsFont() {
  if (news_font_name_.empty() && news_font_points_ == 0) return;  // no announcement shown yet
  HWND box = Control(kNewsContentBoxId);
  HFONT font = CreateFontW(FontHeightForPoints(news_font_points_, WindowDpi(box)), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, GbkToWide(news_font_name_).c_str());
  if (font) {
    // The box takes the new font before the old one is released.
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    news_font_.Reset(font);
  }
}

void FeedPage::PlaceDetailLabels() {
  const RECT area = DetailPageArea();
  for (size_t i = 0; i < ui::kRecommendationLabels.size(); ++i) {
    Place(Control(kRecommendationLabelId + int(i)), Offset(hwnd(), ui::kRecommendationLabels[i].box, area));
  }
  Place(Control(kRemarkHeadingId), Offset(hwnd(), ui::kRemarkHeading.box, area));
  for (const auto& [label, id] : {std::pair{&ui::kNewsTimeLabel, kNewsTimeLabelId},
                                  std::pair{&ui::kNewsTitleLabel, kNewsTitleLabelId},
                                  std::pair{&ui::kNewsContentHeading, kNewsContentHeadingId}}) {
    Place(Control(id), Offset(hwnd(), label->box, area));
  }
}

void FeedPage::ShowDetailPage(DetailPage page) {
  shown_page_ = page;
  SendMessageW(Control(kDetailTabsId), TCM_SETCURSEL, WPARAM(page), 0);
  const bool first = page == DetailPage::kRecommendation;
  for (int id = kRecommendationLabelId; id <= kRemarkBoxId; ++id) ShowWindow(Control(id), first ? SW_SHOW : SW_HIDE);
  for (int id = kNewsTimeLabelId; id <= kNewsContentBoxId; ++id) ShowWindow(Control(id), first ? SW_HIDE : SW_SHOW);
}

void FeedPage::ShowRecommendationDetail(HWND list) {
  ShowDetailPage(DetailPage::kRecommendation);
  const auto selected = FirstSelected(list);
  if (!selected) return;  // the page switch stays; the texts keep what they showed
  const RecommendationDetail detail = DescribeRecommendation(RowAt(list, *selected));
  for (size_t i = 0; i < detail.labels.size(); ++i) {
    SetWindowTextGbk(Control(kRecommendationLabelId + int(i)), detail.labels[i]);
  }
  SetWindowTextGbk(Control(kRemarkBoxId), detail.remarks);
}

void FeedPage::ShowNewsDetail() {
  ShowDetailPage(DetailPage::kNews);
  const auto selected = FirstSelected(NewsList());
  if (!selected) return;
  const NewsDetail detail = DescribeNews(RowAt(NewsList(), *selected));
  SetWindowTextGbk(Control(kNewsTimeLabelId), detail.time_label);
  HWND box = Control(kNewsContentBoxId);
  SetWindowTextGbk(box, detail.content);
  news_font_name_ = detail.font_name;
  news_font_points_ = detail.font_points;
  MakeNewsFont();
  news_colour_ = COLORREF(detail.colour);
  InvalidateRect(box, nullptr, TRUE);
  SetWindowTextGbk(Control(kNewsTitleLabelId), detail.title_label);
}

LRESULT FeedPage::OnNotify(const NMHDR& header) {
  const int id = int(header.idFrom);
  if (id == kDetailTabsId && header.code == TCN_SELCHANGE) {
    const auto chosen = SendMessageW(header.hwndFrom, TCM_GETCURSEL, 0, 0);
    ShowDetailPage(chosen == 1 ? DetailPage::kNews : DetailPage::kRecommendation);
    return 0;
  }
  if (id != kTodayListId && id != kHistoryListId && id != kNewsListId) return 0;
  const bool picked = header.code == NM_CLICK ||
                      (header.code == LVN_ITEMCHANGED && ItemPicked(reinterpret_cast<const NMLISTVIEW&>(header)));
  if (!picked) return 0;
  if (id == kNewsListId) {
    ShowNewsDetail();
  } else {
    ShowRecommendationDetail(header.hwndFrom);
  }
  return 0;
}

LRESULT FeedPage::OnStaticColour(HDC dc, HWND control) {
  // The read-only boxes are drawn like writable ones, the news box in the announcement's colour.
  if (control == Control(kNewsContentBoxId) || control == Control(kRemarkBoxId)) {
    SetTextColor(dc, control == Control(kNewsContentBoxId) ? news_colour_ : GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(box_brush_);
  }
  return DefWindowProcW(hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

}  // namespace velmora::win
