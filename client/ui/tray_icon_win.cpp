#include "ui/tray_icon_win.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "resources/resource_ids.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"

namespace velmora::win {
namespace {

constexpr UINT kIconId = 1;

}  // namespace

UINT TrayIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void TrayIcon::MakeIcon(Dpi dpi) {
  // The small-icon metric is the size the notification area shows; the program's icon file
  // holds several sizes, and LoadImage picks the nearest one and scales it only if it must.
  const int size = SystemMetricAt(SM_CXSMICON, dpi);
  if (icon_ && size == icon_size_) return;
  icon_.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VELMORA_ICON_MAIN),
                                            IMAGE_ICON, size, size, LR_DEFAULTCOLOR)),
              true);
  icon_size_ = icon_ ? size : 0;
}

NOTIFYICONDATAW TrayIcon::Data() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callback_message_;
  data.hIcon = icon_.get();
  // The tip holds at most 127 characters and its end.
  tip_.copy(data.szTip, std::min<size_t>(tip_.size(), std::size(data.szTip) - 1));
  return data;
}

bool TrayIcon::Add(const std::string& gbk_tip) {
  Remove();
  MakeIcon(WindowDpi(window_));
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
  MakeIcon(WindowDpi(window_));
  NOTIFYICONDATAW data = Data();
  notify_(NIM_ADD, &data);
}

void TrayIcon::ChangeDpi(Dpi dpi) {
  if (!shown_) return;
  MakeIcon(dpi);
  NOTIFYICONDATAW data = Data();
  notify_(NIM_MODIFY, &data);
}

}  // namespace velmora::win
