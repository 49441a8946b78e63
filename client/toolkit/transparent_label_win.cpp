#include "toolkit/transparent_label_win.h"

#include <memory>

#include "skin/skin_engine_win.h"
#include "skin/skin_resources_win.h"
#include "toolkit/window_win.h"
#include "runtime/dpi_win.h"

namespace velmora::win {

namespace {

struct LabelState {
  LabelLook look;
  HFONT font = nullptr;
};

LabelState* StateOf(HWND label) { return reinterpret_cast<LabelState*>(GetWindowLongPtrW(label, 0)); }

// The frame under the label: from the skin's cache surface, else the panel colour.
void PaintBackground(HWND label, HDC dc, const RECT& client) {
  HWND root = GetAncestor(label, GA_ROOT);
  RECT area = client;
  MapWindowPoints(label, root, reinterpret_cast<POINT*>(&area), 2);
  SkinEngine* engine = SkinEngine::Instance();
  if (engine && engine->CopyBackground(root, area, dc)) return;
  FillRect(dc, &client, engine ? engine->Resources().background_brush.get() : GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK LabelProcedure(HWND label, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(label, 0, reinterpret_cast<LONG_PTR>(new LabelState));
      break;
    case WM_NCDESTROY:
      delete StateOf(label);
      SetWindowLongPtrW(label, 0, 0);
      break;
    case WM_SETFONT:
      if (LabelState* state = StateOf(label)) state->font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam)) InvalidateRect(label, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return StateOf(label) ? reinterpret_cast<LRESULT>(StateOf(label)->font) : 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(label, message, wparam, lparam);
      InvalidateRect(label, nullptr, FALSE);
      return result;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(label, &ps);
      PaintLabel(label, dc);
      EndPaint(label, &ps);
      return 0;
    }
    case WM_SETCURSOR:
      if (StateOf(label) && StateOf(label)->look.link) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_NCHITTEST:
      // A plain label lets the mouse through to the frame below (a press on the banner still
      // moves the window); a link takes it.
      if (StateOf(label) && !StateOf(label)->look.link) return HTTRANSPARENT;
      return HTCLIENT;
    case WM_LBUTTONUP:
      SendMessageW(GetParent(label), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                   reinterpret_cast<LPARAM>(label));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(label, message, wparam, lparam);
}

void RegisterLabelClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kTransparentLabelClass, &wc)) return;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = LabelProcedure;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kTransparentLabelClass;
  RegisterClassExW(&wc);
}

}  // namespace

HWND CreateTransparentLabel(HWND parent, const std::string& gbk_caption, RECT where, int id, const LabelLook& look) {
  RegisterLabelClass();
  HWND label = CreateControl(parent, kTransparentLabelClass, gbk_caption, 0, where, id);
  if (label) SetLabelLook(label, look);
  return label;
}

void SetLabelLook(HWND label, const LabelLook& look) {
  if (LabelState* state = StateOf(label)) {
    state->look = look;
    InvalidateRect(label, nullptr, FALSE);
  }
}

void PaintLabel(HWND label, HDC target) {
  RECT client{};
  GetClientRect(label, &client);
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return;
  MemorySurface surface;
  surface.Reset(CreateCompatibleDC(target), CreateCompatibleBitmap(target, width, height));
  HDC dc = surface.dc();
  PaintBackground(label, dc, client);
  const LabelState* state = StateOf(label);
  const int length = GetWindowTextLengthW(label);
  if (state && length > 0) {
    std::wstring text(size_t(length) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(label, text.data(), length + 1)));
    const ScopedSelectObject font(dc, state->font ? state->font : DialogFont(WindowDpi(label)));
    SetBkMode(dc, TRANSPARENT);
    UINT format = state->look.format;
    if (state->look.shadow) {
      RECT shadow = client;
      OffsetRect(&shadow, state->look.shadow_offset, state->look.shadow_offset);
      SetTextColor(dc, state->look.shadow_colour);
      DrawTextW(dc, text.c_str(), int(text.size()), &shadow, format);
    }
    SetTextColor(dc, state->look.colour);
    DrawTextW(dc, text.c_str(), int(text.size()), &client, format);
  }
  BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
}

}  // namespace velmora::win
