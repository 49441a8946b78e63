// The program's own message and confirmation boxes: a text, the alert sound, one button or two.
// Both are modal over their owner (which may be none).
#pragma once
#include <windows.h>

#include <string>

namespace velmora::win {

// Shows `gbk_text` until "确定" or the frame closes the box.
void ShowMessageBox(const std::string& gbk_text, HWND owner);

// Asks; true only when "确定" was clicked (not for "取消", Escape, the frame's close, or a box that
// could not be made).
bool ConfirmInBox(const std::string& gbk_text, HWND owner);

// The boxes' window class, for tests that find and click them.
inline constexpr wchar_t kMessageBoxClass[] = L"VelmoraMessageBox";
inline constexpr int kOkButtonId = 1;      // IDOK
inline constexpr int kCancelButtonId = 2;  // IDCANCEL
inline constexpr int kMessageLabelId = 100;

}  // namespace velmora::win
