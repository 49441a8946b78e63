#include "ui/browser_page_win.h"

namespace velmora::win {

namespace {


constexpr int kButtonIds[ui::kBrowserButtons.size()] = {BrowserPage::kBackButton, BrowserPage::kForwardButton,
                                                        BrowserPage::kRefreshButton};

}  // namespace

std::unique_ptr<BrowserPage> BrowserPage::Create() {
  auto page = std::make_unique<BrowserPage>();
  if (!page->Window::Create(kClassName, WS_POPUP | WS_CLIPCHILDREN, 0, "", ScaledPlacement(ui::kPageSize), nullptr)) {
    return nullptr;
  }
  return page;
}

BrowserPage::~BrowserPage() {
  // The host's windows go before the page's.
  browser_.reset();
}

LRESULT BrowserPage::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreated();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam));
      return 0;
    default:
      return Window::OnMessage(message, wparam, lparam);
  }
}

void BrowserPage::OnCreated() {
  browser_ = BrowserHost::Create(hwnd(), DesignRect(hwnd(), ui::kBrowserBox));
  if (browser_) browser_->SetSuppressContextMenu(true);
  CreateControl(hwnd(), L"STATIC", "", SS_ETCHEDFRAME, DesignRect(hwnd(), ui::kBrowserStrip), kStrip);
  for (size_t i = 0; i < ui::kBrowserButtons.size(); ++i) {
    ui::Box box = ui::kBrowserButtons[i].box;
    box.top += ui::kBrowserStrip.top;  // the strip's buttons, in page coordinates
    CreateControl(hwnd(), L"BUTTON", std::string(ui::kBrowserButtons[i].caption), BS_PUSHBUTTON, DesignRect(hwnd(), box),
                  kButtonIds[i]);
  }
}

void BrowserPage::OnCommand(int id) {
  if (!browser_) return;
  switch (id) {
    case kBackButton: browser_->GoBack(); break;
    case kForwardButton: browser_->GoForward(); break;
    case kRefreshButton: browser_->Reload(); break;
    default: break;
  }
}

bool BrowserPage::Navigate(const std::string& gbk_address) { return browser_ && browser_->Navigate(gbk_address); }

void BrowserPage::Relayout(const ui::MainResize& boxes) {
  if (browser_) browser_->Resize(DesignRect(hwnd(), boxes.browser));
  const auto move = [this](HWND control, ui::Box design) {
    const RECT r = DesignRect(hwnd(), design);
    MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  };
  const ui::Box strip = boxes.browser_strip;
  move(GetDlgItem(hwnd(), kStrip), strip);
  for (size_t i = 0; i < ui::kBrowserButtons.size(); ++i) {
    ui::Box b = ui::kBrowserButtons[i].box;
    b.top += strip.top;
    move(GetDlgItem(hwnd(), kButtonIds[i]), b);
  }
}

}  // namespace velmora::win
