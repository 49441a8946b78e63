// The windows at the screen's DPI: every control of the fixed designs inside its window, no text
// cut off by its box, the dialog font made for the DPI. CTest runs these at 96 DPI with the other
// tests and again in a prefix at 144 and at 192 (VELMORA_EXPECT_DPI names the DPI the run must
// see, so a prefix that did not take it fails instead of passing at 96 again).
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "app/messages_win.h"
#include "app/process_state.h"
#include "feeds/popup_layout.h"
#include "feeds/popup_win.h"
#include "gateway/gateway_client.h"
#include "gateway/rc4.h"
#include "memory_profile_store.h"
#include "runtime/dpi_win.h"
#include "resources/resource_ids.h"
#include "runtime/gbk_win.h"
#include "runtime/handles_win.h"
#include "skin/artwork_scale.h"
#include "skin/frame_sheet.h"
#include "skin/nine_grid.h"
#include "skin/skin_colour.h"
#include "skin/skin_engine_win.h"
#include "skin/skin_properties_win.h"
#include "dpi_change.h"
#include "fits_check.h"
#include "thread_windows.h"
#include "toolkit/message_box_win.h"
#include "toolkit/transparent_label_win.h"
#include "toolkit/window_win.h"
#include "ui/login_layout.h"
#include "ui/settings_layout.h"
#include "ui/settings_window_win.h"
#include "ui/signup_layout.h"
#include "ui/signup_window_win.h"

namespace velmora::win {
namespace {

using testing::DesignedPlace;
using testing::ExpectEveryControlFits;
using testing::ExpectPlacedAt;
using testing::OtherDpi;
using testing::PlaceInParent;
using testing::PlacesOf;
using testing::SendDpiChanged;
using testing::ExpectScaledSize;

// This process says it draws at the screen's DPI itself, so that Windows tells its windows the
// real DPI instead of 96 and a stretched bitmap (Wine tells every process the prefix's DPI).
const bool kDeclaredAware = [] {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  using SetContext = BOOL(WINAPI*)(HANDLE);
  if (auto set = reinterpret_cast<SetContext>(
          reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")))) {
    // Per monitor (version 2), else per monitor, as the values -4 and -3 name them.
    if (set(reinterpret_cast<HANDLE>(-4)) || set(reinterpret_cast<HANDLE>(-3))) return true;
  }
  return SetProcessDPIAware() != FALSE;
}();

class DpiLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* expected = std::getenv("VELMORA_EXPECT_DPI")) {
      ASSERT_EQ(dpi_.value, std::atoi(expected)) << "the prefix did not take the DPI";
    }
  }
  const Dpi dpi_ = WindowDpi(nullptr);
};

TEST_F(DpiLayout, TheDesignedWindowsControlsFitAtTheScreensDpi) {
  struct Design {
    const char* name;
    ui::Box size;
    std::vector<ui::ControlDesign> controls;
  };
  const Design designs[] = {
      {"login", ui::kLoginWindowSize, {ui::kLoginControls.begin(), ui::kLoginControls.end()}},
      {"sign-up", ui::kSignUpWindowSize, {ui::kSignUpControls.begin(), ui::kSignUpControls.end()}},
      {"settings", ui::kSettingsWindowSize, {ui::kSettingsControls.begin(), ui::kSettingsControls.end()}},
  };
  for (const Design& design : designs) {
    SCOPED_TRACE(design.name);
    // A captionless window of the design's size, as the skinned windows are.
    const ui::Box size = ui::Scale(design.size, dpi_);
    WindowOwner window;
    window.Reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, size.width, size.height, nullptr, nullptr,
                                 nullptr, nullptr));
    ASSERT_TRUE(window);
    for (const ui::ControlDesign& control : design.controls) {
      HWND made = CreateDesignedControl(window.get(), control);
      ASSERT_NE(made, nullptr) << control.id;
      // Proportionally placed: a control left at its 96-DPI place would fail here at 144 and 192
      // (its size is the class's to adjust: etched lines take an edge).
      RECT at{};
      GetWindowRect(made, &at);
      MapWindowPoints(nullptr, window.get(), reinterpret_cast<POINT*>(&at), 2);
      EXPECT_NEAR(at.left, control.box.left * dpi_.value / 96.0, 0.5) << control.id;
      EXPECT_NEAR(at.top, control.box.top * dpi_.value / 96.0, 0.5) << control.id;
    }
    ExpectEveryControlFits(window.get(), dpi_);
  }
}

