// What the drawn frame does with the mouse: sizing by the edges, moving by the banner and the
// status band, the size limits, the window commands, and the elements' hover, press and click.
#include <windowsx.h>

#include "runtime/dpi_win.h"
#include "skin/hit_zones.h"
#include "skin/skin_engine_win.h"
#include "skin/skin_properties_win.h"

namespace velmora::win {

namespace {

skin::FrameOptions OptionsOf(HWND window) {
  skin::FrameOptions options;
  options.sizable = prop::GetInt(window, prop::kSizeBox) == 1;
  options.maximised = prop::GetInt(window, prop::kMaximize) == 1;
  options.maximise_box = prop::GetInt(window, prop::kMaximizeBox) == 1;
  options.banner_height = prop::GetInt(window, prop::kBannerHeight);
  options.status_height = prop::GetInt(window, prop::kStatusHeight);
  // The sizing bands are the design's at the window's DPI, the one its frame is drawn at.
  const SkinWindowRecord* record = SkinEngine::Instance() ? SkinEngine::Instance()->Record(window) : nullptr;
  const Dpi dpi = record ? record->dpi : WindowDpi(window);
  options.corner = Scale(options.corner, dpi);
  options.edge = Scale(options.edge, dpi);
  return options;
}

int WindowHeight(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  return bounds.bottom - bounds.top;
}

const wchar_t* CursorName(skin::Cursor cursor) {
  switch (cursor) {
    case skin::Cursor::kSizeNS: return IDC_SIZENS;
    case skin::Cursor::kSizeWE: return IDC_SIZEWE;
    case skin::Cursor::kSizeNWSE: return IDC_SIZENWSE;
    case skin::Cursor::kSizeNESW: return IDC_SIZENESW;
    default: return IDC_ARROW;
  }
}

skin::Point PointOf(LPARAM lparam) { return {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

}  // namespace

LRESULT SkinEngine::OnSizingMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCHITTEST: {
      if (prop::GetInt(window, prop::kSizeBox) != 1) break;
      RECT bounds{};
      GetWindowRect(window, &bounds);
      skin::FrameOptions options = OptionsOf(window);
      options.maximised = IsZoomed(window) != FALSE;
      const skin::HitCode code =
          skin::HitTest(options, {bounds.left, bounds.top, bounds.right, bounds.bottom}, PointOf(lparam));
      if (code != skin::HitCode::kClient) return LRESULT(code);
      break;
    }
    case WM_NCLBUTTONDOWN: {
      const int edge = skin::SizingEdge(static_cast<skin::HitCode>(wparam));
      if (edge != 0 && !IsZoomed(window)) {
        // The system's sizing loop runs inside this call. Handing the press on afterwards would
        // start a second loop after the button is already up, so the press ends here.
        SendMessageW(window, WM_SYSCOMMAND, SC_SIZE | WPARAM(edge), lparam);
        return 0;
      }
      break;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == window && !IsZoomed(window)) {
        const auto code = static_cast<skin::HitCode>(LOWORD(lparam));
        SetCursor(LoadCursorW(nullptr, CursorName(skin::CursorFor(code, false))));
        return TRUE;
      }
      break;
    case WM_GETMINMAXINFO: {
      RECT area{};
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMaxSize = {area.right - area.left, area.bottom - area.top};
      info->ptMaxPosition = {area.left, area.top};
      info->ptMinTrackSize = {prop::GetInt(window, prop::kMinWidth), prop::GetInt(window, prop::kMinHeight)};
      break;
    }
    case WM_SYSCOMMAND:
      switch (wparam) {
        case SC_MINIMIZE:
          prop::Set(window, prop::kMinimize, 1);
          break;
        case SC_RESTORE:
          prop::Set(window, prop::kMinimize, 0);
          ShowMaximised(window, false);
          break;
        case SC_MAXIMIZE:
          ShowMaximised(window, true);
          break;
        default: {
          const LRESULT result = PassOn(window, message, wparam, lparam);
          RefreshSideBorders(window);
          return result;
        }
      }
      break;
    default:
      break;
  }
  return PassOn(window, message, wparam, lparam);
}

void SkinEngine::ShowMaximised(HWND window, bool maximised) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record || prop::GetInt(window, prop::kMaximizeBox) != 1) return;
  prop::Set(window, prop::kMaximize, maximised ? 1 : 0);
  record->maximised = maximised;
  skin::ShowMaximised(record->elements.items, maximised);
}

