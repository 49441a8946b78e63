#include "ui/settings_window_win.h"

#include <cderr.h>
#include <commdlg.h>

#include <array>
#include <vector>

#include "app/messages_win.h"
#include "app/process_state.h"
#include "app/profile_store_win.h"
#include "app/settings_changes.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"
#include "runtime/handles_win.h"
#include "skin/skin_engine_win.h"
#include "ui/settings_layout.h"
#include "toolkit/window_win.h"

namespace velmora::win {
namespace {

using ui::SettingsControl;


constexpr DWORD kSettingsStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
// A chosen file whose path has letters gp.ini (GBK) cannot hold, nor a short name without them.
constexpr std::string_view kChoiceNotKept =
    "所选文件的路径含有无法保存的字符，本次运行中有效，下次启动后将不再使用。";
constexpr DWORD kSettingsExStyle = WS_EX_DLGMODALFRAME;

// The process's skin engine as the settings' skin; without an engine a choice is only stored.
class EngineSkin final : public SkinChanger {
 public:
  void SetSkinColour(std::uint32_t colour) override {
    if (SkinEngine* skin = SkinEngine::Instance()) skin->SetSkinColor(COLORREF(colour));
  }
  bool LoadSkinPicture(const std::wstring& path) override {
    SkinEngine* skin = SkinEngine::Instance();
    return skin && skin->LoadSkinPicture(path);
  }
};

ScreenBox ScreenBoxOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The work area of the monitor the opener is on.
ScreenBox WorkAreaNear(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return ScreenBoxOf(info.rcWork);
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return ScreenBoxOf(area);
}

class SettingsWindow;
SettingsWindow* g_open_window = nullptr;  // one settings window at a time

class SettingsWindow final : public Window {
 public:
  SettingsWindow(ProfileStore& store, const SettingsDialogs& dialogs, const std::wstring& program_dir)
      : file_(store, program_dir), changes_(file_, State(), skin_), dialogs_(dialogs) {}

  bool Open(HWND opener) {
    const ui::Box at = ui::Scale(ui::kSettingsCreatedAt, WindowDpi(nullptr));
    if (!Create(kSettingsWindowClass, kSettingsStyle, kSettingsExStyle, "软件设置",
                {at.left, at.top, at.width, at.height}, nullptr)) {
      return false;
    }
    if (SkinEngine* skin = SkinEngine::Instance()) skin->AttachWindow(hwnd(), DialogSkin());
    PlaceBy(opener);
    changes_.Load();
    return true;
  }

 private:
  using Handler = void (SettingsWindow::*)();
  struct Command {
    SettingsControl id;
    Handler handler;
  };
  struct Switch {
    SettingsControl id;
    NotifySwitch which;
  };
  static constexpr std::array<Switch, 2> kSwitches = {{
      {ui::kSoundSwitch, NotifySwitch::kSound},
      {ui::kPopupSwitch, NotifySwitch::kPopup},
  }};

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_CREATE:
        OnCreated();
        return 0;
      case WM_COMMAND:
        OnCommand(LOWORD(wparam), HIWORD(wparam));
        return 0;
      case WM_DRAWITEM:
        if (wparam == ui::kColourPicker) {
          OnDrawSwatch(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
          return TRUE;
        }
        return Window::OnMessage(message, wparam, lparam);
      default:
        return Window::OnMessage(message, wparam, lparam);
    }
  }

