// The skin engine on real windows under Wine: attachment and the window list, the frame drawn
// into the cache surface (read back pixel by pixel), the mouse on the drawn elements, sizing,
// tabs, and the skinned controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "skin/artwork_scale.h"
#include "skin/frame_sheet.h"
#include "skin/nine_grid.h"
#include "skin/skin_colour.h"
#include "skin/skin_engine_win.h"
#include "skin/skin_properties_win.h"
#include "skin/tabs.h"

namespace velmora::win {
namespace {

// What the test window's own procedure saw; it swallows the title-bar press so that no system
// move loop starts inside a test.
struct Seen {
  int caption_presses = 0;
  int closes = 0;
};
Seen g_seen;

LRESULT CALLBACK TestProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCLBUTTONDOWN && wparam == HTCAPTION) {
    ++g_seen.caption_presses;
    return 0;
  }
  if (message == WM_CLOSE) ++g_seen.closes;
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND MakeWindow(DWORD style, int width = 400, int height = 300, const wchar_t* title = L"皮肤测试") {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), L"VelmoraSkinTest", &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TestProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"VelmoraSkinTest";
    RegisterClassExW(&wc);
  }
  HWND window = CreateWindowExW(0, L"VelmoraSkinTest", title, style, 40, 40, width, height, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

COLORREF CachePixel(HWND window, int x, int y) {
  return GetPixel(prop::GetHandle<HDC>(window, prop::kCacheDc), x, y);
}

// A colour within a few steps per channel: GDI+ rounds blends its own way.
::testing::AssertionResult Near(COLORREF actual, COLORREF expected, int tolerance = 3) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > tolerance) {
      char text[96];
      std::snprintf(text, sizeof text, "actual %06lX, expected %06lX", actual & 0xFFFFFFul, expected & 0xFFFFFFul);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

// A pixel of the built-in frame sheet, as ARGB.
Gdiplus::ARGB SheetPixel(SkinEngine& engine, int x, int y) {
  Gdiplus::ARGB argb = 0;
  gp::GdipBitmapGetPixel(reinterpret_cast<Gdiplus::GpBitmap*>(engine.Resources().frame_sheet.get()), x, y, &argb);
  return argb;
}

COLORREF Over(COLORREF below, Gdiplus::ARGB above) {
  const COLORREF colour = RGB((above >> 16) & 0xFF, (above >> 8) & 0xFF, above & 0xFF);
  return skin::BlendOver(below, colour, std::uint8_t(above >> 24));
}

class Skin : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HWND window : windows_) {
      if (IsWindow(window)) DestroyWindow(window);
    }
    Pump();
  }
  HWND Window(DWORD style = WS_OVERLAPPEDWINDOW, int width = 400, int height = 300) {
    HWND window = MakeWindow(style, width, height);
    windows_.push_back(window);
    return window;
  }
  HWND Attached(const AttachOptions& options, DWORD style = WS_OVERLAPPEDWINDOW, int width = 400, int height = 300) {
    HWND window = Window(style, width, height);
    EXPECT_TRUE(engine_.AttachWindow(window, options));
    return window;
  }
  const skin::Element& Element(HWND window, skin::ButtonType type) {
    for (const skin::Element& e : engine_.Record(window)->elements.items) {
      if (e.kind == skin::ElementKind::kCaptionButton && e.type == type) return e;
    }
    ADD_FAILURE() << "no such button";
    return engine_.Record(window)->elements.items.front();
  }
  static LPARAM Centre(const skin::Element& e) {
    return At((e.rect.left + e.rect.right) / 2, (e.rect.top + e.rect.bottom) / 2);
  }

  SkinEngine engine_;
  std::vector<HWND> windows_;
};

