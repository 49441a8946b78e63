// The sign-up window: a new account from five boxes, handed back to the login window's boxes
// when the service has written it.
#pragma once
#include <windows.h>

#include "gateway/gateway_client.h"
#include "session/signup.h"
#include "toolkit/window_win.h"

namespace velmora::win {

class SignUpWindow final : public Window {
 public:
  // `login_window` owns the window and receives the new account in its boxes; `gateway` (the
  // login window's, outliving this window) writes it.
  SignUpWindow(HWND login_window, GatewayClient& gateway) : login_(login_window), gateway_(gateway) {}

  // Creates and shows the window over the login window, centred on the work area.
  bool Open();
  // Opens a sign-up window modally over the login window; returns when it is closed.
  static void RunOver(HWND login_window, GatewayClient& gateway);

  HWND Control(int id) const { return GetDlgItem(hwnd(), id); }
  // One attempt with what the boxes hold, as "注册" does; nothing while one is under way.
  void Submit();

  static constexpr wchar_t kClassName[] = L"VelmoraSignUp";

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnCreated();
  void OnDpiChanged(Dpi dpi, const RECT& suggested) override;
  void OnCommand(int id, int code);
  HWND Box(SignUpBox box) const;
  void HandOver(const SignUpForm& form);

  HWND login_;
  GatewayClient& gateway_;
  bool submitting_ = false;
};

}  // namespace velmora::win
