// The DPI a window is drawn at, for the one scale of dpi_scale.h. Windows 10 (1607 and later)
// answers per window; Windows 7 and 8.1 have no such call, and there the screen's DPI is the one
// every window gets. A process Windows does not know to be DPI-aware is told 96 and stretched.
#pragma once
#include <windows.h>

#include "runtime/dpi_scale.h"

namespace velmora::win {

// The DPI of `window`'s screen as the window sees it; the screen's DPI for no window.
Dpi WindowDpi(HWND window);

}  // namespace velmora::win