TEST_F(Skin, AttachingKeepsOneRecordAndTakesTheFrameAway) {
  AttachOptions options;
  options.banner_height = 24;  // raised to the smallest banner
  options.status_height = 0;
  options.minimise = false;
  options.maximise = false;
  HWND window = Attached(options);
  ASSERT_NE(engine_.Record(window), nullptr);
  const size_t elements = engine_.Record(window)->elements.items.size();
  EXPECT_EQ(elements, 1u);  // the close button alone: no status label without a status band
  EXPECT_EQ(prop::GetInt(window, prop::kBannerHeight), 26);
  EXPECT_EQ(prop::GetInt(window, prop::kStatusHeight), 0);

  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);  // always, even without a minimise button
  RECT client{}, bounds{};
  GetClientRect(window, &client);
  GetWindowRect(window, &bounds);
  EXPECT_EQ(client.right, bounds.right - bounds.left);  // the client area is the whole window
  EXPECT_EQ(client.bottom, bounds.bottom - bounds.top);

  // Again, with a status band now: heights change, the record and its buttons stay single.
  options.status_height = 26;
  EXPECT_TRUE(engine_.AttachWindow(window, options));
  EXPECT_EQ(engine_.WindowCount(), 1u);
  EXPECT_EQ(engine_.Record(window)->elements.items.size(), elements);
  EXPECT_EQ(prop::GetInt(window, prop::kStatusHeight), 26);

  EXPECT_FALSE(engine_.AttachWindow(reinterpret_cast<HWND>(0x1234), options));
  EXPECT_FALSE(engine_.SetStatusText(window, "没有状态标签"));  // attached without one
}

TEST_F(Skin, DestroyingAWindowRenumbersTheOthersAndFreesItsState) {
  HWND first = Attached({}), second = Attached({}), third = Attached({});
  EXPECT_EQ(prop::GetInt(third, prop::kIndex), 3);
  const WNDPROC own = reinterpret_cast<WNDPROC>(prop::Get(first, prop::kWndProc));
  ASSERT_NE(own, nullptr);

  DestroyWindow(first);
  EXPECT_EQ(engine_.WindowCount(), 2u);
  EXPECT_EQ(prop::GetInt(second, prop::kIndex), 1);
  EXPECT_EQ(prop::GetInt(third, prop::kIndex), 2);
  EXPECT_EQ(engine_.Record(first), nullptr);

  // A window never attached, or gone, gets nothing from the operations.
  HWND plain = Window();
  EXPECT_FALSE(engine_.SetStatusText(plain, "x"));
  EXPECT_FALSE(engine_.AddTab(plain, "页", ""));
  EXPECT_FALSE(engine_.EnableSizing(plain));
  EXPECT_EQ(prop::Get(plain, prop::kCacheDc), 0);
}

TEST_F(Skin, ClosedWindowsGiveBackTheirDrawingObjects) {
  // Every closed message box used to keep two surfaces and two bitmaps: count what a process
  // holds after many attached windows have come and gone.
  auto gdi_objects = [] { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); };
  const DWORD before = gdi_objects();
  for (int i = 0; i < 30; ++i) {
    HWND window = MakeWindow(WS_POPUP | WS_CAPTION | WS_SYSMENU, 289, 114);
    engine_.AttachWindow(window, DialogSkin());
    HDC cache = prop::GetHandle<HDC>(window, prop::kCacheDc);
    ASSERT_NE(cache, nullptr);
    DestroyWindow(window);
    EXPECT_EQ(GetObjectType(cache), 0u) << "the cache surface outlived its window";
    EXPECT_EQ(prop::Get(window, prop::kIndex), 0);
  }
  // Wine answers 0 here; on Windows the count must not grow with the windows.
  EXPECT_LE(gdi_objects(), before + 5);
}

