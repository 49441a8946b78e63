#include "ui/login_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/gateway_address.h"
#include "app/process_state.h"
#include "app/settings_changes.h"
#include "feeds/news_page.h"
#include "gateway/gateway_client.h"
#include "gateway/off_thread_link.h"
#include "gateway/transport_win.h"
#include "runtime/com_win.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"
#include "session/login.h"
#include "session/presence.h"
#include "skin/skin_engine_win.h"
#include "ui/login_layout.h"
#include "ui/main_window_win.h"
#include "app/messages_win.h"
#include "ui/settings_window_win.h"
#include "ui/signup_window_win.h"
#include "toolkit/transparent_label_win.h"

namespace velmora::win {
namespace {

// How long start-up waits for the notice browser's document: a browser without one (no HTML
// engine) must not hold the login window back for long.
constexpr std::chrono::milliseconds kNoticeDocumentWait{1500};

// The system's handler for an address (a chat program's own scheme, or the browser).
void OpenWithSystem(const std::string& address) {
  ShellExecuteW(nullptr, L"open", GbkToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The thread's quit is already posted, and a wait that pumps gives up at a quit: the account is
// marked offline from a worker, waited for without pumping (the transport's time-out bounds it).
void MarkOfflineWhileQuitting(GatewayClient& gateway, const std::string& account) {
  OffThreadLink link(
      gateway,
      [](const std::atomic<bool>& done) {
        while (!done.load()) Sleep(10);
        return true;
      },
      TransportWorkerScope);
  MarkOffline(link, account);
}

constexpr DWORD kLoginStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kLoginBanner = 279;

}  // namespace

LoginWindow::LoginWindow(std::wstring program_dir, GatewayClient& gateway)
    : gateway_(gateway),
      program_dir_(std::move(program_dir)),
      profile_(SettingsFilePath(program_dir_)),
      settings_(profile_, program_dir_),
      draw_handle_(ClockSeededHandleDrawer()),
      outside_opener_(OpenWithSystem) {}

LoginWindow::~LoginWindow() = default;

bool LoginWindow::Open(const std::string& gateway_page) {
  // The design is 452 x 429 pixels; the skin draws the whole window, frame included.
  if (!Create(kClassName, kLoginStyle, 0, "Velmora操盘系统", CentredOnWorkArea(ui::kLoginWindowSize), nullptr)) {
    return false;
  }
  if (!Prepare(gateway_page)) return false;
  ShowWindow(hwnd(), SW_SHOW);
  return true;
}

LRESULT LoginWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_DESTROY:
      // Before a login this is the program's only window: closing it ends the program.
      if (!main_) PostQuitMessage(0);
      return 0;
    default:
      return Window::OnMessage(message, wparam, lparam);
  }
}

void LoginWindow::CreateControls() {
  // The title first, so the labels created later lie above it where they overlap.
  CreateTransparentLabel(hwnd(), "", DesignRect(hwnd(), ui::kTitleBox), ui::kTitleLabel,
                         {.format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX});
  for (const ui::ControlDesign& design : ui::kLoginControls) CreateDesignedControl(hwnd(), design);
  // Enter moves from the account box to the password box, and signs in from there.
  SetWindowSubclass(Control(ui::kAccountBox), EditProcedure, ui::kAccountBox, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(Control(ui::kPasswordBox), EditProcedure, ui::kPasswordBox, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK LoginWindow::EditProcedure(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                            DWORD_PTR self) {
  // The dialog keys would take Enter for the default button: these boxes want it themselves.
  if (message == WM_GETDLGCODE && wparam == VK_RETURN) {
    return DefSubclassProc(edit, message, wparam, lparam) | DLGC_WANTALLKEYS;
  }
  if (message == WM_CHAR && wparam == VK_RETURN) {
    auto* login = reinterpret_cast<LoginWindow*>(self);
    if (id == ui::kAccountBox) {
      SetFocus(login->Control(ui::kPasswordBox));
    } else {
      login->SignIn();
    }
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, EditProcedure, id);
  return DefSubclassProc(edit, message, wparam, lparam);
}

bool LoginWindow::Prepare(const std::string& gateway_page) {
  ProcessState& state = State();
  if (SkinEngine* skin = SkinEngine::Instance()) skin->SetBackColor(RGB(255, 255, 255));
  state.gateway_address = gateway_page;
  if (!gateway_.Connect(state.gateway_address, BuiltInRequestKey())) {
    ShowMessage("与服务器连接失败，请与我们管理员联系！", hwnd());
    return false;
  }

  const StartupSettings local = settings_.ReadAtStartup();
  state.sound_on_new_message = int(local.sound_flag);
  state.popup_on_new_message = int(local.popup_flag);
  state.sound_path = local.sound_path;
  if (local.remember) {
    SetWindowTextGbk(Control(ui::kAccountBox), local.name);
    SetWindowTextGbk(Control(ui::kPasswordBox), local.password);
    CheckDlgButton(hwnd(), ui::kRememberBox, BST_CHECKED);
    SetFocus(Control(ui::kPasswordBox));
  }

  if (const auto row = ReadLayoutRow(gateway_)) ApplyLayoutRow(*row);
  AttachSkin();
  ApplySkinSetting(local);

  if (const auto contacts = ReadContacts(gateway_)) {
    state.contact_qq = contacts->qq;
    state.contact_wangwang = contacts->wangwang;
    if (!contacts->qq.empty()) ShowWindow(Control(ui::kQqButton), SW_SHOW);
    if (!contacts->wangwang.empty()) ShowWindow(Control(ui::kWangwangButton), SW_SHOW);
  }
  SetFocus(Control(ui::kAccountBox));
  if (!notice_hidden_) ShowNotice();
  return true;
}

void LoginWindow::ApplyLayoutRow(const LayoutRow& row) {
  ProcessState& state = State();
  state.popup_seconds = row.popup_seconds;
  state.poll_seconds = row.poll_seconds;
  state.product_title = row.title.title;
  title_ = row.title;
  title_applied_ = true;
  SetWindowTextGbk(hwnd(), row.title.title);
  ApplyTitleLook();
  SetWindowTextGbk(Control(ui::kTitleLabel), row.title.title);
  notice_hidden_ = row.hide_notice;
  if (row.hide_notice) {
    ShowWindow(Control(ui::kNoticeLabel), SW_HIDE);
    const Dpi dpi = WindowDpi(hwnd());
    SetWindowPos(hwnd(), nullptr, 0, 0, Scale(ui::kLoginWindowSize.width, dpi), Scale(ui::kLoginHeightWithoutNotice, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void LoginWindow::ApplyTitleLook() {
  const Dpi dpi = WindowDpi(hwnd());
  HFONT font = CreateFontW(FontHeightForPoints(title_.size, dpi), 0, 0, 0, title_.bold ? FW_BOLD : FW_NORMAL, FALSE,
                           FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, GbkToWide(title_.font).c_str());
  HWND title = Control(ui::kTitleLabel);
  // The label takes the new font before the old one is released.
  SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  title_font_.Reset(font);
  SetLabelLook(title, {.colour = COLORREF(title_.colour & 0xFFFFFF),
                       .format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                       .shadow = true,
                       .shadow_colour = COLORREF(title_.shadow_colour & 0xFFFFFF),
                       .shadow_offset = Scale(title_.shadow_offset, dpi)});
}

void LoginWindow::OnDpiChanged(Dpi dpi, const RECT& suggested) {
  Window::OnDpiChanged(dpi, suggested);
  PlaceAtDesign(hwnd(), ui::kTitleLabel, ui::kTitleBox);
  PlaceDesignedControls(hwnd(), ui::kLoginControls);
  if (title_applied_) ApplyTitleLook();
  if (notice_) notice_->Resize(DesignRect(hwnd(), ui::kNoticeBrowserBox));
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void LoginWindow::AttachSkin() {
  SkinEngine* skin = SkinEngine::Instance();
  if (!skin) return;
  AttachOptions options;
  options.banner_height = kLoginBanner;
  options.minimise = true;
  options.maximise = false;
  options.main_menu = true;
  options.help = true;
  skin->AttachWindow(hwnd(), options);
  skin->SkinChildControls();
  skin->SetStatusText(hwnd(), "您当前的IP为：" + gateway_.ClientAddress());
  // Settings opened from here position themselves by the login window.
  skin->SetMainMenuClickHandler(hwnd(), [window = hwnd(), dir = program_dir_] {
    State().settings_opened_from = kSettingsFromLoginWindow;
    ShowSettingsWindow(window, dir);
  });
}

void LoginWindow::ApplySkinSetting(const StartupSettings& local) {
  SkinEngine* skin = SkinEngine::Instance();
  if (!skin) return;
  if (local.skin_is_colour) {
    skin->SetSkinColor(COLORREF(local.skin_colour));
  } else {
    skin->LoadSkinPicture(local.skin_picture);
  }
}

void LoginWindow::ShowNotice() {
  notice_ = BrowserHost::Create(hwnd(), DesignRect(hwnd(), ui::kNoticeBrowserBox));
  if (!notice_) return;
  notice_->SetSuppressContextMenu(true);
  if (notice_->Navigate("about:blank") && notice_->WaitForDocument(kNoticeDocumentWait)) {
    notice_->WriteHtml(NewsPageTemplate());
  }
  if (const auto notice = ReadLoginNotice(gateway_)) {
    notice_->AddTextBlock(notice->text, notice->colour, notice->size, notice->font);
  }
}

void LoginWindow::OnCommand(int id, int code) {
  switch (id) {
    case ui::kLoginButton:
      if (code == BN_CLICKED) SignIn();
      break;
    case ui::kRememberBox:
      if (code == BN_CLICKED) OnRememberClicked();
      break;
    case ui::kSignUpLabel:
      if (code == STN_CLICKED) SignUpWindow::RunOver(hwnd(), gateway_);
      break;
    case ui::kQqButton:
      if (code == BN_CLICKED) OpenChat(QqChatAddress(State().contact_qq));
      break;
    case ui::kWangwangButton:
      if (code == BN_CLICKED) OpenChat(WangwangChatAddress(State().contact_wangwang));
      break;
    default:
      break;
  }
}

void LoginWindow::OnRememberClicked() {
  settings_.RememberBoxClicked(IsDlgButtonChecked(hwnd(), ui::kRememberBox) == BST_CHECKED,
                               WindowTextGbk(Control(ui::kAccountBox)), WindowTextGbk(Control(ui::kPasswordBox)));
}

void LoginWindow::ComeForward() {
  if (main_ && main_->hwnd()) {
    main_->ComeForward();
    return;
  }
  if (!hwnd()) return;
  if (IsIconic(hwnd())) SendMessageW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
  SetForegroundWindow(GetLastActivePopup(hwnd()));
}

void LoginWindow::OpenChat(const std::string& address) {
  // The page has no frame of that name: the browser opens, or reuses, a window named "1".
  if (notice_) {
    notice_->Navigate(address, "1");
  } else if (outside_opener_) {
    outside_opener_(address);
  }
}

void LoginWindow::SignIn() {
  if (signing_in_) return;
  const AttemptUnderWay attempt(signing_in_);
  const LoginRequest request{WindowTextGbk(Control(ui::kAccountBox)), WindowTextGbk(Control(ui::kPasswordBox)),
                             IsDlgButtonChecked(hwnd(), ui::kRememberBox) == BST_CHECKED};
  const LoginOutcome outcome =
      Login(gateway_, request, settings_, gateway_.ServerNow(), gateway_.ClientAddress(), draw_handle_);
  if (!hwnd()) {
    // Closed while the service answered: the program is ending, and no one is left signed in.
    if (outcome.result == LoginResult::kSignedIn) MarkOfflineWhileQuitting(gateway_, outcome.session.account);
    return;
  }
  if (outcome.result != LoginResult::kSignedIn) {
    ShowMessage(outcome.message, outcome.owned_by_login_window ? hwnd() : nullptr);
    return;
  }
  State().session = outcome.session;
  ShowWindow(hwnd(), SW_HIDE);
  main_ = MainWindow::Open(hwnd(), program_dir_, gateway_);
}

}  // namespace velmora::win
