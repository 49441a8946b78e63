#include "feeds/popup_win.h"

#include <commctrl.h>

#include <array>
#include <cwchar>
#include <memory>
#include <string>

#include "app/process_state.h"
#include "feeds/copy_guard_win.h"
#include "feeds/popup.h"
#include "feeds/sound_player_win.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"
#include "runtime/handles_win.h"
#include "skin/skin_engine_win.h"
#include "feeds/popup_layout.h"
#include "toolkit/window_win.h"

namespace velmora::win {
namespace {

constexpr wchar_t kPopupPageClass[] = L"VelmoraPopupPage";
constexpr DWORD kReadOnlyBoxStyle = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER;
constexpr DWORD kLabelStyle = SS_LEFT | SS_NOPREFIX;


// The panel colour: the skin's when the program has its engine.
HBRUSH PanelBrush() {
  if (SkinEngine* skin = SkinEngine::Instance()) {
    if (HBRUSH brush = skin->Resources().background_brush.get()) return brush;
  }
  return GetSysColorBrush(COLOR_BTNFACE);
}

// One page of the tab control, covering it whole. Labels sit on the panel colour; the page's
// read-only box shows white with its own text colour.
class PageWindow final : public Window {
 public:
  bool Open(HWND tabs, int id) {
    // The page covers the tab control: its design size at the tab control's DPI.
    const RECT size = DesignRect(tabs, {0, 0, ui::kPopupTabs.width, ui::kPopupTabs.height});
    if (!Create(kPopupPageClass, WS_CHILD | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, "", {0, 0, size.right, size.bottom},
                tabs)) {
      return false;
    }
    SetWindowLongPtrW(hwnd(), GWLP_ID, id);
    return true;
  }
  void SetBox(HWND box, COLORREF text_colour) {
    box_ = box;
    box_colour_ = text_colour;
  }

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_CTLCOLORSTATIC:  // labels, and what a read-only edit box asks
        return OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
      case WM_ERASEBKGND:
        return OnErase(reinterpret_cast<HDC>(wparam));
      default:
        return Window::OnMessage(message, wparam, lparam);
    }
  }

  LRESULT OnControlColour(HDC dc, HWND control) {
    if (control == box_) {
      SetTextColor(dc, box_colour_);
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(PanelBrush());
  }

  LRESULT OnErase(HDC dc) {
    RECT area{};
    GetClientRect(hwnd(), &area);
    FillRect(dc, &area, PanelBrush());
    return 1;
  }

  HWND box_ = nullptr;
  COLORREF box_colour_ = GetSysColor(COLOR_WINDOWTEXT);
};

// The monitor `anchor` is on, or the primary one; its rectangle and DPI.
struct Screen {
  ui::MonitorRect monitor;
  Dpi dpi;
};
Screen ScreenNear(HWND anchor) {
  HMONITOR monitor = anchor ? MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST)
                          : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (monitor && GetMonitorInfoW(monitor, &info)) area = info.rcMonitor;
  return {{area.left, area.top, area.right, area.bottom}, MonitorDpi(monitor)};
}

class PopupWindow final : public Window {
 public:
  PopupWindow(const LatestItem& item, bool play_sound)
      : content_(DescribePopup(item)), play_sound_(play_sound), lifetime_(State().popup_seconds) {}