TEST_F(Skin, FrameIsDrawnFromTheSheetInTheSkinAndPanelColours) {
  engine_.SetSkinColor(RGB(200, 30, 40));
  engine_.SetBackColor(RGB(0x12, 0x34, 0x56));
  AttachOptions options;
  options.banner_height = 150;
  HWND window = Attached(options);
  const int width = 400, height = 300, status = 26;

  EXPECT_EQ(CachePixel(window, width / 2, 120), RGB(200, 30, 40));  // banner below the gloss
  EXPECT_EQ(CachePixel(window, width / 2, 200), RGB(0x12, 0x34, 0x56));  // client panel
  // The left border over the skin colour, as the sheet's left edge piece blends onto it.
  EXPECT_TRUE(Near(CachePixel(window, 0, height / 2), Over(RGB(200, 30, 40), SheetPixel(engine_, 0, 97))));
  // The status strip spans the band.
  EXPECT_TRUE(Near(CachePixel(window, width / 2, height - status - 3 + 13),
                   Over(RGB(200, 30, 40), SheetPixel(engine_, 190, 13))));

  engine_.SetBackColor(skin::kUseButtonFace);
  EXPECT_EQ(engine_.GetBackColor(), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(CachePixel(window, width / 2, 200), GetSysColor(COLOR_BTNFACE));
  const long builds = engine_.FrameBuilds();
  engine_.SetBackColor(skin::kUseButtonFace);  // the same colour again: nothing is redrawn
  EXPECT_EQ(engine_.FrameBuilds(), builds);
}

TEST_F(Skin, APictureSitsRightInTheBannerAndFadesIntoItsAverage) {
  // A 100 x 200 picture, blue on its right half and red on its left: narrower than the window.
  std::string bmp(54 + 100 * 200 * 4, '\0');
  BITMAPFILEHEADER file{0x4D42, DWORD(bmp.size()), 0, 0, 54};
  BITMAPINFOHEADER info{sizeof info, 100, 200, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(bmp.data(), &file, sizeof file);
  std::memcpy(bmp.data() + 14, &info, sizeof info);
  for (int i = 0; i < 100 * 200; ++i) {
    const std::uint32_t pixel = (i % 100) < 50 ? 0xFFFF0000u : 0xFF0000FFu;
    std::memcpy(bmp.data() + 54 + i * 4, &pixel, 4);
  }
  AttachOptions options;
  options.banner_height = 150;
  HWND window = Attached(options);
  ASSERT_TRUE(engine_.LoadSkinPictureBytes(bmp));
  EXPECT_FALSE(engine_.LoadSkinPictureBytes(""));
  EXPECT_FALSE(engine_.LoadSkinPictureBytes("not a picture"));

  const COLORREF average = engine_.Resources().gradient_colour;
  EXPECT_TRUE(Near(average, RGB(128, 0, 127), 12)) << std::hex << average;
  // Left of the picture: the skin colour, which is now the average.
  EXPECT_EQ(CachePixel(window, 100, 120), average);
  // On the picture's right part, the side fade has almost run out.
  const auto placed = skin::PlaceBannerPicture(100, 200, 400, 150, average);
  ASSERT_TRUE(placed && placed->side_fade);
  const skin::Argb fade = skin::FadeColourAt(*placed->side_fade, 390, 120);
  EXPECT_TRUE(Near(CachePixel(window, 390, 120), Over(RGB(0, 0, 255), fade), 6));

  engine_.SetSkinColor(RGB(10, 20, 30));  // a colour drops the picture
  EXPECT_EQ(CachePixel(window, 390, 120), RGB(10, 20, 30));
  EXPECT_FALSE(engine_.LoadSkinPicture(L"C:\\no\\such\\picture.png"));
  EXPECT_EQ(CachePixel(window, 390, 120), RGB(10, 20, 30));
}

TEST_F(Skin, CaptionButtonsSitRightToLeftAndShowTheirLooks) {
  AttachOptions options;
  options.minimise = true;
  options.maximise = false;
  options.main_menu = true;
  HWND window = Attached(options);
  EXPECT_EQ(Element(window, skin::ButtonType::kClose).rect.left, 400 - 45);
  EXPECT_EQ(Element(window, skin::ButtonType::kMinimise).rect.left, 400 - 72);  // no maximise button
  EXPECT_EQ(Element(window, skin::ButtonType::kMainMenu).rect.left, 400 - 99);

  const skin::Element& close = Element(window, skin::ButtonType::kClose);
  const int x = close.rect.left + 4, y = close.rect.top + 4;  // beside the glyph, on the background
  const COLORREF normal = CachePixel(window, x, y);
  const long builds = engine_.FrameBuilds();
  SendMessageW(window, WM_MOUSEMOVE, 0, At(x, y));
  const COLORREF hover = CachePixel(window, x, y);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
  const COLORREF pressed = CachePixel(window, x, y);
  // The pressed piece of the sheet over the frame beneath the button.
  const COLORREF beneath = GetPixel(prop::GetHandle<HDC>(window, prop::kBackDc), x, y);
  EXPECT_TRUE(Near(pressed, Over(beneath, SheetPixel(engine_, 162 + 4, 185 + 4))));
  EXPECT_NE(hover, normal);
  EXPECT_NE(pressed, hover);
  // Hover and press redraw the button alone: no frame was built for them.
  EXPECT_EQ(engine_.FrameBuilds(), builds);
  SendMessageW(window, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(CachePixel(window, x, y), normal);
}

TEST_F(Skin, CloseNeedsPressAndReleaseOnTheButton) {
  AttachOptions options;
  HWND window = Attached(options);
  const LPARAM close = Centre(Element(window, skin::ButtonType::kClose));
  g_seen = {};
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, close);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, At(200, 200));
  SendMessageW(window, WM_LBUTTONUP, 0, At(200, 200));
  Pump();
  EXPECT_EQ(g_seen.closes, 0);
  EXPECT_FALSE(Element(window, skin::ButtonType::kClose).pressed);

  // Pressed, off and back on before the release: that is a click.
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, close);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, At(200, 200));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, close);
  SendMessageW(window, WM_LBUTTONUP, 0, close);
  Pump();
  EXPECT_EQ(g_seen.closes, 1);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Skin, PressesOnTheBandsMoveTheWindowButNotOnTheStatusLabelAsAnElement) {
  HWND window = Attached({});
  engine_.SetStatusText(window, "用户名：张三");
  g_seen = {};
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(100, 300 - 15));  // on the status label
  SendMessageW(window, WM_LBUTTONUP, 0, At(100, 300 - 15));
  EXPECT_EQ(g_seen.caption_presses, 1);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(100, 40));  // banner
  SendMessageW(window, WM_LBUTTONUP, 0, At(100, 40));
  EXPECT_EQ(g_seen.caption_presses, 2);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(100, 150));  // client panel
  SendMessageW(window, WM_LBUTTONUP, 0, At(100, 150));
  EXPECT_EQ(g_seen.caption_presses, 2);
}

