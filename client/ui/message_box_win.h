// The program's own message and confirmation boxes: the current message text, the alert sound,
// one button or two. Both are modal over their owner (which may be none).
#pragma once
#include <windows.h>

#include <string>

namespace velmora::win {

// Sets the current message text and shows it until "确定" or the frame closes the box.
void ShowMessage(const std::string& gbk_text, HWND owner);

// Sets the current message text and asks; true when "确定" was clicked. The answer is also left in
// the process-wide close answer flag (0 proceed, 1 cancel).
bool AskConfirmation(const std::string& gbk_text, HWND owner);

// The boxes' window class, for tests that find and click them.
inline constexpr wchar_t kMessageBoxClass[] = L"VelmoraMessageBox";
inline constexpr int kOkButtonId = 1;      // IDOK
inline constexpr int kCancelButtonId = 2;  // IDCANCEL
inline constexpr int kMessageLabelId = 100;

}  // namespace velmora::win