LatestItem Recommendation();
LatestItem News();

// The skin's frame of `window` (attached with a status band, sizable, its first tab showing
// `page`) where the design's metrics at `dpi` put it: the banner and status heights, the caption
// buttons, the banner's tabs, the page over the client panel and the sizing bands.
void ExpectFrameAt(const SkinEngine& skin, HWND window, HWND page, Dpi dpi) {
  RECT at{};
  GetWindowRect(window, &at);
  const int width = at.right - at.left, height = at.bottom - at.top;
  ASSERT_NE(skin.Record(window), nullptr);
  EXPECT_EQ(skin.Record(window)->dpi, dpi);
  EXPECT_EQ(prop::GetInt(window, prop::kBannerHeight), Scale(80, dpi));
  EXPECT_EQ(prop::GetInt(window, prop::kStatusHeight), Scale(26, dpi));

  // Close, minimise, main menu, help: right to left, each edge the design's distance from the
  // right edge at the DPI.
  const skin::ElementList& elements = skin.Record(window)->elements;
  const int from_right[][2] = {{45, 5}, {72, 45}, {99, 72}, {126, 99}};
  size_t n = 0;
  std::vector<skin::Rect> tabs;
  for (const skin::Element& e : elements.items) {
    if (e.kind == skin::ElementKind::kTab) tabs.push_back(e.rect);
    if (e.kind != skin::ElementKind::kCaptionButton) continue;
    ASSERT_LT(n, std::size(from_right));
    EXPECT_EQ(e.rect, (skin::Rect{width - Scale(from_right[n][0], dpi), Scale(1, dpi),
                                  width - Scale(from_right[n][1], dpi), Scale(20, dpi)}))
        << "button " << n;
    ++n;
  }
  EXPECT_EQ(n, std::size(from_right));
  // The two banner tabs, 62 design pixels apart.
  EXPECT_EQ(tabs, (std::vector<skin::Rect>{{Scale(5, dpi), Scale(27, dpi), Scale(65, dpi), Scale(79, dpi)},
                                           {Scale(67, dpi), Scale(27, dpi), Scale(127, dpi), Scale(79, dpi)}}));

  // The first tab's page covers the client panel inside the frame's outline.
  RECT panel_at{};
  GetWindowRect(page, &panel_at);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&panel_at), 2);
  const skin::PanelFrame panel = skin::PanelFrameAt(dpi);
  EXPECT_EQ(panel_at.left, panel.inset);
  EXPECT_EQ(panel_at.top, Scale(80, dpi) + panel.line);
  EXPECT_EQ(panel_at.right, width - panel.inset);
  EXPECT_EQ(panel_at.bottom, height - Scale(26, dpi) - panel.inset);

  // The sizing corner (10 design pixels) and edge (3) bands, measured from the window's right and
  // bottom edges, just inside and just outside.
  const int corner = Scale(10, dpi), edge = Scale(3, dpi), middle = (at.top + at.bottom) / 2;
  struct Probe {
    int x, y;
    LRESULT code;
  };
  const Probe probes[] = {
      {at.right - corner, at.bottom - 1, HTBOTTOMRIGHT},
      {at.right - corner - 1, at.bottom - 1, HTBOTTOM},
      {at.right - edge, middle, HTRIGHT},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), p.code) << p.x << "," << p.y;
  }
  EXPECT_NE(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(at.right - edge - 1, middle)), HTRIGHT);
}

// A login-sized window attached to `skin` as the main window is (status band, sizable, four
// caption buttons) with two banner tabs, the first one showing `page`.
void AttachWithTabs(SkinEngine& skin, HWND window, HWND page) {
  AttachOptions options;
  options.minimise = true;
  options.maximise = false;
  options.main_menu = true;
  options.help = true;
  options.sizable = true;
  ASSERT_TRUE(skin.AttachWindow(window, options));
  ASSERT_TRUE(skin.AddTab(window, "甲", "", page));
  ASSERT_TRUE(skin.AddTab(window, "乙", ""));
  ASSERT_TRUE(skin.SelectTab(window, "甲"));
}