TEST_F(Skin, DoubleClickOnTheBannerMaximisesOnlyWithAMaximiseButton) {
  AttachOptions with;
  with.maximise = true;
  with.sizable = true;
  AttachOptions without;
  without.maximise = false;
  HWND big = Attached(with), fixed = Attached(without);

  SendMessageW(big, WM_LBUTTONDBLCLK, MK_LBUTTON, At(150, 150));  // client panel: nothing
  SendMessageW(fixed, WM_LBUTTONDBLCLK, MK_LBUTTON, At(150, 40));
  Pump();
  EXPECT_FALSE(IsZoomed(big));
  EXPECT_FALSE(IsZoomed(fixed));

  SendMessageW(big, WM_LBUTTONDBLCLK, MK_LBUTTON, At(150, 40));
  Pump();
  EXPECT_TRUE(IsZoomed(big));
  EXPECT_EQ(prop::GetInt(big, prop::kMaximize), 1);
  EXPECT_FALSE(Element(big, skin::ButtonType::kMaximise).visible);
  EXPECT_TRUE(Element(big, skin::ButtonType::kRestore).visible);
  RECT area{}, bounds{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(big, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, area.right - area.left);  // fills the work area
  EXPECT_EQ(bounds.bottom - bounds.top, area.bottom - area.top);
  EXPECT_EQ(prop::GetInt(big, prop::kWidth), area.right - area.left);  // and was drawn for it

  SendMessageW(big, WM_LBUTTONDBLCLK, MK_LBUTTON, At(150, 40));
  Pump();
  EXPECT_FALSE(IsZoomed(big));
  EXPECT_TRUE(Element(big, skin::ButtonType::kMaximise).visible);
}

// The caption's pair of buttons and the recorded flag follow the window, whichever way it was
// zoomed or restored: a restore from the taskbar brings back a window that was maximised before
// it was minimised, and the system's own calls send no command at all.
TEST_F(Skin, TheMaximisedFlagFollowsTheWindowWhateverPathItTook) {
  AttachOptions with;
  with.maximise = true;
  with.sizable = true;
  HWND big = Attached(with);
  struct Step {
    const char* how;
    std::function<void()> act;
    bool zoomed;
  } steps[] = {
      {"maximise command", [&] { SendMessageW(big, WM_SYSCOMMAND, SC_MAXIMIZE, 0); }, true},
      {"minimise command", [&] { SendMessageW(big, WM_SYSCOMMAND, SC_MINIMIZE, 0); }, true},
      {"restore from minimised", [&] { SendMessageW(big, WM_SYSCOMMAND, SC_RESTORE, 0); }, true},
      {"ShowWindow restore", [&] { ShowWindow(big, SW_RESTORE); }, false},
      {"ShowWindow maximise", [&] { ShowWindow(big, SW_MAXIMIZE); }, true},
      {"restore command", [&] { SendMessageW(big, WM_SYSCOMMAND, SC_RESTORE, 0); }, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.how);
    step.act();
    Pump();
    if (IsIconic(big)) continue;  // nothing shows while minimised
    ASSERT_EQ(IsZoomed(big) != FALSE, step.zoomed);
    EXPECT_EQ(prop::GetInt(big, prop::kMaximize), step.zoomed ? 1 : 0);
    EXPECT_EQ(Element(big, skin::ButtonType::kRestore).visible, step.zoomed);
    EXPECT_EQ(Element(big, skin::ButtonType::kMaximise).visible, !step.zoomed);
    EXPECT_EQ(prop::GetInt(big, prop::kMinimize), 0);
  }
}

TEST_F(Skin, HitTestAndCursorsFollowTheSizingZones) {
  AttachOptions options;
  options.sizable = true;
  HWND window = Attached(options);
  RECT r{};
  GetWindowRect(window, &r);
  struct Case {
    int dx, dy;  // from the window's left/top (positive) or right/bottom (negative)
    LRESULT code;
  } cases[] = {
      {2, 2, HTTOPLEFT},       {-2, 2, HTTOPRIGHT},    {2, -2, HTBOTTOMLEFT}, {-2, -2, HTBOTTOMRIGHT},
      {2, 150, HTLEFT},        {-2, 150, HTRIGHT},     {200, 2, HTTOP},       {200, -2, HTBOTTOM},
      {5, 150, HTCLIENT},      {200, 150, HTCLIENT},
  };
  for (const Case& c : cases) {
    const int x = c.dx >= 0 ? r.left + c.dx : r.right + c.dx;
    const int y = c.dy >= 0 ? r.top + c.dy : r.bottom + c.dy;
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)), c.code) << c.dx << "," << c.dy;
  }
  SendMessageW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTLEFT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
  SendMessageW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));

  MINMAXINFO limits{};
  SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, 150);
  EXPECT_EQ(limits.ptMinTrackSize.y, 100);
  // A window that may not be sized leaves the question to its own procedure.
  HWND fixed = Attached({});
  GetWindowRect(fixed, &r);
  EXPECT_EQ(SendMessageW(fixed, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, r.top + 1)), HTCLIENT);
}

