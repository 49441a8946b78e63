// The DPI a window is drawn at, for the one scale of dpi_scale.h. The program is per-monitor
// aware (see its manifest): Windows 10 (1607 and later) answers per window; Windows 8.1 answers
// per monitor only; Windows 7 has one DPI for every screen. Every call newer than Windows 7 is
// looked up at run time, so the program still starts there.
#pragma once
#include <windows.h>

#include "runtime/dpi_scale.h"

namespace velmora::win {

// The DPI of `window` as it is drawn now: the one WM_DPICHANGED last gave its top-level window,
// else the system's answer for the window, else its monitor's; the screen's DPI for no window.
Dpi WindowDpi(HWND window);

// A top-level window was told its new DPI (WM_DPICHANGED): WindowDpi answers it for the window
// and its children from now on. Before Windows 10 nothing else knows it: a per-monitor (version
// 1) window on Windows 8.1 has no call that gives its DPI, and its screen DC keeps the system's.
void RememberWindowDpi(HWND top_level, Dpi dpi);
// Drops what RememberWindowDpi kept, as the window goes.
void ForgetWindowDpi(HWND top_level);

// The DPI of a monitor: the system's answer where there is one (Windows 8.1 and later), else the
// screen's.
Dpi MonitorDpi(HMONITOR monitor);

// The new DPI a WM_DPICHANGED carries (the same in both halves of its wparam).
inline Dpi DpiOfDpiChanged(WPARAM wparam) { return Dpi{int(HIWORD(wparam))}; }

// A system metric at `dpi` (GetSystemMetricsForDpi), or the system's at its own DPI where that
// call is missing (before Windows 10 1607).
int SystemMetricAt(int index, Dpi dpi);

}  // namespace velmora::win
