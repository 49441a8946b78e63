// Answering the program's own message boxes from a test, and taking the quit request a window
// that ends the program posts. The boxes are modal: the test sets a thread timer before the call
// that opens one, and the timer clicks a button inside the box's own message loop.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "thread_windows.h"
#include "toolkit/message_box_win.h"
#include "toolkit/window_win.h"

namespace velmora::testing {

// What the user saw in a box that was answered.
struct SeenBox {
  std::string text;
  HWND owner = nullptr;
};

// The boxes answered since the last BoxAnswerer started.
inline std::vector<SeenBox>& SeenBoxes() {
  static std::vector<SeenBox> seen;
  return seen;
}

// Notes the visible box of this thread, if any, and clicks `button` in it.
inline void AnswerOurBox(int button) {
  HWND box = ThreadWindowOfClass(win::kMessageBoxClass, true);
  if (!box) return;
  SeenBoxes().push_back({win::WindowTextGbk(GetDlgItem(box, win::kMessageLabelId)), GetWindow(box, GW_OWNER)});
  SendMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
}

inline void CALLBACK ClickOk(HWND, UINT, UINT_PTR, DWORD) { AnswerOurBox(win::kOkButtonId); }
inline void CALLBACK ClickCancel(HWND, UINT, UINT_PTR, DWORD) { AnswerOurBox(win::kCancelButtonId); }

// Clicks "确定" (or the given timer routine's button) on every box this thread opens while it lives.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(TIMERPROC answer = ClickOk) : timer_(SetTimer(nullptr, 0, 30, answer)) {
    SeenBoxes().clear();
  }
  ~BoxAnswerer() { KillTimer(nullptr, timer_); }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

 private:
  const UINT_PTR timer_;
};

// Closing a window that ends the program posts WM_QUIT: taken here so later loops keep running.
inline bool TakeQuit() {
  MSG message;
  bool seen = false;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) seen = true;
  return seen;
}

}  // namespace velmora::testing