LRESULT SkinEngine::OnMouseMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const skin::Point point = PointOf(lparam);
  if (message == WM_MOUSEMOVE && prop::GetInt(window, prop::kTracking) == 0) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
    prop::Set(window, prop::kTracking, 1);
  }
  switch (message) {
    case WM_MOUSELEAVE:
      OnMouseLeave(window);
      prop::Set(window, prop::kTracking, 0);
      break;
    case WM_MOUSEMOVE:
      if (OnMouse(window, message, {point.x, point.y})) return 0;
      break;
    case WM_LBUTTONUP:
      if (OnMouse(window, message, {point.x, point.y})) return 0;
      break;
    case WM_LBUTTONDOWN: {
      if (OnMouse(window, message, {point.x, point.y})) return 0;
      if (skin::PressZone(OptionsOf(window), WindowHeight(window), point) == skin::HitCode::kCaption) {
        ReleaseCapture();
        SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
      }
      break;
    }
    case WM_LBUTTONDBLCLK: {
      const SkinWindowRecord* record = FindAttached(window);
      const bool on_element = record && skin::HitElement(record->elements, point) != -1;
      skin::FrameOptions options = OptionsOf(window);
      options.maximised = IsZoomed(window) != FALSE;
      const skin::DoubleClick action = skin::DoubleClickAction(options, WindowHeight(window), point);
      if (!on_element && action != skin::DoubleClick::kNothing) {
        ReleaseCapture();
        PostMessageW(window, WM_SYSCOMMAND, action == skin::DoubleClick::kRestore ? SC_RESTORE : SC_MAXIMIZE, 0);
        return 0;
      }
      break;
    }
    default:
      break;
  }
  return PassOn(window, message, wparam, lparam);
}

bool SkinEngine::OnMouse(HWND window, UINT message, POINT point) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record || record->elements.items.empty()) return false;
  const skin::MouseEvent event = message == WM_MOUSEMOVE     ? skin::MouseEvent::kMove
                                 : message == WM_LBUTTONDOWN ? skin::MouseEvent::kButtonDown
                                                             : skin::MouseEvent::kButtonUp;
  const skin::StepResult step = skin::StepElements(record->elements, event, {point.x, point.y});
  for (int index : step.redraw) RedrawElement(window, index);
  // Last: a click may open a modal window or close this one.
  if (step.clicked != -1) RunClick(window, step.clicked);
  return step.on_element;
}

void SkinEngine::OnMouseLeave(HWND window) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record) return;
  for (int index : skin::LeaveElements(record->elements)) RedrawElement(window, index);
}

void SkinEngine::RunClick(HWND window, int index) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record || index < 0 || index >= int(record->elements.items.size())) return;
  const skin::Element& element = record->elements.items[size_t(index)];
  if (element.kind == skin::ElementKind::kCaptionButton) {
    switch (skin::ActionOf(element.type)) {
      case skin::ButtonAction::kClose: PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); break;
      case skin::ButtonAction::kRestore: PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0); break;
      case skin::ButtonAction::kMaximise: PostMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0); break;
      case skin::ButtonAction::kMinimise: PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0); break;
      case skin::ButtonAction::kMainMenu: CallHandler(window, prop::kMainMenuClick); break;
      case skin::ButtonAction::kHelp: CallHandler(window, prop::kHelpClick); break;
      case skin::ButtonAction::kNothing: break;
    }
    return;
  }
  if (element.kind != skin::ElementKind::kTab) return;
  if (element.handler) {
    ReleaseCapture();
    const SkinHandler run = element.handler;  // the tab may be removed while it runs
    run();
    record = FindAttached(window);
    if (!record || index >= int(record->elements.items.size())) return;
  }
  skin::Element& tab = record->elements.items[size_t(index)];
  tab.has_page = IsWindow(reinterpret_cast<HWND>(tab.page)) != FALSE;
  if (!tab.has_page) return;
  for (int changed : skin::SelectTab(record->elements, index)) RedrawElement(window, changed);
  ShowPage(window, index);
}

}  // namespace velmora::win