TEST_F(Skin, TabsShowOnePageAndMoveUpWhenOneIsRemoved) {
  AttachOptions options;
  options.banner_height = 26;
  HWND window = Attached(options, WS_OVERLAPPEDWINDOW, 600, 400);
  HWND pages[3];
  for (HWND& page : pages) {
    page = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_CAPTION, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(page);
  }
  int handler_calls = 0;
  ASSERT_TRUE(engine_.AddTab(window, "预警管理", "", pages[0]));
  EXPECT_EQ(prop::GetInt(window, prop::kBannerHeight), 80);  // raised by the first tab
  ASSERT_TRUE(engine_.AddTab(window, "个股", "", pages[1], [&] { ++handler_calls; }));
  ASSERT_TRUE(engine_.AddTab(window, "大盘", "", pages[2]));
  ASSERT_TRUE(engine_.AddTab(window, "帮助", "", nullptr, [&] { ++handler_calls; }));
  const auto& items = engine_.Record(window)->elements.items;
  const auto tab = [&](int n) -> const skin::Element& { return items[items.size() - 4 + size_t(n)]; };
  EXPECT_TRUE(tab(0).selected);
  EXPECT_EQ(tab(2).rect.left, 5 + 2 * 62);
  EXPECT_EQ(GetParent(pages[0]), window);
  EXPECT_FALSE(IsWindowVisible(pages[0]));  // selected, but shown only when asked
  EXPECT_EQ(GetWindowLongPtrW(pages[0], GWL_STYLE) & (WS_POPUP | WS_CAPTION), 0);

  EXPECT_TRUE(engine_.SelectTab(window, "大盘"));
  EXPECT_FALSE(engine_.SelectTab(window, "没有"));
  EXPECT_TRUE(IsWindowVisible(pages[2]));
  EXPECT_FALSE(tab(0).selected);
  EXPECT_EQ(prop::GetHandle<HWND>(window, prop::kPageWindow), pages[2]);
  RECT placed{};
  GetWindowRect(pages[2], &placed);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 3);
  EXPECT_EQ(placed.top, 81);
  EXPECT_EQ(placed.right - placed.left, 600 - 6);
  EXPECT_EQ(placed.bottom - placed.top, 400 - 81 - 26 - 3);

  // A click runs the handler and shows the page; the handler-only tab leaves the selection.
  const auto click = [&](int n) {
    const LPARAM at = At(tab(n).rect.left + 30, tab(n).rect.top + 20);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(window, WM_LBUTTONUP, 0, at);
  };
  click(1);
  EXPECT_EQ(handler_calls, 1);
  EXPECT_TRUE(IsWindowVisible(pages[1]));
  EXPECT_FALSE(IsWindowVisible(pages[2]));
  click(1);  // the selected tab again: nothing
  EXPECT_EQ(handler_calls, 1);
  click(3);
  EXPECT_EQ(handler_calls, 2);
  EXPECT_TRUE(tab(1).selected);

  EXPECT_TRUE(engine_.RemoveTab(window, "预警管理"));
  EXPECT_FALSE(engine_.RemoveTab(window, "预警管理"));
  EXPECT_EQ(skin::FindTab(items, "个股"), int(items.size()) - 3);
  EXPECT_EQ(items[items.size() - 3].rect.left, 5);
  EXPECT_EQ(engine_.Record(window)->next_tab_x, 5 + 3 * 62);
}

