// The sign-up window in this process against a real gateway, opened over a real login window:
// the database is prepared with the native admin tool and read back with sqlite3 (both started
// from here as Linux programs). gp.ini lives beside this test program, so these tests run one at
// a time, never beside the login window's.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/process_state.h"
#include "app/profile_store_win.h"
#include "app/settings_file.h"
#include "gateway/gateway_client.h"
#include "gateway/platform.h"
#include "gateway/rc4.h"
#include "skin/skin_engine_win.h"
#include "box_answerer.h"
#include "scratch_directory.h"
#include "thread_windows.h"
#include "ui/login_layout.h"
#include "ui/login_window_win.h"
#include "toolkit/message_box_win.h"
#include "ui/signup_layout.h"
#include "ui/signup_window_win.h"
#include "toolkit/window_win.h"
#include "wine_service.h"

namespace velmora::signup_window_test {
namespace {

using win::SetWindowTextGbk;
using win::WindowTextGbk;

using testing::BoxAnswerer;
using testing::Service;
using testing::TakeQuit;
using testing::Utf8;
using testing::Wide;


// The program folder the windows use here: a folder of this test process's own, so that no other
// test process shares its gp.ini.
const std::wstring& ProgramFolder() {
  static const testing::ScratchDirectory folder(L"velmora注册窗口-");
  return folder.wide();
}

std::wstring IniPath() { return SettingsFilePath(ProgramFolder()); }

size_t Count(const std::string& text, const std::string& piece) {
  size_t n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

struct Form {
  const char* account;
  const char* password;
  const char* repeat;
  const char* phone;
  const char* qq;
};

class SignUpWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW(IniPath().c_str());
    TakeQuit();
    ASSERT_TRUE(service_.Ready()) << service_.Log();
    ASSERT_EQ(service_.Admin("set notice-area hidden"), 0);
  }
  void TearDown() override {
    signup_.reset();
    login_.reset();
    TakeQuit();
    DeleteFileW(IniPath().c_str());
  }

  // The login window on a started gateway, and a sign-up window over it.
  void OpenWindows() {
    page_ = service_.Start();
    const std::string& page = page_;
    ASSERT_NE(page, "");
    login_ = std::make_unique<win::LoginWindow>(ProgramFolder(), gateway_);
    {
      BoxAnswerer answerer;
      ASSERT_TRUE(login_->Open(page)) << service_.GatewayLog();
      ASSERT_TRUE(testing::SeenBoxes().empty()) << testing::SeenBoxes().front().text;
    }
    signup_ = std::make_unique<win::SignUpWindow>(login_->hwnd(), gateway_);
    ASSERT_TRUE(signup_->Open());
  }
  HWND Box(int id) const { return signup_->Control(id); }
  void Fill(const Form& f) {
    SetWindowTextGbk(Box(ui::kSignUpAccountBox), f.account);
    SetWindowTextGbk(Box(ui::kSignUpPasswordBox), f.password);
    SetWindowTextGbk(Box(ui::kSignUpRepeatBox), f.repeat);
    SetWindowTextGbk(Box(ui::kSignUpPhoneBox), f.phone);
    SetWindowTextGbk(Box(ui::kSignUpQqBox), f.qq);
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (int id : {ui::kSignUpAccountBox, ui::kSignUpPasswordBox, ui::kSignUpRepeatBox, ui::kSignUpPhoneBox,
                   ui::kSignUpQqBox}) {
      out.push_back(WindowTextGbk(Box(id)));
    }
    return out;
  }
  // One "注册" with every box answered; the boxes it showed are in testing::SeenBoxes().
  void Submit() {
    BoxAnswerer answerer;
    signup_->Submit();
  }
  std::string Accounts() { return service_.Query("select * from account order by 1"); }
  std::string Row(const std::string& utf8_name) {
    return service_.Query(Utf8(u8"select 密码 || '|' || 姓名 || '|' || 身份证号 || '|' || 状态 || '|' || 在线 || '|' || "
                               u8"创建时间 from account where 账号='") +
                          utf8_name + "'");
  }

