#include "toolkit/window_win.h"

#include <map>

#include "resources/resource_ids.h"
#include "toolkit/transparent_label_win.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"
#include "runtime/handles_win.h"
#include "runtime/key_routing_win.h"

namespace velmora::win {
namespace {

// The owner a modal window disabled, kept on the window until it is given back.
constexpr wchar_t kModalOwnerProperty[] = L"VelmoraModalOwner";

// Enables the owner of a modal window that is about to be hidden or destroyed. It must happen
// before the window goes: Windows hands the activation to another window as the active one
// disappears, and a disabled owner cannot take it, so some other program's window would.
void GiveBackModalOwner(HWND window) {
  if (HWND owner = static_cast<HWND>(RemovePropW(window, kModalOwnerProperty))) EnableWindow(owner, TRUE);
}

bool IsHiding(UINT message, LPARAM lparam) {
  return message == WM_WINDOWPOSCHANGING && (reinterpret_cast<const WINDOWPOS*>(lparam)->flags & SWP_HIDEWINDOW);
}

}  // namespace

Window::~Window() {
  if (hwnd_) {
    // Destroyed with its object: detach first so no message reaches a half-destroyed object.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

RECT DesignRect(HWND parent, ui::Box design) { return ToRect(ui::Scale(design, WindowDpi(parent))); }

Window::Placement Window::CentredOnWorkArea(ui::Box design_size) {
  const ui::Box size = ui::Scale(design_size, WindowDpi(nullptr));
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left + (area.right - area.left - size.width) / 2, area.top + (area.bottom - area.top - size.height) / 2,
          size.width, size.height};
}

Window::Placement Window::ScaledPlacement(ui::Box design) {
  const ui::Box b = ui::Scale(design, WindowDpi(nullptr));
  return {b.left, b.top, b.width, b.height};
}

bool Window::Create(const wchar_t* class_name, DWORD style, DWORD ex_style, const std::string& gbk_caption,
                    Placement where, HWND owner) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), class_name, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = class_name;
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VELMORA_ICON_MAIN));
    if (!RegisterClassExW(&wc)) return false;
  }
  const std::wstring caption = GbkToWide(gbk_caption);
  return CreateWindowExW(ex_style, class_name, caption.c_str(), style, where.x, where.y, where.width,
                         where.height, owner, nullptr, GetModuleHandleW(nullptr), this) != nullptr;
}

LRESULT Window::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (IsHiding(message, lparam) || message == WM_DESTROY) GiveBackModalOwner(hwnd);
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    ForgetWindowDpi(hwnd);
    const LRESULT result = self->OnMessage(message, wparam, lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->OnDestroyed();
    return result;
  }
  const bool top_level = !(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD);
  if (message == WM_ACTIVATE && top_level) return self->OnActivate(wparam, lparam);
  if (message == WM_DPICHANGED && top_level) {
    const Dpi dpi = DpiOfDpiChanged(wparam);
    RememberWindowDpi(hwnd, dpi);
    ChangeDialogFonts(hwnd, dpi);
    self->OnDpiChanged(dpi, *reinterpret_cast<const RECT*>(lparam));
    return 0;
  }
  return self->OnMessage(message, wparam, lparam);
}

void Window::OnDpiChanged(Dpi, const RECT& suggested) {
  // A minimised window (the main window in the notification area) keeps its place: moved now, it
  // would come back from the taskbar at the icon's place; restored, it lays out at its DPI anyway.
  if (IsIconic(hwnd_)) return;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT Window::OnActivate(WPARAM wparam, LPARAM lparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) last_focus_ = focus;
    return OnMessage(WM_ACTIVATE, wparam, lparam);
  }
  const LRESULT result = OnMessage(WM_ACTIVATE, wparam, lparam);
  // Not while minimised: the focus then stays off the controls until the window is restored.
  if (!HIWORD(wparam) && last_focus_ && IsWindow(last_focus_) && IsChild(hwnd_, last_focus_) &&
      IsWindowEnabled(last_focus_) && IsWindowVisible(last_focus_)) {
    SetFocus(last_focus_);
  }
  return result;
}

