#include "runtime/dpi_win.h"

#include "runtime/handles_win.h"

namespace velmora::win {
namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);

// Looked up once: the call is not in Windows 7's user32, and linking it directly would stop the
// program from starting there.
GetDpiForWindowCall DpiForWindowCall() {
  static const GetDpiForWindowCall call = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowCall>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return call;
}

}  // namespace

Dpi WindowDpi(HWND window) {
  if (window) {
    if (GetDpiForWindowCall call = DpiForWindowCall()) {
      if (const UINT dpi = call(window)) return Dpi{int(dpi)};
    }
  }
  const ScopedGetDC dc(window);
  const int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? Dpi{dpi} : kDesignDpi;
}

}  // namespace velmora::win
