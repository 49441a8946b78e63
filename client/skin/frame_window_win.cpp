// The window procedure of every attached window: it runs before the window's own procedure and
// answers the painting and non-client messages itself, so the system never draws a caption or a
// border. Mouse and sizing messages are handled in frame_mouse_win.cpp.
#include "runtime/dpi_win.h"
#include "skin/skin_engine_win.h"
#include "skin/skin_properties_win.h"

namespace velmora::win {

namespace {

constexpr UINT kUahDrawCaption = 0x00AE;  // undocumented; some systems draw the old caption on it
constexpr UINT_PTR kBorderTimer = 5566;
constexpr UINT kBorderTimerMs = 100;

}  // namespace

LRESULT CALLBACK SkinEngine::FrameWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  SkinEngine* engine = Instance();
  if (!engine) return PassOn(window, message, wparam, lparam);
  return engine->OnFrameMessage(window, message, wparam, lparam);
}

LRESULT SkinEngine::OnFrameMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT bounds{};
      GetWindowRect(window, &bounds);
      Paint(window, reinterpret_cast<HDC>(wparam), {0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top});
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      Paint(window, dc, ps.rcPaint);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_SIZE:
      // The window's own state, whichever way it got there (the caption's buttons, a double
      // click, the system menu, the taskbar, a program's ShowWindow): a restore from minimised
      // may bring back a maximised window, and some paths send no command at all.
      if (wparam == SIZE_MINIMIZED) {
        prop::Set(window, prop::kMinimize, 1);
      } else if (wparam == SIZE_MAXIMIZED || wparam == SIZE_RESTORED) {
        prop::Set(window, prop::kMinimize, 0);
        ShowMaximised(window, wparam == SIZE_MAXIMIZED);
      }
      if (prop::GetInt(window, prop::kMinimize) == 0) {
        BuildFrame(window, false);
        InvalidateRect(window, nullptr, FALSE);
        LayoutPage(window);
      }
      return PassOn(window, message, wparam, lparam);
    case WM_ACTIVATE: {
      const LRESULT result = PassOn(window, message, wparam, lparam);
      SetTimer(window, kBorderTimer, kBorderTimerMs, nullptr);
      RefreshSideBorders(window);
      return result;
    }
    case WM_KILLFOCUS:
    case WM_NCACTIVATE: {
      const LRESULT result = PassOn(window, message, wparam, lparam);
      RefreshSideBorders(window);
      SetTimer(window, kBorderTimer, kBorderTimerMs, nullptr);
      return result;
    }
    case WM_NCCREATE:
      RefreshSideBorders(window);
      return 1;
    case WM_NCCALCSIZE:
      if (wparam) {
        // The proposed rectangle stays as it is: the client area is the whole window.
        RefreshSideBorders(window);
        return 1;
      }
      [[fallthrough]];
    case kUahDrawCaption: {
      const LRESULT result = PassOn(window, message, wparam, lparam);
      RefreshSideBorders(window);
      return result;
    }
    case WM_NCPAINT:
      RefreshSideBorders(window);
      return 0;
    case WM_TIMER:
      if (wparam != kBorderTimer) return PassOn(window, message, wparam, lparam);
      RefreshSideBorders(window);
      KillTimer(window, kBorderTimer);
      return 0;
    case WM_DPICHANGED: {
      // The frame takes the new DPI first; the window's own procedure then takes the suggested
      // rectangle (the size change builds the frame again) and lays its children out. The
      // surfaces are built once more for a rectangle of the same size, and everything repainted.
      ApplyDpi(window, DpiOfDpiChanged(wparam));
      const LRESULT result = PassOn(window, message, wparam, lparam);
      if (FindAttached(window) && prop::GetInt(window, prop::kMinimize) == 0) {
        BuildFrame(window, true);
        LayoutPage(window);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
      return result;
    }
    case WM_NCHITTEST:
    case WM_NCLBUTTONDOWN:
    case WM_SETCURSOR:
    case WM_GETMINMAXINFO:
    case WM_SYSCOMMAND:
      return OnSizingMessage(window, message, wparam, lparam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSELEAVE:
      return OnMouseMessage(window, message, wparam, lparam);
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item && item->CtlType == ODT_BUTTON && prop::Get(item->hwndItem, prop::kWindowType) != 0) {
        DrawSkinnedButton(item->hwndItem, item->hDC);
        return 1;
      }
      return PassOn(window, message, wparam, lparam);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(resources_->background_brush.get());
    case WM_DESTROY: {
      const auto previous = prop::GetHandle<WNDPROC>(window, prop::kWndProc);
      KillTimer(window, kBorderTimer);
      Release(window);
      const LRESULT result = previous ? CallWindowProcW(previous, window, message, wparam, lparam)
                                      : DefWindowProcW(window, message, wparam, lparam);
      // Nothing draws this window again: its surfaces went with its record, its handlers and
      // properties go now.
      RemoveFrameProperties(window);
      handlers_.erase({window, prop::kHelpClick});
      handlers_.erase({window, prop::kMainMenuClick});
      return result;
    }
    default:
      return PassOn(window, message, wparam, lparam);
  }
}

}  // namespace velmora::win
