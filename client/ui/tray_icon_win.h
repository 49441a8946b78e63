// The main window's icon in the notification area while the window is hidden there, at the size
// the shell asks for at the window's DPI. The icon is removed when the owner goes, put back when
// the taskbar is recreated (Explorer restarted) while the window is still hidden, and made again
// at the new size when the window's DPI changes.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "runtime/dpi_scale.h"
#include "runtime/handles_win.h"

namespace velmora::win {

class TrayIcon {
 public:
  // Events of the icon arrive at `window` as `callback_message`.
  TrayIcon(HWND window, UINT callback_message) : window_(window), callback_message_(callback_message) {}
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows the program's icon with a GBK tip, made at the small-icon size for the window's DPI;
  // true when the shell took it.
  bool Add(const std::string& gbk_tip);
  void Remove();
  bool shown() const { return shown_; }
  // The shell's taskbar was recreated: an icon that was shown is shown again (made anew: the
  // new taskbar may be on a screen of another DPI).
  void Restore();
  // The window's DPI changed: a shown icon is replaced by one of the size for `dpi`.
  void ChangeDpi(Dpi dpi);
  // The icon shown now (null when none was made), and its width in pixels.
  HICON icon() const { return icon_.get(); }
  int icon_size() const { return icon_size_; }

  // The message the shell broadcasts when the taskbar is recreated.
  static UINT TaskbarCreatedMessage();
  // The shell call behind the icon. Tests put in one that refuses, as a shell without a
  // notification area does.
  using ShellNotify = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
  void SetShellNotify(ShellNotify notify) { notify_ = notify; }

 private:
  NOTIFYICONDATAW Data() const;
  void MakeIcon(Dpi dpi);

  const HWND window_;
  const UINT callback_message_;
  IconOwner icon_;
  int icon_size_ = 0;
  std::wstring tip_;
  bool shown_ = false;
  ShellNotify notify_ = Shell_NotifyIconW;
};

}  // namespace velmora::win