namespace {

struct KindStyle {
  const wchar_t* control_class;
  DWORD style;
};

KindStyle StyleOf(ui::ControlKind kind) {
  using ui::ControlKind;
  switch (kind) {
    case ControlKind::kLabel: return {L"STATIC", SS_LEFT | SS_NOPREFIX};
    case ControlKind::kTransparentLabel:
    case ControlKind::kLinkLabel: return {kTransparentLabelClass, 0};
    case ControlKind::kLine: return {L"STATIC", SS_ETCHEDHORZ};
    case ControlKind::kEdit: return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER};
    case ControlKind::kPassword: return {L"EDIT", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP | WS_BORDER};
    case ControlKind::kTermsBox: return {L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER};
    case ControlKind::kButton: return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::kPictureButton: return {L"BUTTON", BS_PUSHBUTTON};
    case ControlKind::kCheckBox: return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
    // Paints itself (the skin answers the colour messages of a window's statics) and is clicked.
    case ControlKind::kColourSwatch: return {L"STATIC", SS_OWNERDRAW | SS_NOTIFY};
  }
  return {L"STATIC", 0};
}

constexpr COLORREF kLinkColour = RGB(0, 0, 255);

}  // namespace

HWND CreateDesignedControl(HWND parent, const ui::ControlDesign& design) {
  const std::string caption(design.caption);
  HWND control = nullptr;
  if (design.kind == ui::ControlKind::kTransparentLabel || design.kind == ui::ControlKind::kLinkLabel) {
    LabelLook look;
    if (design.kind == ui::ControlKind::kLinkLabel) {
      look.colour = kLinkColour;
      look.link = true;
    }
    control = CreateTransparentLabel(parent, caption, DesignRect(parent, design.box), design.id, look);
  } else {
    const KindStyle kind = StyleOf(design.kind);
    control = CreateControl(parent, kind.control_class, caption, kind.style, DesignRect(parent, design.box), design.id);
  }
  if (design.initially_hidden && control) ShowWindow(control, SW_HIDE);
  return control;
}

void PlaceAtDesign(HWND parent, int id, ui::Box design) {
  HWND control = GetDlgItem(parent, id);
  if (!control) return;
  const RECT where = DesignRect(parent, design);
  SetWindowPos(control, nullptr, where.left, where.top, where.right - where.left, where.bottom - where.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlaceDesignedControls(HWND parent, std::span<const ui::ControlDesign> designs) {
  for (const ui::ControlDesign& design : designs) PlaceAtDesign(parent, design.id, design.box);
}

namespace {

// One dialog font for each DPI the program's windows have been at: a few at most, kept for the
// process (controls hold them without owning them).
std::map<int, GdiObjectOwner<HFONT>>& DialogFonts() {
  static std::map<int, GdiObjectOwner<HFONT>> fonts;
  return fonts;
}

}  // namespace

void ChangeDialogFonts(HWND window, Dpi dpi) {
  struct Change {
    HFONT to;
  } change{DialogFont(dpi)};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM context) WINAPI -> BOOL {
        const HFONT to = reinterpret_cast<const Change*>(context)->to;
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (!font || font == to) return TRUE;
        for (const auto& [value, made] : DialogFonts()) {
          if (made.get() == font) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(to), TRUE);
            break;
          }
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&change));
}

HFONT DialogFont(Dpi dpi) {
  GdiObjectOwner<HFONT>& font = DialogFonts()[dpi.value];
  if (!font) {
    font.Reset(CreateFontW(FontHeightForPoints(9, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
  }
  return font.get();
}

HWND CreateControl(HWND parent, const wchar_t* control_class, const std::string& gbk_caption, DWORD style,
                   RECT where, int id) {
  const std::wstring caption = GbkToWide(gbk_caption);
  HWND control = CreateWindowExW(0, control_class, caption.c_str(), WS_CHILD | WS_VISIBLE | style, where.left,
                                 where.top, where.right - where.left, where.bottom - where.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(WindowDpi(parent))), FALSE);
  return control;
}

std::string WindowTextGbk(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(size_t(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(size_t(got > 0 ? got : 0));
  return WideToGbk(text);
}

void SetWindowTextGbk(HWND hwnd, const std::string& gbk) { SetWindowTextW(hwnd, GbkToWide(gbk).c_str()); }

void DispatchWithNavigation(MSG& msg, HWND dialog) {
  if (PreTranslateKey(msg)) return;
  if (!IsDialogMessageW(dialog, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchWithNavigation(msg, GetAncestor(msg.hwnd, GA_ROOT));
  return int(msg.wParam);
}

void RunModal(HWND window, HWND owner) {
  if (owner && SetPropW(window, kModalOwnerProperty, owner)) EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
  MSG msg;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (got < 0) break;
    DispatchWithNavigation(msg, window);
  }
  if (owner) {
    // Given back as the window went; again here for a loop that ended otherwise (a quit).
    if (IsWindow(window)) GiveBackModalOwner(window);
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
}

}  // namespace velmora::win