// A window of the login window's size at `dpi`, skinned with two tabs, the first over `page`.
void MakeSkinnedWindow(SkinEngine& skin, Dpi dpi, WindowOwner& window, WindowOwner& page) {
  const ui::Box size = ui::Scale(ui::kLoginWindowSize, dpi);
  window.Reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 20, 20, size.width, size.height, nullptr,
                               nullptr, nullptr, nullptr));
  page.Reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(window);
  AttachWithTabs(skin, window.get(), page.get());
}

TEST_F(DpiLayout, TheSkinsFrameAtTheScreensDpi) {
  SkinEngine skin;
  WindowOwner window, page;
  ASSERT_NO_FATAL_FAILURE(MakeSkinnedWindow(skin, dpi_, window, page));
  ExpectFrameAt(skin, window.get(), page.get(), dpi_);
}

// What the skin does on a change of DPI, on a window whose own procedure ignores it (the frame, not
// the window, takes the new DPI): everything where the new DPI puts it, and back exactly.
TEST_F(DpiLayout, TheSkinsFrameFollowsADpiChange) {
  SkinEngine skin;
  WindowOwner window, page;
  ASSERT_NO_FATAL_FAILURE(MakeSkinnedWindow(skin, dpi_, window, page));
  const std::vector<skin::Element> before = skin.Record(window.get())->elements.items;
  const long builds = skin.FrameBuilds();

  const Dpi other = OtherDpi(dpi_);
  RECT at{};
  GetWindowRect(window.get(), &at);
  SendDpiChanged(window.get(), other, at);
  {
    SCOPED_TRACE("at the other DPI");
    ExpectFrameAt(skin, window.get(), page.get(), other);
  }
  EXPECT_GT(skin.FrameBuilds(), builds) << "the surfaces were not built again";

  SendDpiChanged(window.get(), dpi_, at);
  {
    SCOPED_TRACE("back");
    ExpectFrameAt(skin, window.get(), page.get(), dpi_);
  }
  const std::vector<skin::Element>& after = skin.Record(window.get())->elements.items;
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].rect, before[i].rect) << "element " << i;
}

// A skinned dialog-like window through a change of DPI and back: it takes the suggested
// rectangle, its controls go where the design at the new DPI puts them with the dialog font of
// that DPI, the skin's record, banner and caption buttons follow; back at the window's first DPI
// and rectangle, every control is where it was, to the pixel.
void ExpectFollowsDpiChange(HWND window, std::span<const DesignedPlace> places, Dpi start, int banner) {
  const SkinEngine& skin = *SkinEngine::Instance();
  RECT first{};
  GetWindowRect(window, &first);
  std::vector<RECT> before;
  for (const DesignedPlace& p : places) before.push_back(PlaceInParent(GetDlgItem(p.parent, p.id)));

  const auto expect_at = [&](Dpi dpi, const RECT& rect) {
    RECT at{};
    GetWindowRect(window, &at);
    EXPECT_TRUE(EqualRect(&at, &rect)) << at.left << "," << at.top << " " << at.right << "," << at.bottom;
    ExpectPlacedAt(places, dpi);
    ExpectEveryControlFits(window, dpi);
    ASSERT_NE(skin.Record(window), nullptr);
    EXPECT_EQ(skin.Record(window)->dpi, dpi);
    EXPECT_EQ(prop::GetInt(window, prop::kBannerHeight), Scale(banner, dpi));
    const skin::Element& close = skin.Record(window)->elements.items.front();
    const int width = at.right - at.left;
    EXPECT_EQ(close.rect, (skin::Rect{width - Scale(45, dpi), Scale(1, dpi), width - Scale(5, dpi), Scale(20, dpi)}));
  };

  // The rectangle a move onto the other screen suggests: elsewhere, and of the size at its DPI.
  const Dpi other = OtherDpi(start);
  const RECT suggested{first.left + 7, first.top + 9,
                       first.left + 7 + MulDiv(first.right - first.left, other.value, start.value),
                       first.top + 9 + MulDiv(first.bottom - first.top, other.value, start.value)};
  SendDpiChanged(window, other, suggested);
  {
    SCOPED_TRACE("at the other DPI");
    expect_at(other, suggested);
  }
  SendDpiChanged(window, start, first);
  SCOPED_TRACE("back");
  expect_at(start, first);
  for (size_t i = 0; i < places.size(); ++i) {
    const RECT now = PlaceInParent(GetDlgItem(places[i].parent, places[i].id));
    EXPECT_TRUE(EqualRect(&now, &before[i])) << places[i].id;
  }
}