TEST_F(Skin, HoveringTabsRedrawsOnlyTheTab) {
  HWND window = Attached({}, WS_OVERLAPPEDWINDOW, 600, 400);
  ASSERT_TRUE(engine_.AddTab(window, "一", ""));
  ASSERT_TRUE(engine_.AddTab(window, "二", ""));
  const auto& items = engine_.Record(window)->elements.items;
  const skin::Element& second = items.back();
  const int x = second.rect.left + 3, y = second.rect.top + 3;
  const COLORREF before = CachePixel(window, x, y);
  const long builds = engine_.FrameBuilds();
  for (int i = 0; i < 10; ++i) {
    SendMessageW(window, WM_MOUSEMOVE, 0, At(x, y));
    SendMessageW(window, WM_MOUSEMOVE, 0, At(x, y + 200));
  }
  SendMessageW(window, WM_MOUSEMOVE, 0, At(x, y));
  EXPECT_TRUE(second.hovered);
  EXPECT_NE(CachePixel(window, x, y), before);
  EXPECT_EQ(engine_.FrameBuilds(), builds);
}

// A DPI without a sheet of its own (125 %) gets the 150 % sheet's pieces resampled to its size,
// each on its own: the pieces where the engine looks for them at that DPI, smooth but with their
// looks, nothing bled in from a neighbour; the control sheet and the icons at its size too.
TEST_F(Skin, ArtworkAtADpiWithoutASheetIsTheNearestSheetBroughtToItsSize) {
  const Dpi dpi{120};
  const DpiArtwork& art = engine_.Resources().ArtworkAt(dpi);
  EXPECT_EQ(&engine_.Resources().ArtworkAt(dpi), &art);  // made once
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(art.frame_pieces.bitmap(), sizeof section, &section), int(sizeof section));
  ASSERT_EQ(section.dsBm.bmWidth, Scale(skin::kFrameSheetWidth, dpi));
  ASSERT_EQ(section.dsBm.bmHeight, Scale(skin::kFrameSheetHeight, dpi));
  const auto* bits = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
  const auto pixel = [&](int x, int y) { return bits[std::ptrdiff_t(y) * section.dsBm.bmWidthBytes / 4 + x]; };
  const auto alpha = [&](int x, int y) { return int(pixel(x, y) >> 24); };

  // The border template: dark at its outer edge, clear well inside; its edges still flat.
  const skin::PixelRect border = skin::ScaleRect({skin::kBorderTemplateX, skin::kBorderTemplateY,
                                                  skin::kBorderTemplateWidth, skin::kBorderTemplateHeight}, dpi);
  const int mid_x = border.x + border.width / 2;
  EXPECT_GE(alpha(mid_x, border.y), 100);
  EXPECT_LT(int(pixel(mid_x, border.y) & 0xFF), 60);
  EXPECT_EQ(alpha(mid_x, border.y + Scale(5, dpi)), 0);
  for (int x = border.x + Scale(5, dpi); x < border.right() - Scale(5, dpi); ++x) {
    ASSERT_EQ(pixel(x, border.y), pixel(mid_x, border.y)) << x;
  }
  // The gloss lights the top rows; the hovered close button is red from edge to edge of its piece
  // (a transparent neighbour resampled in would fade its sides).
  EXPECT_GT(alpha(1, 0), 40);
  const skin::PixelRect close = skin::ScaleRect(*skin::CaptionButtonPiece(skin::ButtonType::kClose, true, false), dpi);
  // Its sides half-way down, and its middle below the cross.
  const int row = close.y + Scale(10, dpi);
  for (const auto& [x, y] : {std::pair{close.x, row}, {close.right() - 1, row},
                             {close.x + close.width / 2, close.y + Scale(17, dpi)}}) {
    const std::uint32_t p = pixel(x, y);
    EXPECT_GT(alpha(x, y), 180) << x << "," << y;
    EXPECT_GT(int((p >> 16) & 0xFF), 3 * int((p >> 8) & 0xFF)) << std::hex << p;  // red over green
  }
  EXPECT_LT(alpha(close.x, close.y), alpha(close.x, row));  // the rounded corner is still round

  BITMAP control{};
  ASSERT_TRUE(GetObjectW(art.control_sheet.bitmap(), sizeof control, &control));
  EXPECT_EQ(control.bmWidth, Scale(skin::kControlSheetWidth, dpi));
  EXPECT_EQ(control.bmHeight, Scale(skin::kControlSheetHeight, dpi));
  // Around the toggles only magenta, the key TransparentBlt leaves out.
  EXPECT_EQ(GetPixel(art.control_sheet.dc(), control.bmWidth - 1, control.bmHeight - 1), RGB(255, 0, 255));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(art.tab_icon.get(), &info));
  BITMAP icon{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof icon, &icon);
  EXPECT_EQ(icon.bmWidth, Scale(32, dpi));
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  EXPECT_NE(art.window_icon.get(), nullptr);
}

