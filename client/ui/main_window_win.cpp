#include "ui/main_window_win.h"

#include "app/process_state.h"
#include "app/settings_changes.h"
#include "feeds/popup_win.h"
#include "feeds/sound_player_win.h"
#include "app/profile_store_win.h"
#include "gateway/gateway_client.h"
#include "gateway/off_thread_link.h"
#include "gateway/statements.h"
#include "resources/resource_ids.h"
#include "gateway/transport_win.h"
#include "runtime/com_win.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"
#include "runtime/handles_win.h"
#include "session/presence.h"
#include "skin/skin_engine_win.h"
#include "ui/browser_pages.h"
#include "ui/main_layout.h"
#include "app/messages_win.h"
#include "ui/settings_window_win.h"

namespace velmora::win {

namespace {

// Captions and addresses of the browser pages: a main window without an rconfig row keeps those
// of the one before.
ui::BrowserPages& PageSettings() {
  static ui::BrowserPages pages;
  return pages;
}

// The whole file, or nothing when it cannot be read (a missing tab icon gives the default one).
std::string ReadFileBytes(const std::wstring& path) {
  const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (!file.ok()) return {};
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

void CentreOnScreen(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

MainWindow::~MainWindow() = default;

std::unique_ptr<MainWindow> MainWindow::Open(HWND login_window, std::wstring program_dir, GatewayClient& gateway) {
  std::unique_ptr<MainWindow> window(new MainWindow(gateway));
  window->program_dir_ = std::move(program_dir);
  if (!window->Create(kClassName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, State().product_title,
                      ScaledPlacement(ui::kMainWindowDesign), nullptr)) {
    return nullptr;
  }
  window->tray_ = std::make_unique<TrayIcon>(window->hwnd(), kTrayMessage);
  window->Fill(login_window);
  ShowWindow(window->hwnd(), SW_SHOW);
  return window;
}

void MainWindow::Fill(HWND login_window) {
  SkinEngine* skin = SkinEngine::Instance();
  if (skin) {
    AttachOptions options;
    options.minimise = true;
    options.maximise = true;
    options.main_menu = true;
    options.help = true;
    options.sizable = true;
    skin->AttachWindow(hwnd(), options);
    skin->SkinChildControls();
    skin->SetStatusText(hwnd(), "用户名：" + State().session.account);
    // Settings opened from here position themselves by the main window.
    skin->SetMainMenuClickHandler(hwnd(), [window = hwnd(), dir = program_dir_] {
      State().settings_opened_from = kSettingsFromMainWindow;
      ShowSettingsWindow(window, dir);
    });
  }
  if (auto pages = ui::ReadBrowserPages(gateway_)) {
    PageSettings() = std::move(*pages);
    if (login_window) SetWindowTextGbk(login_window, PageSettings().captions[0]);
  }
  // Signed out elsewhere: the user has been told; closing the main window marks the account
  // offline and ends the program.
  // The pop-up opens on the screen this window is on.
  feed_ = FeedPage::Create(gateway_,
                           [window = hwnd()](const LatestItem& item, bool play_sound) {
                             ShowNewItemPopup(item, play_sound, window);
                           },
                           [this] { DestroyWindow(hwnd()); }, login_window);
  for (auto& page : browsers_) page = BrowserPage::Create();

  const auto tabs = ui::BannerTabs(PageSettings(), program_dir_);
  for (size_t n = 0; n < tabs.size(); ++n) {
    HWND page = nullptr;
    if (n == 0 && feed_) page = feed_->hwnd();
    if (n > 0 && browsers_[n - 1]) page = browsers_[n - 1]->hwnd();
    if (skin) skin->AddTab(hwnd(), tabs[n].caption, ReadFileBytes(tabs[n].icon_path), page);
  }
  for (size_t n = 0; n < browsers_.size(); ++n) {
    if (browsers_[n]) browsers_[n]->Navigate(PageSettings().addresses[n]);
  }
  if (skin) skin->SelectTab(hwnd(), std::string(ui::kFeedTabCaption));
  RECT bounds{};
  GetWindowRect(hwnd(), &bounds);
  OnSized(SIZE_RESTORED, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == TrayIcon::TaskbarCreatedMessage()) {
    if (tray_) tray_->Restore();
    return 0;
  }
  switch (message) {
    case WM_SIZE: {
      RECT bounds{};
      GetWindowRect(hwnd(), &bounds);
      OnSized(wparam, bounds.right - bounds.left, bounds.bottom - bounds.top);
      return 0;
    }
    case kTrayMessage:
      OnTrayEvent();
      return 0;
    case WM_CLOSE:
      OnCloseAsked();
      return 0;
    case WM_POWERBROADCAST:
      // Back from sleep: the tick count may have stood still while the server's clock went on,
      // and answers stamped by it would all be refused. The clock again, and the news at once.
      if (wparam == PBT_APMRESUMEAUTOMATIC || wparam == PBT_APMRESUMESUSPEND) {
        gateway_.RequestResync();
        if (feed_) feed_->PollNow();
      }
      return TRUE;
    case WM_QUERYENDSESSION:
      return TRUE;  // nothing to ask: the session is left on the way out, as a close leaves it
    case WM_ENDSESSION:
      // The system ends the process once this returns, without a WM_DESTROY.
      if (wparam) LeaveSession();
      return 0;
    case WM_DESTROY:
      OnDestroying();
      return 0;
    default:
      return Window::OnMessage(message, wparam, lparam);
  }
}

void MainWindow::OnSized(WPARAM kind, int width, int height) {
  if (kind == SIZE_MINIMIZED) {
    // Minimised means hidden into the notification area. A shell without one (or refusing the
    // icon) leaves the window minimised on the taskbar: hidden, nothing would bring it back.
    if (tray_ && tray_->Add(State().product_title)) ShowWindow(hwnd(), SW_HIDE);
    return;
  }
  // The resize rule is written in the design's pixels.
  const Dpi dpi = WindowDpi(hwnd());
  const ui::MainResize boxes = ui::ResizeMainWindow(Unscale(width, dpi), Unscale(height, dpi));
  if (feed_) feed_->Relayout(ui::FeedPlaces(boxes));
  for (auto& page : browsers_) {
    if (page) page->Relayout(boxes);
  }
}

void MainWindow::OnDpiChanged(Dpi dpi, const RECT& suggested) {
  Window::OnDpiChanged(dpi, suggested);
  // The parts of the pages that follow the window's size (again: the rectangle may keep the
  // size, and then no WM_SIZE came), then the fixed ones, some inside the first.
  if (!IsIconic(hwnd())) {
    RECT bounds{};
    GetWindowRect(hwnd(), &bounds);
    OnSized(SIZE_RESTORED, bounds.right - bounds.left, bounds.bottom - bounds.top);
  }
  if (feed_) feed_->PlaceAtWindowDpi();
  if (tray_) tray_->ChangeDpi(dpi);
}

void MainWindow::OnTrayEvent() {
  if (!tray_ || !tray_->shown()) return;
  ShowWindow(hwnd(), SW_SHOW);
  // Restored from minimised, and then from maximised too (a window minimised while maximised
  // comes back maximised from the first restore), through the system command as the caption's
  // buttons do; the skin follows the window's size changes.
  if (IsIconic(hwnd())) SendMessageW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
  if (IsZoomed(hwnd())) SendMessageW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
  CentreOnScreen(hwnd());
  SetForegroundWindow(hwnd());
  tray_->Remove();
}

void MainWindow::ComeForward() {
  if (tray_ && tray_->shown()) {
    OnTrayEvent();  // as a click on the icon brings it back
  } else if (IsIconic(hwnd())) {
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  SetForegroundWindow(GetLastActivePopup(hwnd()));
}

void MainWindow::OnCloseAsked() {
  // Closing ends the program: ask first.
  if (AskConfirmation("确认是否关闭此程序？", hwnd())) DestroyWindow(hwnd());
}

void MainWindow::OnDestroying() {
  LeaveSession();
  PostQuitMessage(0);
}

void MainWindow::LeaveSession() {
  if (session_left_) return;
  session_left_ = true;
  // The pop-up and its sound belong to this session too.
  CloseNewItemPopup();
  StopNotificationSound();
  if (feed_) feed_->Stop();
  feed_.reset();
  for (auto& page : browsers_) page.reset();
  if (tray_) tray_->Remove();
  // The account is no longer online here (on the worker road of every request: a silent service
  // does not freeze the closing window).
  OffThreadLink link(gateway_, {}, TransportWorkerScope);
  MarkOffline(link, State().session.account);
}

}  // namespace velmora::win