// Runs `check` on the first visible window of `window_class` this thread shows (from inside its
// modal loop), then closes it by its frame.
std::function<void(HWND)> g_check;
const wchar_t* g_class = nullptr;
bool g_checked = false;

void CALLBACK CheckOpenWindow(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = testing::ThreadWindowOfClass(g_class, true);
  if (!window) return;
  KillTimer(nullptr, timer);
  g_checked = true;
  g_check(window);
  PostMessageW(window, WM_CLOSE, 0, 0);
}

void WhenOpen(const wchar_t* window_class, std::function<void(HWND)> check) {
  g_class = window_class;
  g_check = std::move(check);
  g_checked = false;
  SetTimer(nullptr, 0, 30, CheckOpenWindow);
}

TEST_F(DpiLayout, TheDialogsFollowADpiChange) {
  SkinEngine skin;
  const Dpi start = dpi_;
  {
    SCOPED_TRACE("settings");
    testing::MemoryProfileStore store;
    WhenOpen(kSettingsWindowClass, [start](HWND window) {
      ExpectFollowsDpiChange(window, PlacesOf(window, ui::kSettingsControls), start, 26);
    });
    ShowSettingsWindow(nullptr, store, SettingsDialogs{}, L"C:\\");
    EXPECT_TRUE(g_checked);
  }
  {
    SCOPED_TRACE("sign-up");
    GatewayClient gateway(ThisPlatform());
    WhenOpen(SignUpWindow::kClassName, [start](HWND window) {
      ExpectFollowsDpiChange(window, PlacesOf(window, ui::kSignUpControls), start, 26);
    });
    SignUpWindow::RunOver(nullptr, gateway);
    EXPECT_TRUE(g_checked);
  }
  {
    SCOPED_TRACE("confirmation");
    State().close_answer = 0;
    WhenOpen(kMessageBoxClass, [start](HWND window) {
      const DesignedPlace places[] = {{window, kMessageLabelId, {0, 38, 289, 26}},
                                      {window, kOkButtonId, {45, 74, 77, 27}},
                                      {window, kCancelButtonId, {171, 72, 77, 27}}};
      ExpectFollowsDpiChange(window, places, start, 26);
    });
    EXPECT_FALSE(AskConfirmation("确认是否关闭此程序？", nullptr));
    EXPECT_TRUE(g_checked);
  }
}

TEST_F(DpiLayout, ThePopUpFollowsADpiChange) {
  SkinEngine skin;
  ShowNewItemPopup(News(), false);
  HWND popup = CurrentPopup();
  ASSERT_NE(popup, nullptr);
  HWND tabs = GetDlgItem(popup, kPopupTabsId);
  HWND recommendation = GetDlgItem(tabs, kPopupRecommendationPageId);
  HWND news = GetDlgItem(tabs, kPopupNewsPageId);
  std::vector<DesignedPlace> places = {
      {popup, kPopupTabsId, ui::kPopupTabs},
      {tabs, kPopupRecommendationPageId, {0, 0, ui::kPopupTabs.width, ui::kPopupTabs.height}},
      {tabs, kPopupNewsPageId, {0, 0, ui::kPopupTabs.width, ui::kPopupTabs.height}},
      {recommendation, kPopupRemarkHeadingId, ui::kPopupRemarkHeading.box},
      {recommendation, kPopupRemarkBoxId, ui::kPopupRemarkBox},
      {news, kPopupNewsTimeId, ui::kPopupNewsTimeLabel.box},
      {news, kPopupNewsTitleId, ui::kPopupNewsTitleLabel.box},
      {news, kPopupContentHeadingId, ui::kPopupContentHeading.box},
      {news, kPopupContentBoxId, ui::kPopupContentBox},
  };
  for (size_t i = 0; i < ui::kPopupRecommendationLabels.size(); ++i) {
    places.push_back({recommendation, kPopupRecommendationLabelId + int(i), ui::kPopupRecommendationLabels[i].box});
  }
  ExpectFollowsDpiChange(popup, places, dpi_, 26);

  // The announcement's own font (14 points) went to the other DPI and back with the window.
  const auto content_height = [&] {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(news, kPopupContentBoxId), WM_GETFONT, 0, 0)),
               sizeof font, &font);
    return font.lfHeight;
  };
  EXPECT_EQ(content_height(), FontHeightForPoints(14, dpi_));
  RECT at{};
  GetWindowRect(popup, &at);
  SendDpiChanged(popup, OtherDpi(dpi_), at);
  EXPECT_EQ(content_height(), FontHeightForPoints(14, OtherDpi(dpi_)));
  CloseNewItemPopup();
}

