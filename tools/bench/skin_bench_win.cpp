// How long the skin takes to draw a main-window-sized frame, beside a plain copy of the same
// window measured in the same run. Hovering must cost an element redraw, never a frame build.
//   velmora-bench-skin.exe [rounds]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 200;
  using namespace velmora::win;
  SkinEngine engine;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VelmoraSkinBench";
  RegisterClassExW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"皮肤基准", WS_OVERLAPPEDWINDOW, 0, 0, 951, 612, nullptr,
                                nullptr, wc.hInstance, nullptr);
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

  HDC cache = velmora::win::prop::GetHandle<HDC>(window, velmora::win::prop::kCacheDc);
  HDC screen = GetDC(window);
  const double blit = MicrosecondsEach(rounds, [&](int) { BitBlt(screen, 0, 0, 951, 612, cache, 0, 0, SRCCOPY); });
  const double build = MicrosecondsEach(rounds, [&](int) { engine.RebuildFrame(window); });
  const long builds_before = engine.FrameBuilds();
  // Each move takes the hover from one element to the other: two element redraws.
  const double hover =
      MicrosecondsEach(rounds, [&](int i) { SendMessageW(window, WM_MOUSEMOVE, 0, i % 2 ? close : tab); }) / 2;
  const long hover_builds = engine.FrameBuilds() - builds_before;
  ReleaseDC(window, screen);
  DestroyWindow(window);

  std::printf("%s build\n", sizeof(void*) == 4 ? "i686" : "x86_64");
  std::printf("skin, 951 x 612 window, %d rounds (microseconds each)\n", rounds);
  std::printf("  baseline: BitBlt of the whole window  %10.1f\n", blit);
  std::printf("  full frame build                      %10.1f  (%.1f x baseline)\n", build, build / blit);
  std::printf("  one element redraw (hover)            %10.1f  (%.1f x baseline)\n", hover, hover / blit);
  std::printf("  frame builds during %d hover moves: %ld\n", rounds, hover_builds);
  return hover_builds == 0 ? 0 : 1;
}