  bool Open(HWND anchor) {
    const Screen screen = ScreenNear(anchor);
    const ui::Box where = ui::PopupPlacement(screen.monitor, screen.dpi);
    // Topmost and shown without activation: the item is seen at once, while the keyboard stays
    // with whatever the user is typing into.
    if (!Create(kPopupClass, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_TOPMOST,
                std::string(ui::kPopupDesignCaption), {where.left, where.top, where.width, where.height}, nullptr)) {
      return false;
    }
    if (SkinEngine* skin = SkinEngine::Instance()) skin->AttachWindow(hwnd(), DialogSkin());
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    return true;
  }

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_CREATE:
        return OnCreated() ? 0 : -1;
      case WM_TIMER:
        OnTimer(wparam);
        return 0;
      case WM_DESTROY:
        OnDestroying();
        return 0;
      default:
        return Window::OnMessage(message, wparam, lparam);
    }
  }

  void OnDpiChanged(Dpi dpi, const RECT& suggested) override {
    Window::OnDpiChanged(dpi, suggested);
    PlaceControls();
    if (content_.page == PopupPage::kNews) SetContentFont(content_.news.font_name, content_.news.font_points);
  }

  // The tab control, its pages and their controls where the design puts them at the window's DPI
  // (after a change of DPI; creation placed them so).
  void PlaceControls() {
    PlaceAtDesign(hwnd(), kPopupTabsId, ui::kPopupTabs);
    for (HWND page : {recommendation_page_.hwnd(), news_page_.hwnd()}) {
      const RECT size = DesignRect(tabs_, {0, 0, ui::kPopupTabs.width, ui::kPopupTabs.height});
      SetWindowPos(page, nullptr, 0, 0, size.right, size.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HWND page = recommendation_page_.hwnd();
    for (size_t i = 0; i < ui::kPopupRecommendationLabels.size(); ++i) {
      PlaceAtDesign(page, kPopupRecommendationLabelId + int(i), ui::kPopupRecommendationLabels[i].box);
    }
    PlaceAtDesign(page, kPopupRemarkHeadingId, ui::kPopupRemarkHeading.box);
    PlaceAtDesign(page, kPopupRemarkBoxId, ui::kPopupRemarkBox);
    page = news_page_.hwnd();
    PlaceAtDesign(page, kPopupNewsTimeId, ui::kPopupNewsTimeLabel.box);
    PlaceAtDesign(page, kPopupNewsTitleId, ui::kPopupNewsTitleLabel.box);
    PlaceAtDesign(page, kPopupContentHeadingId, ui::kPopupContentHeading.box);
    PlaceAtDesign(page, kPopupContentBoxId, ui::kPopupContentBox);
  }

  bool OnCreated() {
    lifetime_.Open();
    if (play_sound_) PlayNotificationSound(State().sound_path);
    if (!BuildPages()) return false;
    SetWindowTextGbk(hwnd(), content_.caption);
    if (content_.page == PopupPage::kRecommendation) {
      ShowRecommendation();
    } else {
      ShowNews();
    }
    InstallCopyGuard(remark_box_);
    InstallCopyGuard(content_box_);
    SetTimer(hwnd(), kPopupTimerId, kPopupTimerMs, nullptr);
    return true;
  }

  void OnTimer(WPARAM timer) {
    if (timer != kPopupTimerId || !lifetime_.Tick()) return;
    KillTimer(hwnd(), kPopupTimerId);
    DestroyWindow(hwnd());
  }

  void OnDestroying() {
    KillTimer(hwnd(), kPopupTimerId);
    lifetime_.Destroyed();
  }

  // The window is gone: the object goes with it, unless it was never made the current one (a
  // failed creation; the opener still holds it).
  void OnDestroyed() override;

  bool BuildPages() {
    tabs_ = CreateControl(hwnd(), WC_TABCONTROLW, "", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, DesignRect(hwnd(), ui::kPopupTabs),
                          kPopupTabsId);
    if (!tabs_) return false;
    for (int i = 0; i < int(ui::kPopupTabCaptions.size()); ++i) {
      std::wstring caption = GbkToWide(ui::kPopupTabCaptions[size_t(i)]);
      TCITEMW tab{};
      tab.mask = TCIF_TEXT;
      tab.pszText = caption.data();
      SendMessageW(tabs_, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&tab));
    }
    return BuildRecommendationPage() && BuildNewsPage();
  }

  bool BuildRecommendationPage() {
    if (!recommendation_page_.Open(tabs_, kPopupRecommendationPageId)) return false;
    HWND page = recommendation_page_.hwnd();
    for (size_t i = 0; i < ui::kPopupRecommendationLabels.size(); ++i) {
      const ui::Labelled& label = ui::kPopupRecommendationLabels[i];
      labels_[i] = CreateControl(page, L"STATIC", std::string(label.caption), kLabelStyle, DesignRect(page, label.box),
                                 kPopupRecommendationLabelId + int(i));
    }
    CreateControl(page, L"STATIC", std::string(ui::kPopupRemarkHeading.caption), kLabelStyle,
                  DesignRect(page, ui::kPopupRemarkHeading.box), kPopupRemarkHeadingId);
    remark_box_ = CreateControl(page, L"EDIT", "", kReadOnlyBoxStyle, DesignRect(page, ui::kPopupRemarkBox), kPopupRemarkBoxId);
    recommendation_page_.SetBox(remark_box_, GetSysColor(COLOR_WINDOWTEXT));
    return remark_box_ != nullptr;
  }

  bool BuildNewsPage() {
    if (!news_page_.Open(tabs_, kPopupNewsPageId)) return false;
    HWND page = news_page_.hwnd();
    news_time_ = CreateControl(page, L"STATIC", std::string(ui::kPopupNewsTimeLabel.caption), kLabelStyle,
                               DesignRect(page, ui::kPopupNewsTimeLabel.box), kPopupNewsTimeId);
    news_title_ = CreateControl(page, L"STATIC", std::string(ui::kPopupNewsTitleLabel.caption), kLabelStyle,
                                DesignRect(page, ui::kPopupNewsTitleLabel.box), kPopupNewsTitleId);
    CreateControl(page, L"STATIC", std::string(ui::kPopupContentHeading.caption), kLabelStyle,
                  DesignRect(page, ui::kPopupContentHeading.box), kPopupContentHeadingId);
    content_box_ =
        CreateControl(page, L"EDIT", "", kReadOnlyBoxStyle, DesignRect(page, ui::kPopupContentBox), kPopupContentBoxId);
    return content_box_ != nullptr;
  }

  void ShowPage(PopupPage page) {
    const bool recommendation = page == PopupPage::kRecommendation;
    SendMessageW(tabs_, TCM_SETCURSEL, recommendation ? 0 : 1, 0);
    ShowWindow(recommendation_page_.hwnd(), recommendation ? SW_SHOW : SW_HIDE);
    ShowWindow(news_page_.hwnd(), recommendation ? SW_HIDE : SW_SHOW);
  }

  void ShowRecommendation() {
    ShowPage(PopupPage::kRecommendation);
    for (size_t i = 0; i < labels_.size(); ++i) SetWindowTextGbk(labels_[i], content_.recommendation.labels[i]);
    SetWindowTextGbk(remark_box_, content_.recommendation.remarks);
  }

  void ShowNews() {
    const NewsDetail& news = content_.news;
    ShowPage(PopupPage::kNews);
    SetWindowTextGbk(news_time_, news.time_label);
    SetWindowTextGbk(news_title_, news.title_label);
    SetWindowTextGbk(content_box_, news.content);
    SetContentFont(news.font_name, news.font_points);
    news_page_.SetBox(content_box_, COLORREF(news.colour));
  }

  // The announcement's own font: its face name (cut to what a font name may hold) at its size in
  // points; a font that cannot be made leaves the dialog font.
  void SetContentFont(const std::string& gbk_face, int points) {
    LOGFONTW font{};
    font.lfHeight = FontHeightForPoints(points, WindowDpi(content_box_));
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = GB2312_CHARSET;
    const std::wstring face = GbkToWide(gbk_face);
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT made = CreateFontIndirectW(&font);
    if (!made) return;
    SendMessageW(content_box_, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    content_font_.Reset(made);
  }

  const PopupContent content_;
  const bool play_sound_;
  PopupLifetime lifetime_;
  HWND tabs_ = nullptr;
  PageWindow recommendation_page_;
  PageWindow news_page_;
  std::array<HWND, 5> labels_{};
  HWND remark_box_ = nullptr;
  HWND news_time_ = nullptr;
  HWND news_title_ = nullptr;
  HWND content_box_ = nullptr;
  GdiObjectOwner<HFONT> content_font_;  // outlives the box: children go before their window's object
};

std::unique_ptr<PopupWindow>& Current() {
  static std::unique_ptr<PopupWindow> current;
  return current;
}

void PopupWindow::OnDestroyed() {
  // Last statement: this deletes the object.
  if (Current().get() == this) Current().reset();
}

}  // namespace

void ShowNewItemPopup(const LatestItem& item, bool play_sound, HWND anchor) {
  CloseNewItemPopup();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  auto popup = std::make_unique<PopupWindow>(item, play_sound);
  if (popup->Open(anchor)) Current() = std::move(popup);
}

HWND CurrentPopup() { return Current() ? Current()->hwnd() : nullptr; }

void CloseNewItemPopup() {
  if (!Current()) return;
  if (HWND window = Current()->hwnd()) {
    DestroyWindow(window);  // its destruction lets the object go
  } else {
    Current().reset();
  }
}

}  // namespace velmora::win
