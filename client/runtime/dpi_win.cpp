#include "runtime/dpi_win.h"

#include "runtime/handles_win.h"

namespace velmora::win {
namespace {

// Where a top-level window keeps the DPI its last WM_DPICHANGED gave.
constexpr wchar_t kToldDpiProperty[] = L"VelmoraWindowDpi";

// A function of a system DLL, or null where that Windows lacks it. Linking such a call directly
// would stop the program from starting on Windows 7.
template <typename Call>
Call LookUp(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);
// shcore's GetDpiForMonitor, with MDT_EFFECTIVE_DPI (0) for its type.
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

GetDpiForWindowCall DpiForWindowCall() {
  static const auto call = LookUp<GetDpiForWindowCall>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  return call;
}

GetSystemMetricsForDpiCall MetricsForDpiCall() {
  static const auto call =
      LookUp<GetSystemMetricsForDpiCall>(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi");
  return call;
}

// shcore is not loaded by user32; it is loaded once and stays for the process (Windows 7 has no
// such DLL, and the call is then missing).
GetDpiForMonitorCall DpiForMonitorCall() {
  static const auto call = LookUp<GetDpiForMonitorCall>(LoadLibraryW(L"shcore.dll"), "GetDpiForMonitor");
  return call;
}

Dpi ScreenDpi() {
  const ScopedGetDC dc(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? Dpi{dpi} : kDesignDpi;
}

}  // namespace

Dpi WindowDpi(HWND window) {
  if (!window) return ScreenDpi();
  if (HWND top = GetAncestor(window, GA_ROOT)) {
    if (const auto told = reinterpret_cast<INT_PTR>(GetPropW(top, kToldDpiProperty)); told > 0) return Dpi{int(told)};
  }
  if (GetDpiForWindowCall call = DpiForWindowCall()) {
    if (const UINT dpi = call(window)) return Dpi{int(dpi)};
  }
  return MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

void RememberWindowDpi(HWND top_level, Dpi dpi) {
  if (dpi.value > 0) SetPropW(top_level, kToldDpiProperty, reinterpret_cast<HANDLE>(INT_PTR(dpi.value)));
}

void ForgetWindowDpi(HWND top_level) { RemovePropW(top_level, kToldDpiProperty); }

Dpi MonitorDpi(HMONITOR monitor) {
  if (GetDpiForMonitorCall call = monitor ? DpiForMonitorCall() : nullptr) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(call(monitor, 0, &x, &y)) && y > 0) return Dpi{int(y)};
  }
  return ScreenDpi();
}

int SystemMetricAt(int index, Dpi dpi) {
  if (GetSystemMetricsForDpiCall call = MetricsForDpiCall()) return call(index, UINT(dpi.value));
  return GetSystemMetrics(index);
}

}  // namespace velmora::win
