#include "ui/signup_window_win.h"

#include "app/process_state.h"
#include "gateway/gateway_client.h"
#include "skin/skin_engine_win.h"
#include "ui/login_layout.h"
#include "app/messages_win.h"
#include "ui/signup_layout.h"

namespace velmora::win {
namespace {


constexpr DWORD kSignUpStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kSignUpExStyle = WS_EX_DLGMODALFRAME;

}  // namespace

bool SignUpWindow::Open() {
  // The design is 447 x 290 pixels; the skin draws the whole window, frame included.
  if (!Create(kClassName, kSignUpStyle, kSignUpExStyle, "账号注册", CentredOnWorkArea(ui::kSignUpWindowSize), login_)) {
    return false;
  }
  ShowWindow(hwnd(), SW_SHOW);
  SetFocus(Control(ui::kSignUpAccountBox));
  return true;
}

void SignUpWindow::RunOver(HWND login_window, GatewayClient& gateway) {
  SignUpWindow window(login_window, gateway);
  if (!window.Open()) return;
  RunModal(window.hwnd(), login_window);
}

LRESULT SignUpWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreated();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    default:
      return Window::OnMessage(message, wparam, lparam);
  }
}

void SignUpWindow::OnDpiChanged(Dpi dpi, const RECT& suggested) {
  Window::OnDpiChanged(dpi, suggested);
  PlaceDesignedControls(hwnd(), ui::kSignUpControls);
}

void SignUpWindow::OnCreated() {
  // Plain boxes: the two password boxes show what is typed, so the user can compare them.
  for (const ui::ControlDesign& design : ui::kSignUpControls) CreateDesignedControl(hwnd(), design);
  if (SkinEngine* skin = SkinEngine::Instance()) skin->AttachWindow(hwnd(), DialogSkin());
  SetWindowTextGbk(Control(ui::kSignUpTermsBox), SignUpTerms(State().product_title));
}

void SignUpWindow::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == ui::kSignUpButton) {
    Submit();
  } else if (id == ui::kSignUpCancelButton) {
    DestroyWindow(hwnd());
  }
}

HWND SignUpWindow::Box(SignUpBox box) const {
  switch (box) {
    case SignUpBox::kAccount: return Control(ui::kSignUpAccountBox);
    case SignUpBox::kPassword: return Control(ui::kSignUpPasswordBox);
    case SignUpBox::kRepeat: return Control(ui::kSignUpRepeatBox);
    case SignUpBox::kPhone: return Control(ui::kSignUpPhoneBox);
    case SignUpBox::kQq: return Control(ui::kSignUpQqBox);
  }
  return nullptr;
}

void SignUpWindow::Submit() {
  if (submitting_) return;
  const AttemptUnderWay attempt(submitting_);
  const SignUpForm form{WindowTextGbk(Box(SignUpBox::kAccount)), WindowTextGbk(Box(SignUpBox::kPassword)),
                        WindowTextGbk(Box(SignUpBox::kRepeat)), WindowTextGbk(Box(SignUpBox::kPhone)),
                        WindowTextGbk(Box(SignUpBox::kQq))};
  const SignUpOutcome outcome = SignUp(gateway_, form, gateway_.ServerNow());
  if (outcome.sign_up_switch) State().sign_up_switch = *outcome.sign_up_switch;
  if (!hwnd()) return;  // closed while the service answered: nothing more to tell
  if (outcome.result == SignUpResult::kSignedUp) {
    HandOver(form);
    // The box is owned by this window, still modal over the login window, so the login window
    // stays disabled until the sign-up window itself is gone.
    ShowMessage(outcome.message, hwnd());
    DestroyWindow(hwnd());
    return;
  }
  // The box takes the focus while it is open: give it back to the check's box, or to where it was.
  HWND had_focus = GetFocus();
  ShowMessage(outcome.message, hwnd());
  if (outcome.focus) {
    SetFocus(Box(*outcome.focus));
  } else if (had_focus && IsChild(hwnd(), had_focus)) {
    SetFocus(had_focus);
  }
}

void SignUpWindow::HandOver(const SignUpForm& form) {
  SetWindowTextGbk(GetDlgItem(login_, ui::kAccountBox), form.account);
  SetWindowTextGbk(GetDlgItem(login_, ui::kPasswordBox), form.password);
}

}  // namespace velmora::win