  void OnCreated() {
    for (const ui::ControlDesign& design : ui::kSettingsControls) CreateDesignedControl(hwnd(), design);
    // Ticked before the skin takes the boxes over: it keeps the state it finds.
    for (const auto& s : kSwitches) {
      SendMessageW(GetDlgItem(hwnd(), s.id), BM_SETCHECK, changes_.SwitchOn(s.which) ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }

  void OnDpiChanged(Dpi dpi, const RECT& suggested) override {
    Window::OnDpiChanged(dpi, suggested);
    PlaceDesignedControls(hwnd(), ui::kSettingsControls);
  }

  void PlaceBy(HWND opener) {
    RECT opener_rect{}, own{};
    if (!opener || !GetWindowRect(opener, &opener_rect) || !GetWindowRect(hwnd(), &own)) return;
    const ScreenPoint at =
        SettingsWindowPlacement(State().settings_opened_from, ScreenBoxOf(opener_rect), {own.left, own.top},
                                own.right - own.left, own.bottom - own.top, WorkAreaNear(opener), WindowDpi(hwnd()));
    SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Button clicks and the swatch's click arrive with the same notification code.
  void OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    for (const auto& command : kCommands) {
      if (command.id == id) (this->*command.handler)();
    }
  }

  void OnColourClicked() {
    if (!dialogs_.pick_colour) return;
    const std::optional<COLORREF> colour = dialogs_.pick_colour(hwnd(), CurrentSkinColour());
    if (!colour) return;
    changes_.ColourChosen(std::uint32_t(*colour & 0x00FFFFFF));
    RefreshSwatch();
  }

  void OnPictureClicked() {
    if (!dialogs_.pick_file) return;
    const bool kept =
        changes_.PictureAnswered(dialogs_.pick_file(hwnd(), kPictureDialogFilter, changes_.PictureStart()));
    RefreshSwatch();  // a loaded picture's average colour is the skin colour now
    if (!kept) ShowMessage(std::string(kChoiceNotKept), hwnd());
  }

  void OnSoundClicked() {
    if (!dialogs_.pick_file) return;
    if (!changes_.SoundAnswered(dialogs_.pick_file(hwnd(), kSoundDialogFilter, changes_.SoundStart()))) {
      ShowMessage(std::string(kChoiceNotKept), hwnd());
    }
  }

  void OnSoundSwitchClicked() { SwitchClicked(kSwitches[0]); }
  void OnPopupSwitchClicked() { SwitchClicked(kSwitches[1]); }

  void SwitchClicked(const Switch& s) {
    const bool ticked = SendMessageW(GetDlgItem(hwnd(), s.id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    changes_.SwitchClicked(s.which, ticked);
  }

  COLORREF CurrentSkinColour() {
    if (SkinEngine* skin = SkinEngine::Instance()) return skin->Resources().skin_colour;
    return COLORREF(file_.SkinColour());
  }

  void RefreshSwatch() { InvalidateRect(GetDlgItem(hwnd(), ui::kColourPicker), nullptr, TRUE); }

  void OnDrawSwatch(const DRAWITEMSTRUCT& item) {
    GdiObjectOwner<HBRUSH> fill;
    fill.Reset(CreateSolidBrush(CurrentSkinColour()));
    FillRect(item.hDC, &item.rcItem, fill.get());
    FrameRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }

  static constexpr std::array<Command, 5> kCommands = {{
      {ui::kColourPicker, &SettingsWindow::OnColourClicked},
      {ui::kPictureButton, &SettingsWindow::OnPictureClicked},
      {ui::kSoundButton, &SettingsWindow::OnSoundClicked},
      {ui::kSoundSwitch, &SettingsWindow::OnSoundSwitchClicked},
      {ui::kPopupSwitch, &SettingsWindow::OnPopupSwitchClicked},
  }};

  EngineSkin skin_;
  SettingsFile file_;
  SettingsChanges changes_;
  const SettingsDialogs& dialogs_;
};

std::optional<COLORREF> PickColourWithSystemDialog(HWND owner, COLORREF current) {
  static std::array<COLORREF, 16> custom_colours{};  // kept for the run, as the dialog expects
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = owner;
  choose.rgbResult = current;
  choose.lpCustColors = custom_colours.data();
  choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!ChooseColorW(&choose)) return std::nullopt;
  return choose.rgbResult;
}

bool RunOpenDialog(HWND owner, const std::wstring& filter, const std::wstring& start_path, std::wstring& chosen) {
  std::vector<wchar_t> file(32768, L'\0');
  if (start_path.size() < file.size()) start_path.copy(file.data(), start_path.size());
  std::wstring start_dir;
  if (const size_t slash = start_path.find_last_of(L"\\/"); slash != std::wstring::npos) {
    start_dir = start_path.substr(0, slash);
  }
  OPENFILENAMEW open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = owner;
  open.lpstrFilter = filter.c_str();
  open.nFilterIndex = 1;
  open.lpstrFile = file.data();
  open.nMaxFile = DWORD(file.size());
  open.lpstrInitialDir = start_dir.empty() ? nullptr : start_dir.c_str();
  // The program finds its own files by its module's directory, but a dialog that moves the
  // current directory would still surprise anything relative; it must stay where it was.
  open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&open)) return false;
  chosen.assign(file.data());
  return true;
}

std::optional<std::wstring> PickFileWithSystemDialog(HWND owner, std::string_view bar_filter,
                                                     const std::wstring& start) {
  const std::wstring filter = GbkToWide(OpenDialogFilterList(bar_filter));
  std::wstring chosen;
  if (!RunOpenDialog(owner, filter, start, chosen)) {
    // A stored start path the dialog refuses (bad characters, too long) must not lock the user
    // out of choosing a file: ask again from nowhere in particular.
    if (start.empty() || CommDlgExtendedError() != FNERR_INVALIDFILENAME) return std::nullopt;
    if (!RunOpenDialog(owner, filter, std::wstring(), chosen)) return std::nullopt;
  }
  if (chosen.empty()) return std::nullopt;
  return chosen;
}

}  // namespace

SettingsDialogs SystemSettingsDialogs() { return {PickColourWithSystemDialog, PickFileWithSystemDialog}; }

void ShowSettingsWindow(HWND opener, ProfileStore& store, const SettingsDialogs& dialogs,
                        const std::wstring& program_dir) {
  if (g_open_window && IsWindow(g_open_window->hwnd())) {
    // Modal without owner: the opener stays usable, and its button must not stack a second loop.
    SetForegroundWindow(g_open_window->hwnd());
    return;
  }
  SettingsWindow window(store, dialogs, program_dir);
  if (!window.Open(opener)) return;
  g_open_window = &window;
  RunModal(window.hwnd(), nullptr);
  g_open_window = nullptr;
}

void ShowSettingsWindow(HWND opener, const std::wstring& program_dir) {
  IniFileProfileStore store(SettingsFilePath(program_dir));
  const SettingsDialogs dialogs = SystemSettingsDialogs();
  ShowSettingsWindow(opener, store, dialogs, program_dir);
}

}  // namespace velmora::win
