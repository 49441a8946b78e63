// How long the skin takes to draw a main-window-sized frame at the screen's DPI, beside a plain
// copy of the same window measured in the same run. Hovering must cost an element redraw, never a
// frame build. The window is the main window's 951 x 612 design scaled to the DPI, so a run on a
// 150 % screen draws and copies 1427 x 918 pixels.
//   velmora-bench-skin.exe [rounds] [expected DPI]
// tools/bench/skin_bench.sh runs it on screens of 96, 144 and 192 DPI.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "runtime/dpi_win.h"
#include "skin/skin_engine_win.h"
#include "skin/skin_properties_win.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double MicrosecondsEach(int rounds, F&& step) {
  const auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) step(i);
  GdiFlush();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / rounds;
}

// Told the real DPI instead of 96 and a stretched bitmap, as the program is.
void DeclareDpiAware() {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  using SetContext = BOOL(WINAPI*)(HANDLE);
  if (auto set = reinterpret_cast<SetContext>(
          reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")))) {
    if (set(reinterpret_cast<HANDLE>(-4)) || set(reinterpret_cast<HANDLE>(-3))) return;
  }
  SetProcessDPIAware();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 200;
  const int expected_dpi = argc > 2 ? _wtoi(argv[2]) : 0;
  DeclareDpiAware();
  using namespace velmora;
  using namespace velmora::win;
  const Dpi dpi = WindowDpi(nullptr);
  if (expected_dpi && dpi.value != expected_dpi) {
    std::fprintf(stderr, "the screen is at %d DPI, not %d\n", dpi.value, expected_dpi);
    return 2;
  }
  const int width = Scale(951, dpi), height = Scale(612, dpi);
  SkinEngine engine;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VelmoraSkinBench";
  RegisterClassExW(&wc);
  // A pop-up, as the skin leaves its windows: an overlapped window larger than the virtual display
  // would be held to the display's size.
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"皮肤基准", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                                0, 0, width, height, nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  AttachOptions options;
  options.minimise = options.maximise = true;
  options.main_menu = options.help = options.sizable = true;
  engine.AttachWindow(window, options);
  for (int i = 0; i < 7; ++i) engine.AddTab(window, "页面", "");
  engine.SetStatusText(window, "用户名：基准");

  const auto& items = engine.Record(window)->elements.items;
  const auto centre = [&](size_t i) {
    const auto& r = items[i].rect;
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  const LPARAM close = centre(0), tab = centre(items.size() - 1);

  HDC cache = prop::GetHandle<HDC>(window, prop::kCacheDc);
  HDC screen = GetDC(window);
  // The baseline: the whole window copied from its cache onto the window and, as the window runs
  // past the virtual display at 144 and 192 DPI and the copy to it is clipped there, into a
  // surface of its own, which the ratios are taken against.
  const double blit = MicrosecondsEach(rounds, [&](int) { BitBlt(screen, 0, 0, width, height, cache, 0, 0, SRCCOPY); });
  MemorySurface copy;
  copy.Reset(CreateCompatibleDC(screen), CreateCompatibleBitmap(screen, width, height));
  const double blit_memory =
      MicrosecondsEach(rounds, [&](int) { BitBlt(copy.dc(), 0, 0, width, height, cache, 0, 0, SRCCOPY); });
  const double build = MicrosecondsEach(rounds, [&](int) { engine.RebuildFrame(window); });
  const long builds_before = engine.FrameBuilds();
  // Each move takes the hover from one element to the other: two element redraws.
  const double hover =
      MicrosecondsEach(rounds, [&](int i) { SendMessageW(window, WM_MOUSEMOVE, 0, i % 2 ? close : tab); }) / 2;
  const long hover_builds = engine.FrameBuilds() - builds_before;
  RECT made{};
  GetWindowRect(window, &made);
  // A build after a size change, one pixel wider and back, the window's own moves included.
  const long sized_before = engine.FrameBuilds();
  const double resize = MicrosecondsEach(rounds, [&](int i) {
    SetWindowPos(window, nullptr, 0, 0, width + (i % 2 ? 0 : 1), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
  const long sized_builds = engine.FrameBuilds() - sized_before;
  ReleaseDC(window, screen);
  DestroyWindow(window);

  std::printf("%s build, %d DPI\n", sizeof(void*) == 4 ? "i686" : "x86_64", dpi.value);
  std::printf("skin, %d x %d window (951 x 612 at %d DPI; %ld x %ld made), %d rounds (microseconds each)\n", width,
              height, dpi.value, made.right - made.left, made.bottom - made.top, rounds);
  std::printf("  BitBlt of the whole window onto it    %10.1f\n", blit);
  std::printf("  baseline: BitBlt of the whole window  %10.1f\n", blit_memory);
  std::printf("  full frame build                      %10.1f  (%.1f x baseline)\n", build, build / blit_memory);
  std::printf("  one element redraw (hover)            %10.1f  (%.1f x baseline)\n", hover, hover / blit_memory);
  std::printf("  resize, with its frame build          %10.1f  (%.1f x baseline, %ld builds)\n", resize,
              resize / blit_memory, sized_builds);
  std::printf("  frame builds during %d hover moves: %ld\n", rounds, hover_builds);
  return hover_builds == 0 ? 0 : 1;
}
