#include "runtime/key_routing_win.h"

namespace velmora::win {
namespace {

// On the host window, the object its keys go to. A window property rather than a table: it
// belongs to the window's thread like the messages do, and goes with the window.
constexpr wchar_t kKeyTargetProperty[] = L"VelmoraKeyTarget";

IOleInPlaceActiveObject* TargetOf(HWND window) {
  return static_cast<IOleInPlaceActiveObject*>(GetPropW(window, kKeyTargetProperty));
}

}  // namespace

void SetKeyboardTarget(HWND host, IOleInPlaceActiveObject* object) {
  if (object) {
    SetPropW(host, kKeyTargetProperty, object);
  } else {
    RemovePropW(host, kKeyTargetProperty);
  }
}

bool PreTranslateKey(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  // Up through the parents only: an owned pop-up is not inside its owner.
  for (HWND window = msg.hwnd; window;
       window = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr) {
    if (IOleInPlaceActiveObject* target = TargetOf(window)) {
      // Held for the call: the object may hand over to another one (and be let go) meanwhile.
      target->AddRef();
      const bool taken = target->TranslateAccelerator(&msg) == S_OK;
      target->Release();
      return taken;
    }
  }
  return false;
}

}  // namespace velmora::win
