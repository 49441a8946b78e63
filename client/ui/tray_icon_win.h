// The main window's icon in the notification area while the window is hidden there. The icon
// is removed when the owner goes, and put back when the taskbar is recreated (Explorer restarted)
// while the window is still hidden.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace velmora::win {

class TrayIcon {
 public:
  // Events of the icon arrive at `window` as `callback_message`.
  TrayIcon(HWND window, UINT callback_message) : window_(window), callback_message_(callback_message) {}
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows the icon with a GBK tip; true when the shell took it.
  bool Add(HICON icon, const std::string& gbk_tip);
  void Remove();
  bool shown() const { return shown_; }
  // The shell's taskbar was recreated: an icon that was shown is shown again.
  void Restore();

  // The message the shell broadcasts when the taskbar is recreated.
  static UINT TaskbarCreatedMessage();

  // The shell call behind the icon. Tests put in one that refuses, as a shell without a
  // notification area does.
  using ShellNotify = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
  void SetShellNotify(ShellNotify notify) { notify_ = notify; }

 private:
  NOTIFYICONDATAW Data() const;

  const HWND window_;
  const UINT callback_message_;
  HICON icon_ = nullptr;
  std::wstring tip_;
  bool shown_ = false;
  ShellNotify notify_ = Shell_NotifyIconW;
};

}  // namespace velmora::win
