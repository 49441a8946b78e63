// The message and confirmation boxes, driven as a user would: find the box, read it, click.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/messages_win.h"
#include "app/process_state.h"
#include "skin/skin_engine_win.h"
#include "thread_windows.h"
#include "toolkit/message_box_win.h"
#include "toolkit/window_win.h"

namespace velmora::win {
namespace {

// What the next box gets: runs on a timer inside the box's modal loop.
std::function<void(HWND box)> g_user;
std::string g_seen_text;
int g_boxes_seen = 0;

HWND OurBox() { return testing::ThreadWindowOfClass(kMessageBoxClass); }

void CALLBACK ActOnBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = OurBox();
  if (!box || !IsWindowVisible(box)) return;
  KillTimer(nullptr, timer);
  ++g_boxes_seen;
  g_seen_text = WindowTextGbk(GetDlgItem(box, kMessageLabelId));
  g_user(box);
}

void WhenBoxOpens(std::function<void(HWND)> user) {
  g_user = std::move(user);
  SetTimer(nullptr, 0, 30, ActOnBox);
}

void Click(HWND box, int id) { SendMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0); }

class Boxes : public ::testing::Test {
 protected:
  void SetUp() override {
    State().close_answer = 0;
    g_boxes_seen = 0;
  }
  SkinEngine skin_;  // as in the program: the boxes draw through it
};

TEST_F(Boxes, MessageShowsTheTextWithOneButtonAndWaitsForIt) {
  bool had_cancel = true;
  WhenBoxOpens([&](HWND box) {
    had_cancel = GetDlgItem(box, kCancelButtonId) != nullptr;
    Click(box, kOkButtonId);
  });
  ShowMessage("与服务器连接失败，请与我们管理员联系！", nullptr);
  EXPECT_EQ(g_seen_text, "与服务器连接失败，请与我们管理员联系！");
  EXPECT_FALSE(had_cancel);
  EXPECT_EQ(State().message_text, "与服务器连接失败，请与我们管理员联系！");
  EXPECT_EQ(OurBox(), nullptr);  // gone once answered

  // A second message is a second box, waiting again.
  WhenBoxOpens([](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); });
  ShowMessage("密码输入有误，请从新输入！", nullptr);
  EXPECT_EQ(g_boxes_seen, 2);
  EXPECT_EQ(g_seen_text, "密码输入有误，请从新输入！");
}

TEST_F(Boxes, ConfirmationAnswersAndClosingByTheFrameIsNo) {
  struct Case {
    std::function<void(HWND)> user;
    bool proceed;
  } cases[] = {
      {[](HWND box) { Click(box, kOkButtonId); }, true},
      {[](HWND box) { Click(box, kCancelButtonId); }, false},
      {[](HWND box) { Click(box, kOkButtonId); }, true},
      {[](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }, false},  // even right after a "yes"
  };
  for (auto& c : cases) {
    WhenBoxOpens(c.user);
    EXPECT_EQ(AskConfirmation("确认是否关闭此程序？", nullptr), c.proceed);
    EXPECT_EQ(State().close_answer, c.proceed ? 0 : 1);
    EXPECT_EQ(g_seen_text, "确认是否关闭此程序？");
  }
}

TEST_F(Boxes, OwnerIsDisabledWhileTheBoxIsOpen) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  bool owner_enabled_meanwhile = true;
  HWND box_owner = nullptr;
  WhenBoxOpens([&](HWND box) {
    owner_enabled_meanwhile = IsWindowEnabled(owner);
    box_owner = GetWindow(box, GW_OWNER);
    Click(box, kOkButtonId);
  });
  ShowMessage("x", owner);
  EXPECT_FALSE(owner_enabled_meanwhile);
  EXPECT_EQ(box_owner, owner);
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

TEST_F(Boxes, AnOwnerThatHasGoneLeavesTheBoxStandingAlone) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  DestroyWindow(owner);
  HWND box_owner = owner;
  WhenBoxOpens([&](HWND box) {
    box_owner = GetWindow(box, GW_OWNER);
    Click(box, kOkButtonId);
  });
  EXPECT_TRUE(AskConfirmation("确认是否关闭此程序？", owner));
  EXPECT_EQ(g_boxes_seen, 1);
  EXPECT_EQ(box_owner, nullptr);
}

// Refuses the drawn box's creation, as a system out of window resources would.
LRESULT CALLBACK RefuseDrawnBoxes(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    wchar_t name[64];
    if (GetClassNameW(reinterpret_cast<HWND>(wparam), name, 64) && std::wstring(name) == kMessageBoxClass) return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

std::string g_system_box_text;
int g_system_box_answer = IDOK;
void CALLBACK AnswerSystemBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = testing::ThreadWindowOfClass(L"#32770", true);
  if (!box) return;
  KillTimer(nullptr, timer);
  g_system_box_text.clear();
  // The text is the box's static control; its id differs between systems, so read every static.
  EnumChildWindows(
      box,
      [](HWND child, LPARAM) WINAPI -> BOOL {
        wchar_t name[16];
        if (GetClassNameW(child, name, 16) && std::wstring(name) == L"Static") g_system_box_text += WindowTextGbk(child);
        return TRUE;
      },
      0);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(g_system_box_answer, BN_CLICKED), 0);
}

TEST_F(Boxes, WhenTheDrawnBoxCannotBeMadeTheSystemsBoxShowsTheTextAndAnswers) {
  HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseDrawnBoxes, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  for (const int answer : {IDOK, IDCANCEL}) {
    g_system_box_answer = answer;
    SetTimer(nullptr, 0, 30, AnswerSystemBox);
    EXPECT_EQ(AskConfirmation("确认是否关闭此程序？", nullptr), answer == IDOK);
    EXPECT_NE(g_system_box_text.find("确认是否关闭此程序？"), std::string::npos) << g_system_box_text;
  }
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(OurBox(), nullptr);
}

// Windows hands the activation on as the active window goes: the owner must be enabled by then,
// or another program's window comes forward after every box.
std::vector<std::string> g_order;

LRESULT CALLBACK RecordEnable(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_ENABLE && wparam) g_order.push_back("owner enabled");
  return DefSubclassProc(window, message, wparam, lparam);
}
// Notes the box's going once the box itself has handled the message.
LRESULT CALLBACK RecordGoing(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  const bool hiding =
      message == WM_WINDOWPOSCHANGING && (reinterpret_cast<WINDOWPOS*>(lparam)->flags & SWP_HIDEWINDOW);
  const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
  if (hiding) g_order.push_back("box hidden");
  if (message == WM_DESTROY) g_order.push_back("box destroyed");
  return result;
}

TEST_F(Boxes, TheOwnerIsEnabledBeforeTheBoxGoes) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  SetWindowSubclass(owner, RecordEnable, 1, 0);
  for (const int button : {kOkButtonId, kCancelButtonId}) {
    g_order.clear();
    WhenBoxOpens([button](HWND box) {
      SetWindowSubclass(box, RecordGoing, 1, 0);
      Click(box, button);
    });
    ConfirmInBox("x", owner);
    ASSERT_FALSE(g_order.empty());
    EXPECT_EQ(g_order.front(), "owner enabled") << "button " << button;
  }
  RemoveWindowSubclass(owner, RecordEnable, 1);
  DestroyWindow(owner);
}

}  // namespace
}  // namespace velmora::win
