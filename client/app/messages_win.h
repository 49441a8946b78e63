// The program's messages and questions as its process-wide state records them: the text last
// shown and the close answer mirror what the toolkit's boxes showed and were told.
#pragma once
#include <windows.h>

#include <string>

namespace velmora::win {

// Makes `gbk_text` the current message text and shows it in the message box.
void ShowMessage(const std::string& gbk_text, HWND owner);

// Makes `gbk_text` the current message text and asks; true when "确定" was clicked. The answer
// is also left in the process-wide close answer flag (0 proceed, 1 cancel).
bool AskConfirmation(const std::string& gbk_text, HWND owner);

}  // namespace velmora::win