  win::SkinEngine skin_;
  Service service_{"signup"};
  GatewayClient gateway_{ThisPlatform()};  // this test's own, outliving its windows
  std::string page_;                         // the started gateway's page
  std::unique_ptr<win::LoginWindow> login_;
  std::unique_ptr<win::SignUpWindow> signup_;
};

// The sign-up label opens the window modally over the login window, with its design and the terms
// naming the service's product; "取消" closes it and gives the login window back.
struct SeenWindow {
  bool found = false;
  std::string caption, terms, note;
  RECT client{};
  bool login_enabled = true;
  HWND owner = nullptr;
  std::vector<std::string> captions;
};
SeenWindow g_window;

void CALLBACK InspectAndCancel(HWND, UINT, UINT_PTR, DWORD) {
  HWND window = testing::ThreadWindowOfClass(win::SignUpWindow::kClassName, true);
  if (!window || g_window.found) return;
  g_window.found = true;
  g_window.caption = WindowTextGbk(window);
  g_window.terms = WindowTextGbk(GetDlgItem(window, ui::kSignUpTermsBox));
  GetClientRect(window, &g_window.client);
  g_window.owner = GetWindow(window, GW_OWNER);
  g_window.login_enabled = IsWindowEnabled(g_window.owner);
  for (const auto& spec : ui::kSignUpControls) g_window.captions.push_back(WindowTextGbk(GetDlgItem(window, spec.id)));
  SendMessageW(GetDlgItem(window, ui::kSignUpCancelButton), BM_CLICK, 0, 0);
}

TEST_F(SignUpWindow, TheLabelOpensItModallyWithTheTermsAndCancelCloses) {
  ASSERT_EQ(service_.Sh(Utf8(u8"" VELMORA_NATIVE_BUILD_DIR u8"/admin/velmora-admin --db db set title '金牛操盘' >/dev/null")),
            0);
  const std::string page = service_.Start();
  ASSERT_NE(page, "");
  login_ = std::make_unique<win::LoginWindow>(ProgramFolder(), gateway_);
  ASSERT_TRUE(login_->Open(page));
  g_window = {};
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, InspectAndCancel);
  SendMessageW(login_->Control(ui::kSignUpLabel), WM_LBUTTONUP, 0, 0);  // returns once the window is closed
  KillTimer(nullptr, timer);

  ASSERT_TRUE(g_window.found);
  EXPECT_EQ(g_window.caption, "账号注册");
  EXPECT_EQ(g_window.owner, login_->hwnd());
  EXPECT_FALSE(g_window.login_enabled);
  EXPECT_EQ(g_window.client.right - g_window.client.left, 447);
  EXPECT_EQ(g_window.client.bottom - g_window.client.top, 290);
  ASSERT_EQ(g_window.captions.size(), ui::kSignUpControls.size());
  for (size_t i = 0; i + 1 < ui::kSignUpControls.size(); ++i) {
    EXPECT_EQ(g_window.captions[i], ui::kSignUpControls[i].caption);
  }
  EXPECT_EQ(g_window.terms.find("Velmora"), std::string::npos);
  EXPECT_GE(Count(g_window.terms, "金牛操盘"), 2u);
  EXPECT_EQ(g_window.terms, SignUpTerms("金牛操盘"));

  EXPECT_EQ(testing::ThreadWindowOfClass(win::SignUpWindow::kClassName), nullptr);
  EXPECT_TRUE(IsWindowEnabled(login_->hwnd()));
  EXPECT_TRUE(IsWindowVisible(login_->hwnd()));
}

