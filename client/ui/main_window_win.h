// The main window the user keeps open after signing in: a skinned frame whose banner tabs switch
// between the feed page and six browser pages, hidden into the notification area when minimised.
#pragma once
#include <windows.h>

#include <array>
#include <memory>

#include "app/profile_store_win.h"
#include "feeds/feed_page_win.h"
#include "ui/browser_page_win.h"
#include "ui/tray_icon_win.h"
#include "toolkit/window_win.h"

namespace velmora::win {

class MainWindow final : public Window {
 public:
  ~MainWindow() override;

  // Opens the window, not modal and without owner, captioned with the product title. The login
  // window (hidden by now) takes the first browser caption as its own. `program_dir` holds
  // the tab pictures and the gp.ini the settings window changes; `gateway` (the signed-in one,
  // outliving the window) answers the pages, the feeds and the sign-out.
  static std::unique_ptr<MainWindow> Open(HWND login_window = nullptr, std::wstring program_dir = ProgramDirectory(),
                                          GatewayClient& gateway = ProcessGateway());
  static constexpr wchar_t kClassName[] = L"VelmoraMain";
  // Events of the notification-area icon.
  static constexpr UINT kTrayMessage = WM_APP + 1;

  FeedPage* Feed() const { return feed_.get(); }
  // Browser page 1 to 6.
  BrowserPage* Page(int n) const { return browsers_[size_t(n - 1)].get(); }
  // Back from the notification area or the taskbar, and to the front (or the box open over it).
  void ComeForward();
  const TrayIcon* Tray() const { return tray_.get(); }
  TrayIcon* Tray() { return tray_.get(); }

 private:
  explicit MainWindow(GatewayClient& gateway) : gateway_(gateway) {}
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void Fill(HWND login_window);
  void OnSized(WPARAM kind, int width, int height);
  void OnDpiChanged(Dpi dpi, const RECT& suggested) override;
  void OnTrayEvent();
  void OnCloseAsked();
  void OnDestroying();
  // Ends this session: pop-up, sound, polling, tray icon, and the account marked offline. Once,
  // whether the window is closed or the user logs off or shuts down.
  void LeaveSession();

  GatewayClient& gateway_;
  std::wstring program_dir_;
  std::unique_ptr<FeedPage> feed_;
  std::array<std::unique_ptr<BrowserPage>, 6> browsers_;
  std::unique_ptr<TrayIcon> tray_;
  bool session_left_ = false;
};

}  // namespace velmora::win
