#include "app/messages_win.h"

#include "app/process_state.h"
#include "toolkit/message_box_win.h"

namespace velmora::win {

void ShowMessage(const std::string& gbk_text, HWND owner) {
  State().message_text = gbk_text;
  ShowMessageBox(gbk_text, owner);
}

bool AskConfirmation(const std::string& gbk_text, HWND owner) {
  State().message_text = gbk_text;
  const bool proceed = ConfirmInBox(gbk_text, owner);
  State().close_answer = proceed ? 0 : 1;
  return proceed;
}

}  // namespace velmora::win