TEST_F(SignUpWindow, EachFailedCheckShowsItsMessageMovesTheFocusAndKeepsTheBoxes) {
  ASSERT_EQ(service_.Admin("set signup open"), 0);
  ASSERT_NO_FATAL_FAILURE(OpenWindows());
  const std::string before = Accounts();
  struct Case {
    Form form;
    const char* message;
    int focus;  // 0: wherever it was
  };
  const Case cases[] = {
      {{"", "pw", "pw", "138", "123"}, "用户名不能为空，请认真填写！", ui::kSignUpAccountBox},
      {{"新人", "", "", "138", "123"}, "密码不能为空，请认真填写！", ui::kSignUpPasswordBox},
      {{"新人", "pw", "pw ", "138", "123"}, "密码两次输入不同，请认真填写！", ui::kSignUpRepeatBox},
      {{"新人", "pw", "pw", "", "123"}, "联系电话不能为空，请认真填写！", ui::kSignUpPhoneBox},
      {{"新人", "pw", "pw", "138", ""}, "联系QQ不能为空，请认真填写！", ui::kSignUpQqBox},
      {{"demo", "pw", "pw", "138", "123"}, "用户名存在，请重新输入！", ui::kSignUpAccountBox},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Fill(c.form);
    SetFocus(Box(ui::kSignUpButton));
    const std::vector<std::string> typed = Boxes();
    Submit();
    ASSERT_EQ(testing::SeenBoxes().size(), 1u);
    EXPECT_EQ(testing::SeenBoxes()[0].text, c.message);
    EXPECT_EQ(testing::SeenBoxes()[0].owner, signup_->hwnd());
    EXPECT_EQ(GetFocus(), Box(c.focus));
    EXPECT_EQ(Boxes(), typed);
    EXPECT_TRUE(IsWindowVisible(signup_->hwnd()));
  }
  EXPECT_EQ(Accounts(), before);
  EXPECT_EQ(Count(service_.GatewayLog(), " op=1 "), 0u);
}