// The engine's own icons are blended from a premultiplied copy made once: pixel for pixel what
// DrawIconEx draws, on a coloured ground, at two DPIs.
TEST_F(Skin, AnIconTheEngineMadeIsBlendedExactlyAsDrawIconExDrawsIt) {
  for (const int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    HICON icon = engine_.Resources().ArtworkAt(Dpi{dpi}).tab_icon.get();
    const int size = Scale(32, Dpi{dpi});
    const HaloTextImage* image = engine_.Resources().EngineIconImage(icon, size);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(engine_.Resources().EngineIconImage(icon, size), image);  // made once
    HDC screen = GetDC(nullptr);
    MemorySurface drawn, blended;
    drawn.Reset(CreateCompatibleDC(screen), CreateCompatibleBitmap(screen, size, size));
    blended.Reset(CreateCompatibleDC(screen), CreateCompatibleBitmap(screen, size, size));
    ReleaseDC(nullptr, screen);
    GdiObjectOwner<HBRUSH> ground;
    ground.Reset(CreateSolidBrush(RGB(200, 30, 40)));
    const RECT whole{0, 0, size, size};
    FillRect(drawn.dc(), &whole, ground.get());
    FillRect(blended.dc(), &whole, ground.get());
    DrawIconEx(drawn.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    constexpr BLENDFUNCTION kPerPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(blended.dc(), 0, 0, size, size, image->surface.dc(), 0, 0, size, size, kPerPixel);
    int differing = 0, covered = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        differing += GetPixel(drawn.dc(), x, y) != GetPixel(blended.dc(), x, y);
        covered += GetPixel(drawn.dc(), x, y) != RGB(200, 30, 40);
      }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(covered, size * size / 4);  // the icon is there at all
  }
}

// --- Controls ---

class SkinControls : public Skin {
 protected:
  void SetUp() override {
    window_ = Attached({}, WS_OVERLAPPEDWINDOW, 400, 300);
    const auto make = [&](const wchar_t* text, DWORD style, int y, int id) {
      return CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | style, 20, y, 40, 23, window_,
                             reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
    };
    push_ = make(L"", BS_PUSHBUTTON, 100, 1);
    check_ = make(L"选项", BS_AUTOCHECKBOX, 130, 2);
    radio_a_ = make(L"甲", BS_AUTORADIOBUTTON | WS_GROUP, 160, 3);
    radio_b_ = make(L"乙", BS_AUTORADIOBUTTON, 190, 4);
    group_ = make(L"组", BS_GROUPBOX | WS_GROUP, 220, 5);
    SendMessageW(radio_a_, BM_SETCHECK, BST_CHECKED, 0);
    engine_.SkinChildControls();
  }
  // The button as the engine draws it, read back from a surface of its size.
  COLORREF DrawnPixel(HWND button, int x, int y) {
    HDC screen = GetDC(nullptr);
    MemorySurface surface;
    surface.Reset(CreateCompatibleDC(screen), CreateCompatibleBitmap(screen, 40, 23));
    ReleaseDC(nullptr, screen);
    engine_.DrawSkinnedButton(button, surface.dc());
    return GetPixel(surface.dc(), x, y);
  }
  void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

  HWND window_ = nullptr, push_ = nullptr, check_ = nullptr, radio_a_ = nullptr, radio_b_ = nullptr,
       group_ = nullptr;
};

