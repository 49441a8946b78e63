// The login window: prepared from the service (handshake, layout, contacts, notice) and the
// settings file, then signing the user in.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/profile_store_win.h"
#include "app/settings_file.h"
#include "app/startup.h"
#include "gateway/gateway_client.h"
#include "runtime/handles_win.h"
#include "ui/browser_host_win.h"
#include "toolkit/window_win.h"

namespace velmora::win {

class MainWindow;

class LoginWindow final : public Window {
 public:
  // `program_dir`: the folder whose gp.ini and default sound this window and the windows it
  // opens use; `gateway`: the road to the service they all share, outliving the window. The
  // program's own folder and the process-wide gateway unless a test gives ones of its own.
  explicit LoginWindow(std::wstring program_dir = ProgramDirectory(), GatewayClient& gateway = ProcessGateway());
  ~LoginWindow() override;

  // Creates the window and does the start-up work in order. False when the program must end
  // (the service could not be reached: the user has been told).
  bool Open(const std::string& gateway_page);

  HWND Control(int id) const { return GetDlgItem(hwnd(), id); }
  const TitleStyle& Title() const { return title_; }
  BrowserHost* NoticeBrowser() const { return notice_.get(); }
  MainWindow* Main() const { return main_.get(); }
  // Runs a login with what the boxes hold, as the button does; nothing while one is under way.
  void SignIn();
  // The program was started again: the window the user works in (this one, or the main window
  // once signed in, out of the notification area if need be, or a box open over it) comes back
  // and to the front.
  void ComeForward();
  // Where a contact's chat page goes when the window has no notice browser to open it in (the
  // service hides the notice area, or no browser could be made): the system's handler for the
  // address, unless a test sets its own.
  void set_outside_opener(std::function<void(const std::string& address)> opener) {
    outside_opener_ = std::move(opener);
  }

  static constexpr wchar_t kClassName[] = L"VelmoraLogin";

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void CreateControls();
  bool Prepare(const std::string& gateway_page);
  void ApplyLayoutRow(const LayoutRow& row);
  // The title's font and shadow at the window's DPI.
  void ApplyTitleLook();
  void OnDpiChanged(Dpi dpi, const RECT& suggested) override;
  void ShowNotice();
  void OnCommand(int id, int code);
  void OnRememberClicked();
  void OpenChat(const std::string& address);
  void AttachSkin();
  void ApplySkinSetting(const StartupSettings& local);
  static LRESULT CALLBACK EditProcedure(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                        DWORD_PTR self);

  GatewayClient& gateway_;
  const std::wstring program_dir_;
  IniFileProfileStore profile_;
  SettingsFile settings_;
  TitleStyle title_;
  GdiObjectOwner<HFONT> title_font_;
  std::unique_ptr<BrowserHost> notice_;
  std::unique_ptr<MainWindow> main_;
  std::function<int()> draw_handle_;
  bool notice_hidden_ = false;
  bool title_applied_ = false;  // the service's title style is in title_
  bool signing_in_ = false;
  std::function<void(const std::string& address)> outside_opener_;
};

}  // namespace velmora::win