TEST_F(SignUpWindow, AClosedSignUpSendsNoInsert) {
  struct Case {
    const char* what;
    std::string setup;  // shell, in the work directory
    const char* read;
  } cases[] = {
      {"closed", std::string(VELMORA_NATIVE_BUILD_DIR) + "/admin/velmora-admin --db db set signup closed", "0"},
      {"empty", Utf8(u8"sqlite3 db \"update lset set lset1='' where 编号=1\""), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(service_.Sh(c.setup), 0) << service_.Log();
    ASSERT_NO_FATAL_FAILURE(OpenWindows());
    const std::string before = Accounts();
    State().sign_up_switch = "unread";
    Fill({"新人", "pw", "pw", "138", "123"});
    SetFocus(Box(ui::kSignUpPhoneBox));
    Submit();
    ASSERT_EQ(testing::SeenBoxes().size(), 1u);
    EXPECT_EQ(testing::SeenBoxes()[0].text, "当前系统禁止新用户注册，如有疑问请与管理员联系！");
    EXPECT_EQ(GetFocus(), Box(ui::kSignUpPhoneBox));  // the focus stays, even if another program's window came up meanwhile
    EXPECT_EQ(State().sign_up_switch, c.read);
    EXPECT_EQ(Accounts(), before);
    const std::string log = service_.GatewayLog();
    EXPECT_EQ(Count(log, " op=1 "), 0u) << log;
    EXPECT_EQ(Count(log, " op=4 "), 0u) << log;  // not even the name check
    signup_.reset();
    login_.reset();
    TakeQuit();
    service_.Stop();
  }
}

// A successful sign-up writes the row, fills the login window's boxes and closes; names with
// quotes are written exactly as typed and are then found taken.
// Requests keep the messages flowing: a second click on "注册" while the first attempt is under
// way does not start a second one.
TEST_F(SignUpWindow, OneAttemptAtATime) {
  ASSERT_EQ(service_.Admin("set signup open"), 0);
  ASSERT_NO_FATAL_FAILURE(OpenWindows());
  // The road the window uses here clicks "注册" again from inside the attempt's first request.
  bool armed = false;
  GatewayPlatform platform = ThisPlatform();
  platform.pump = [&] {
    if (armed) {
      armed = false;
      SendMessageW(Box(ui::kSignUpButton), BM_CLICK, 0, 0);
    }
    PumpPendingMessages();
  };
  GatewayClient clicking(platform);
  ASSERT_TRUE(clicking.Connect(page_, BuiltInRequestKey()));
  signup_ = std::make_unique<win::SignUpWindow>(login_->hwnd(), clicking);
  ASSERT_TRUE(signup_->Open());
  Fill({"又一位", "pw", "pw", "13800000000", "12345"});
  armed = true;
  Submit();
  EXPECT_FALSE(armed) << "the attempt sent no request";
  // One name check (operation 4) and one insert: no second attempt ran inside the first.
  EXPECT_EQ(Count(service_.GatewayLog(), " op=4 "), 1u) << service_.GatewayLog();
  EXPECT_EQ(Count(service_.GatewayLog(), "kind=insert"), 1u) << service_.GatewayLog();
  ASSERT_EQ(testing::SeenBoxes().size(), 1u) << service_.GatewayLog();
  EXPECT_EQ(testing::SeenBoxes()[0].text, "注册成功！");
  signup_.reset();
}

TEST_F(SignUpWindow, SuccessWritesTheRowAndHandsTheAccountToTheLoginWindow) {
  ASSERT_EQ(service_.Admin("set signup open"), 0);
  struct Case {
    Form form;
    std::string utf8_account, utf8_phone, utf8_qq;
  } cases[] = {
      {{"新用户", "密码pw 1", "密码pw 1", "13800000000", "12345"}, Utf8(u8"新用户"), "13800000000", "12345"},
      {{"o'neil", "p'w", "p'w", "1'; drop table account; --", "'"}, "o'neil", "1'; drop table account; --", "'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form.account);
    ASSERT_NO_FATAL_FAILURE(OpenWindows());
    const std::string before = Accounts();
    Fill(c.form);
    const HWND window = signup_->hwnd();
    Submit();
    ASSERT_EQ(testing::SeenBoxes().size(), 1u) << service_.GatewayLog();
    EXPECT_EQ(testing::SeenBoxes()[0].text, "注册成功！");
    EXPECT_EQ(testing::SeenBoxes()[0].owner, window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(WindowTextGbk(login_->Control(ui::kAccountBox)), c.form.account);
    EXPECT_EQ(WindowTextGbk(login_->Control(ui::kPasswordBox)), c.form.password);
    EXPECT_EQ(IsDlgButtonChecked(login_->hwnd(), ui::kRememberBox), BST_UNCHECKED);
    EXPECT_EQ(State().sign_up_switch, "1");

    const std::string row = Row(c.utf8_account == "o'neil" ? "o''neil" : c.utf8_account);
    const std::string expected_start =
        Rc4HexEncode(c.form.password) + "|" + c.utf8_phone + "|" + c.utf8_qq + "|0|0|";
    ASSERT_EQ(row.substr(0, expected_start.size()), expected_start) << row;
    EXPECT_TRUE(std::regex_match(row.substr(expected_start.size()),
                                 std::regex(Utf8(u8"[0-9]{4}年[0-9]{1,2}月[0-9]{1,2}日([0-9]{1,2}时)?([0-9]{1,2}分)?"
                                                 u8"([0-9]{1,2}秒)?"))))
        << row;
    const std::string after = Accounts();
    EXPECT_EQ(Count(after, "\n"), Count(before, "\n") + 1) << after;  // one row more, the others as they were

    // The same name again is taken.
    signup_ = std::make_unique<win::SignUpWindow>(login_->hwnd(), gateway_);
    ASSERT_TRUE(signup_->Open());
    Fill(c.form);
    Submit();
    ASSERT_EQ(testing::SeenBoxes().size(), 1u);
    EXPECT_EQ(testing::SeenBoxes()[0].text, "用户名存在，请重新输入！");
    EXPECT_EQ(Accounts(), after);

    signup_.reset();
    login_.reset();
    TakeQuit();
    service_.Stop();
  }
}

}  // namespace
}  // namespace velmora::signup_window_test