TEST_F(SkinControls, ButtonsAreClassifiedAndOwnerDrawn) {
  EXPECT_EQ(prop::GetInt(push_, prop::kWindowType), 5);
  EXPECT_EQ(prop::GetInt(check_, prop::kWindowType), 6);
  EXPECT_EQ(prop::GetInt(radio_a_, prop::kWindowType), 7);
  EXPECT_EQ(prop::GetInt(group_, prop::kWindowType), 0);
  EXPECT_EQ(GetWindowLongPtrW(push_, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(GetWindowLongPtrW(group_, GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_NE(prop::Get(group_, prop::kWndProc), 0);  // every other child: the container procedure
  EXPECT_EQ(SendMessageW(radio_a_, BM_GETCHECK, 0, 0), BST_CHECKED);  // the check state carried over
}

TEST_F(SkinControls, ClicksKeepTheCheckStatesAndRadioGroupsUncheckEachOther) {
  Click(check_);
  EXPECT_EQ(SendMessageW(check_, BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(check_);
  EXPECT_EQ(SendMessageW(check_, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(check_, BM_SETCHECK, BST_CHECKED, 0);  // the application's own setting
  EXPECT_EQ(IsDlgButtonChecked(window_, 2), BST_CHECKED);

  Click(radio_b_);
  EXPECT_EQ(SendMessageW(radio_b_, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(radio_a_, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Click(radio_b_);  // a radio button stays checked
  EXPECT_EQ(SendMessageW(radio_b_, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// A double click is two clicks to a check box, as to a plain one: the second press comes as
// WM_LBUTTONDBLCLK.
TEST_F(SkinControls, ADoubleClickTogglesACheckBoxTwice) {
  const LPARAM at = MAKELPARAM(5, 5);
  SendMessageW(check_, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(check_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(check_, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(SendMessageW(check_, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(check_, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(check_, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(SendMessageW(check_, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SkinControls, PushButtonLooksComeFromTheSheet) {
  HDC sheet = engine_.Resources().control_sheet.dc();
  // 40 x 23 is the frame's own size: the nine pieces land unscaled.
  EXPECT_EQ(DrawnPixel(push_, 20, 11), GetPixel(sheet, 20, 11));
  EXPECT_EQ(DrawnPixel(push_, 0, 0), GetPixel(sheet, 0, 0));
  prop::Set(push_, prop::kDrawState, 2);
  EXPECT_EQ(DrawnPixel(push_, 20, 11), GetPixel(sheet, 80 + 20, 11));
  EnableWindow(push_, FALSE);  // disabled shows the fourth frame whatever the state
  EXPECT_EQ(DrawnPixel(push_, 20, 11), GetPixel(sheet, 120 + 20, 11));
  EXPECT_EQ(DrawnPixel(push_, 39, 22), GetPixel(sheet, 120 + 39, 22));

  // A button smaller than its margins still gets its corners and nothing mirrored.
  SetWindowPos(push_, nullptr, 0, 0, 8, 6, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(DrawnPixel(push_, 0, 0), GetPixel(sheet, 120, 0));
}

TEST_F(SkinControls, HoverAndPressChangeTheDrawState) {
  SendMessageW(push_, WM_MOUSEHOVER, 0, 0);
  EXPECT_EQ(prop::GetInt(push_, prop::kDrawState), 1);
  SendMessageW(push_, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_EQ(prop::GetInt(push_, prop::kDrawState), 2);
  SendMessageW(push_, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(prop::GetInt(push_, prop::kDrawState), 1);
  SendMessageW(push_, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(prop::GetInt(push_, prop::kDrawState), 0);
}

TEST_F(SkinControls, ContainersEraseInTheBackgroundColour) {
  engine_.SetBackColor(RGB(1, 2, 3));
  HDC screen = GetDC(nullptr);
  MemorySurface surface;
  surface.Reset(CreateCompatibleDC(screen), CreateCompatibleBitmap(screen, 40, 23));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(SendMessageW(group_, WM_ERASEBKGND, WPARAM(surface.dc()), 0), 1);
  EXPECT_EQ(GetPixel(surface.dc(), 10, 10), RGB(1, 2, 3));
  EXPECT_EQ(SendMessageW(window_, WM_CTLCOLORSTATIC, WPARAM(surface.dc()), LPARAM(group_)),
            reinterpret_cast<LRESULT>(engine_.Resources().background_brush.get()));
}

}  // namespace
}  // namespace velmora::win