// A colour within a few steps per channel: AlphaBlend rounds premultiplied blends its own way.
::testing::AssertionResult Near(COLORREF actual, COLORREF expected, int tolerance = 3) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << "actual " << (actual & 0xFFFFFF) << ", expected "
                                           << (expected & 0xFFFFFF);
    }
  }
  return ::testing::AssertionSuccess();
}

// The frame at the screen's DPI comes from the sheet drawn for that scale, pixel for pixel: the
// border's corners and the caption buttons are copies of that sheet's pieces, not the 100 %
// pieces enlarged (whose rounded corners and one-pixel lines a stretch would smear or double
// unevenly). At 96 that is the 100 % sheet, as it always was.
TEST_F(DpiLayout, TheFrameIsCopiedFromTheSheetDrawnForTheScreensScale) {
  const int percent = skin::SheetPercentFor(dpi_);
  if (skin::SheetDpi(percent) != dpi_) GTEST_SKIP() << "no sheet is drawn for " << dpi_.value << " DPI";
  SkinEngine skin;
  constexpr COLORREF kSkin = RGB(200, 30, 40);
  skin.SetSkinColor(kSkin);
  const int id = percent == 200 ? VELMORA_RC_FRAME_SHEET_200 : percent == 150 ? VELMORA_RC_FRAME_SHEET_150
                                                                              : VELMORA_RC_FRAME_SHEET;
  GlobalMemory block;
  const GpImageOwner sheet_image = ImageFromBytes(BuiltInResource(id), block);
  ASSERT_TRUE(sheet_image);
  auto* sheet = reinterpret_cast<Gdiplus::GpBitmap*>(sheet_image.get());
  const auto over = [&](COLORREF below, int x, int y) {
    Gdiplus::ARGB argb = 0;
    gp::GdipBitmapGetPixel(sheet, x, y, &argb);
    return skin::BlendOver(below, RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF), std::uint8_t(argb >> 24));
  };

  const int width = Scale(400, dpi_), height = Scale(300, dpi_);
  WindowOwner window;
  window.Reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 20, 20, width, height, nullptr, nullptr,
                               nullptr, nullptr));
  ASSERT_TRUE(window);
  AttachOptions options;
  options.minimise = true;
  options.maximise = false;
  ASSERT_TRUE(skin.AttachWindow(window.get(), options));
  HDC cache = prop::GetHandle<HDC>(window.get(), prop::kCacheDc);
  HDC back = prop::GetHandle<HDC>(window.get(), prop::kBackDc);
  ASSERT_NE(cache, nullptr);

  // The border's bottom-left corner, left of the status strip, over the skin colour: the sheet's
  // template corner copied 1:1.
  const skin::PixelRect frame = skin::ScaleRect({skin::kBorderTemplateX, skin::kBorderTemplateY,
                                                 skin::kBorderTemplateWidth, skin::kBorderTemplateHeight}, dpi_);
  const int d = Scale(skin::kBorderThickness, dpi_), edge = skin::PanelFrameAt(dpi_).edge;
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < edge; ++x) {
      ASSERT_TRUE(Near(GetPixel(cache, x, height - d + y), over(kSkin, frame.x + x, frame.bottom() - d + y)))
          << "corner pixel " << x << "," << y;
    }
  }
  // The left edge's dark line is whole device pixels, one colour across, and the light line
  // beside it another: two sharp lines, not a ramp.
  const int line = Scale(1, dpi_), middle = height / 2;
  for (int x = 1; x < line; ++x) EXPECT_EQ(GetPixel(cache, x, middle), GetPixel(cache, 0, middle)) << x;
  EXPECT_TRUE(Near(GetPixel(cache, 0, middle), over(kSkin, frame.x, frame.y + d)));
  EXPECT_GT(GetRValue(GetPixel(cache, line, middle)), GetRValue(GetPixel(cache, line - 1, middle)));

  // The close button hovered: every pixel, rounded corners included, the sheet's hover piece over
  // the frame beneath.
  const skin::Element* close = nullptr;
  for (const skin::Element& e : skin.Record(window.get())->elements.items) {
    if (e.kind == skin::ElementKind::kCaptionButton && e.type == skin::ButtonType::kClose) close = &e;
  }
  ASSERT_NE(close, nullptr);
  const skin::Rect at = close->rect;
  SendMessageW(window.get(), WM_MOUSEMOVE, 0, MAKELPARAM((at.left + at.right) / 2, (at.top + at.bottom) / 2));
  const auto piece = skin::CaptionButtonPiece(skin::ButtonType::kClose, true, false);
  ASSERT_TRUE(piece);
  const skin::PixelRect from = skin::ScaleRect(*piece, dpi_);
  ASSERT_EQ(at.Width(), from.width);
  ASSERT_EQ(at.Height(), from.height);
  int differing = 0;
  for (int y = 0; y < from.height; ++y) {
    for (int x = 0; x < from.width; ++x) {
      const COLORREF beneath = GetPixel(back, at.left + x, at.top + y);
      differing += !Near(GetPixel(cache, at.left + x, at.top + y), over(beneath, from.x + x, from.y + y));
    }
  }
  EXPECT_EQ(differing, 0) << "of " << from.width * from.height << " pixels";
}

