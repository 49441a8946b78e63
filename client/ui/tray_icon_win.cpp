#include "ui/tray_icon_win.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "runtime/gbk_win.h"

namespace velmora::win {

namespace {

constexpr UINT kIconId = 1;

}  // namespace

UINT TrayIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

NOTIFYICONDATAW TrayIcon::Data() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callback_message_;
  data.hIcon = icon_;
  // The tip holds at most 127 characters and its end.
  tip_.copy(data.szTip, std::min<size_t>(tip_.size(), std::size(data.szTip) - 1));
  return data;
}

bool TrayIcon::Add(HICON icon, const std::string& gbk_tip) {
  Remove();
  icon_ = icon;
  tip_ = GbkToWide(gbk_tip);
  NOTIFYICONDATAW data = Data();
  shown_ = notify_(NIM_ADD, &data) != FALSE;
  return shown_;
}

void TrayIcon::Remove() {
  if (!shown_) return;
  NOTIFYICONDATAW data = Data();
  notify_(NIM_DELETE, &data);
  shown_ = false;
}

void TrayIcon::Restore() {
  if (!shown_) return;
  NOTIFYICONDATAW data = Data();
  notify_(NIM_ADD, &data);
}

}  // namespace velmora::win
