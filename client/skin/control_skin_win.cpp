// The controls inside skinned windows: push buttons (and plain check boxes and radio buttons)
// drawn from the built-in control sheet, and every other window below a skinned window erasing
// its background in the engine's background colour.
#include <algorithm>
#include <string>

#include "runtime/dpi_win.h"
#include "skin/artwork_scale.h"
#include "skin/button_kind.h"
#include "skin/nine_grid.h"
#include "skin/skin_engine_win.h"
#include "skin/skin_properties_win.h"

namespace velmora::win {

namespace {

constexpr UINT kHoverTimeMs = 5;

skin::ButtonKind KindOf(HWND button) {
  return static_cast<skin::ButtonKind>(prop::GetInt(button, prop::kWindowType));
}

// A new look is stored and painted through the owner-draw path, without erasing.
void SetDrawState(HWND button, int state) {
  if (prop::GetInt(button, prop::kDrawState) == state) return;
  prop::Set(button, prop::kDrawState, state);
  InvalidateRect(button, nullptr, FALSE);
}

// The radio buttons of `button`'s group: from the nearest earlier sibling with WS_GROUP (or the
// first sibling) up to the next sibling with WS_GROUP.
void UncheckGroupSiblings(HWND button) {
  HWND first = button;
  while (!(GetWindowLongPtrW(first, GWL_STYLE) & WS_GROUP)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (!previous) break;
    first = previous;
  }
  for (HWND sibling = first; sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling != first && (GetWindowLongPtrW(sibling, GWL_STYLE) & WS_GROUP)) break;
    if (sibling != button && KindOf(sibling) == skin::ButtonKind::kRadioButton) {
      SendMessageW(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
}

// A check box toggles and a radio button checks itself (unchecking its group) when clicked.
void ToggleByClick(HWND button) {
  if (KindOf(button) == skin::ButtonKind::kRadioButton) {
    SendMessageW(button, BM_SETCHECK, BST_CHECKED, 0);
    UncheckGroupSiblings(button);
  } else {
    SendMessageW(button, BM_SETCHECK, prop::GetInt(button, prop::kCheck) == 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

bool IsToggle(HWND button) {
  const skin::ButtonKind kind = KindOf(button);
  return kind == skin::ButtonKind::kCheckBox || kind == skin::ButtonKind::kRadioButton;
}

bool PointInside(HWND window, LPARAM lparam) {
  RECT client{};
  GetClientRect(window, &client);
  const POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  return PtInRect(&client, p) != FALSE;
}

}  // namespace

void SkinEngine::SkinChildControls() {
  skin_children_ = true;
  for (size_t i = 0; i < records_.size(); ++i) {
    HWND window = records_[i]->window;
    WalkChildControls(window);
    if (IsWindowVisible(window)) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void SkinEngine::WalkChildControls(HWND window) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t class_name[256] = {};
    GetClassNameW(child, class_name, 256);
    const auto style = static_cast<std::uint32_t>(GetWindowLongPtrW(child, GWL_STYLE));
    const skin::ButtonKind kind = skin::ClassifyButton(style);
    if (std::wstring(class_name) == L"Button" && kind != skin::ButtonKind::kNotSkinned &&
        !GetPropW(child, prop::kWndProc)) {
      prop::Set(child, prop::kCheck, SendMessageW(child, BM_GETCHECK, 0, 0) != 0 ? 1 : 0);
      SetWindowLongPtrW(child, GWL_STYLE, LONG_PTR((style & ~std::uint32_t(BS_TYPEMASK)) | BS_OWNERDRAW));
      prop::Set(child, prop::kWindowType, int(kind));
      Subclass(child, ButtonWindowProc);
    }
    WalkChildControls(child);
  }
  Subclass(window, ContainerWindowProc);
}

LRESULT CALLBACK SkinEngine::ButtonWindowProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
  // An owner-drawn button takes the second press of a double click for a notification only; a
  // check box or radio button takes it as a press, as the plain ones do, so it toggles twice.
  if (message == WM_LBUTTONDBLCLK && IsToggle(button)) message = WM_LBUTTONDOWN;
  switch (message) {
    case WM_MOUSEMOVE:
      if (prop::GetInt(button, prop::kTrackMouse) == 0) {
        TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, button, kHoverTimeMs};
        TrackMouseEvent(&track);
        prop::Set(button, prop::kTrackMouse, 1);
      }
      break;
    case WM_MOUSEHOVER:
      SetDrawState(button, 1);
      break;
    case WM_MOUSELEAVE:
      SetDrawState(button, 0);
      prop::Set(button, prop::kTrackMouse, 0);
      break;
    case WM_LBUTTONDOWN:
      SetDrawState(button, 2);
      break;
    case WM_LBUTTONUP:
      if (!IsToggle(button)) {
        // A push button keeps a check state of its own that every click turns over.
        SendMessageW(button, BM_SETCHECK, prop::GetInt(button, prop::kCheck) == 0 ? 1 : 0, 0);
      } else if (PointInside(button, lparam) && GetCapture() == button) {
        ToggleByClick(button);
      }
      SetDrawState(button, 1);
      break;
    case WM_KEYUP:
      if (wparam == VK_SPACE && IsToggle(button)) ToggleByClick(button);
      break;
    case BM_SETCHECK:
      if (prop::GetInt(button, prop::kCheck) != int(wparam)) {
        prop::Set(button, prop::kCheck, LONG_PTR(wparam));
        if (IsToggle(button)) InvalidateRect(button, nullptr, FALSE);
      }
      break;
    case BM_GETCHECK:
      return prop::Get(button, prop::kCheck);
    case WM_NCDESTROY: {
      // The button's own procedure finishes the destruction; the engine's properties go first.
      const auto previous = prop::GetHandle<WNDPROC>(button, prop::kWndProc);
      SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      for (const wchar_t* name : prop::kControlProperties) RemovePropW(button, name);
      return CallWindowProcW(previous, button, message, wparam, lparam);
    }
    default:
      break;
  }
  return PassOn(button, message, wparam, lparam);
}

LRESULT CALLBACK SkinEngine::ContainerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  SkinEngine* engine = Instance();
  switch (message) {
    case WM_ERASEBKGND: {
      if (!engine) break;
      RECT bounds{};
      GetWindowRect(window, &bounds);
      const RECT area{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
      FillRect(reinterpret_cast<HDC>(wparam), &area, engine->resources_->background_brush.get());
      return 1;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (engine && item && item->CtlType == ODT_BUTTON && prop::Get(item->hwndItem, prop::kWindowType) != 0) {
        engine->DrawSkinnedButton(item->hwndItem, item->hDC);
        return 1;
      }
      break;
    }
    case WM_NCDESTROY: {
      const auto previous = prop::GetHandle<WNDPROC>(window, prop::kWndProc);
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      RemovePropW(window, prop::kWndProc);
      return CallWindowProcW(previous, window, message, wparam, lparam);
    }
    default:
      break;
  }
  return PassOn(window, message, wparam, lparam);
}

void SkinEngine::DrawSkinnedButton(HWND button, HDC target) {
  RECT bounds{};
  GetWindowRect(button, &bounds);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  SkinResources& r = *resources_;
  // The control sheet at the button's DPI: its frames at their scaled size, corners 1:1.
  const Dpi dpi = WindowDpi(button);
  HDC sheet = r.ArtworkAt(dpi).control_sheet.dc();
  MemorySurface surface;
  surface.Reset(CreateCompatibleDC(sheet), CreateCompatibleBitmap(sheet, width, height));
  HDC dc = surface.dc();
  SetBkMode(dc, TRANSPARENT);
  std::wstring text(size_t(GetWindowTextLengthW(button)) + 1, L'\0');
  text.resize(size_t(std::max(0, GetWindowTextW(button, text.data(), int(text.size())))));
  auto font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
  const ScopedSelectObject font_in_dc(dc, font ? font : r.default_button_font);

  const RECT whole{0, 0, width, height};
  FillRect(dc, &whole, r.background_brush.get());
  const bool enabled = IsWindowEnabled(button) != FALSE;
  const auto state = skin::DrawStateFromProperty(prop::Get(button, prop::kDrawState));
  const skin::ButtonKind kind = KindOf(button);
  RECT text_area = whole;
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
  if (kind == skin::ButtonKind::kPushButton) {
    for (const skin::SheetPiece& piece : skin::PushButtonPieces(state, enabled, width, height, dpi)) {
      if (!skin::Draws(piece)) continue;
      const auto& s = piece.source;
      const auto& d = piece.dest;
      if (piece.stretched) {
        StretchBlt(dc, d.x, d.y, d.width, d.height, sheet, s.x, s.y, s.width, s.height, SRCCOPY);
      } else {
        BitBlt(dc, d.x, d.y, d.width, d.height, sheet, s.x, s.y, SRCCOPY);
      }
    }
  } else {
    // A plain check box or radio button: its frame at the top left (no larger than the control),
    // the caption to its right.
    const auto toggle = kind == skin::ButtonKind::kRadioButton ? skin::ToggleKind::kRadio : skin::ToggleKind::kCheckBox;
    const skin::PixelRect s =
        skin::ScaleRect(skin::ToggleFrame(toggle, state, enabled, prop::GetInt(button, prop::kCheck) != 0), dpi);
    const int size_x = std::min(s.width, width), size_y = std::min(s.height, height);
    const int top = (height - size_y) / 2;
    TransparentBlt(dc, 0, top, size_x, size_y, sheet, s.x, s.y, s.width, s.height, skin::kControlSheetTransparent);
    const skin::PixelRect caption = skin::ToggleCaptionRect(width, height, dpi);
    text_area = {caption.x, caption.y, caption.right(), caption.bottom()};
    format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
  }
  if (!text.empty()) {
    DrawTextW(dc, text.c_str(), int(text.size()), &text_area, format);
  }
  BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
}

}  // namespace velmora::win