LatestItem Recommendation() {
  return LatestRecommendation({"2024年5月1日 9时30分", Rc4HexEncode("600123"), Rc4HexEncode("逢低买入"),
                               Rc4HexEncode("10.50"), Rc4HexEncode("12.80"), Rc4HexEncode("放量突破")});
}

LatestItem News() {
  return LatestNews({"2024年5月2日", Rc4HexEncode("大盘今日震荡上行。"), "黑体", "14", "255",
                     Rc4HexEncode("午间快讯")});
}

TEST_F(DpiLayout, ThePopUpAtTheScreensDpi) {
  SkinEngine skin;
  for (const LatestItem& item : {Recommendation(), News()}) {
    ShowNewItemPopup(item, false);
    HWND popup = CurrentPopup();
    ASSERT_NE(popup, nullptr);
    ExpectScaledSize(popup, ui::kPopupWidth, ui::kPopupHeight, dpi_);
    RECT at{};
    GetWindowRect(popup, &at);
    const ui::Box expected =
        ui::PopupPlacement({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, dpi_);
    EXPECT_EQ(at.left, expected.left);
    EXPECT_EQ(at.top, expected.top);
    ExpectEveryControlFits(popup, dpi_);
    CloseNewItemPopup();
  }
}

HWND g_box = nullptr;
Dpi g_dpi;

void CALLBACK LookAtTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = testing::ThreadWindowOfClass(kMessageBoxClass, true);
  if (!box) return;
  KillTimer(nullptr, timer);
  g_box = box;
  ExpectScaledSize(box, 289, 114, g_dpi);
  ExpectEveryControlFits(box, g_dpi);
  SendMessageW(GetDlgItem(box, kCancelButtonId), BM_CLICK, 0, 0);
}

TEST_F(DpiLayout, TheConfirmationBoxAtTheScreensDpi) {
  SkinEngine skin;
  State().close_answer = 0;
  g_box = nullptr;
  g_dpi = dpi_;
  SetTimer(nullptr, 0, 30, LookAtTheBox);
  EXPECT_FALSE(AskConfirmation("确认是否关闭此程序？", nullptr));
  EXPECT_NE(g_box, nullptr);
}

// The program as built declares itself per-monitor aware (version 2, else version 1) to Windows
// 10, and per monitor or system aware to 8.1 and 7: its embedded manifest says so.
TEST(ProgramManifest, DeclaresPerMonitorAwareness) {
  std::wstring path = L"Z:" + GbkToWide(VELMORA_CLIENT_EXE);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  HMODULE program = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr) << GetLastError();
  std::string manifest;
  if (HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {  // RT_MANIFEST
    if (HGLOBAL loaded = LoadResource(program, found)) {
      manifest.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(program, found));
    }
  }
  FreeLibrary(program);
  ASSERT_FALSE(manifest.empty());
  const auto declares = [&](const std::string& element) { return manifest.find(element) != std::string::npos; };
  EXPECT_TRUE(declares("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>"));
  EXPECT_TRUE(declares("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                       "PerMonitorV2, PerMonitor</dpiAwareness>"));
}

}  // namespace
}  // namespace velmora::win
