// The embedded browser host in a real top-level window. Under Wine the browser control exists
// but has no HTML engine, so the page calls exercise the path where no document ever arrives;
// the BrowserHostWithoutControl cases run with the control disabled (see CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "runtime/gbk_win.h"
#include "ui/browser_host_win.h"

namespace velmora::win {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class ParentWindow {
 public:
  ParentWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelmoraBrowserTestParent";
    RegisterClassExW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"浏览器测试", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                              480, nullptr, nullptr, wc.hInstance, nullptr);
    if (window_) ShowWindow(window_, SW_SHOWNOACTIVATE);
  }
  ~ParentWindow() {
    if (window_) DestroyWindow(window_);
  }
  ParentWindow(const ParentWindow&) = delete;
  ParentWindow& operator=(const ParentWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

std::string WindowTextGbk(HWND window) {
  std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return WideToGbk(text);
}

size_t ChildWindowCount(HWND parent) {
  size_t count = 0;
  EnumChildWindows(
      parent, [](HWND, LPARAM counter) WINAPI -> BOOL { return ++*reinterpret_cast<size_t*>(counter), TRUE; },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

bool ControlDisabledByEnvironment() {
  wchar_t overrides[512] = {};
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
  return std::wstring(overrides).find(L"ieframe=") != std::wstring::npos;
}

constexpr RECT kWhere{10, 10, 410, 310};

TEST(BrowserHostWithControl, NavigatesAndNeverWaitsPastTheLimitForADocument) {
  if (ControlDisabledByEnvironment()) GTEST_SKIP() << "the browser control is disabled here";
  ParentWindow parent;
  ASSERT_NE(parent.get(), nullptr);
  auto host = BrowserHost::Create(parent.get(), kWhere);
  ASSERT_NE(host, nullptr);
  ASSERT_TRUE(host->HasBrowser());
  EXPECT_TRUE(host->Navigate("about:blank"));

  const auto start = Clock::now();
  const bool has_document = host->WaitForDocument(milliseconds(300));
  const auto waited = Clock::now() - start;
  EXPECT_LT(waited, milliseconds(2000));

  const std::string text = "系统公告：明天休市";
  if (has_document) {  // a system with an HTML engine
    EXPECT_TRUE(host->WriteHtml("<html><body></body></html>"));
    EXPECT_TRUE(host->AddTextBlock(text, 0x0000FF, 12, "宋体"));
    HWND box = host->FallbackTextWindow();
    EXPECT_TRUE(box == nullptr || !IsWindowVisible(box));
  } else {
    EXPECT_GE(waited, milliseconds(250));
    EXPECT_FALSE(host->WriteHtml("<html><body></body></html>"));
    EXPECT_TRUE(host->AddTextBlock(text, 0x0000FF, 12, "宋体"));
    HWND box = host->FallbackTextWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(WindowTextGbk(box), text);
  }
}

TEST(BrowserHostWithControl, WaitEndsAtAQuitMessageAndLeavesItForTheCaller) {
  if (ControlDisabledByEnvironment()) GTEST_SKIP() << "the browser control is disabled here";
  ParentWindow parent;
  auto host = BrowserHost::Create(parent.get(), kWhere);
  ASSERT_NE(host, nullptr);
  PostQuitMessage(7);
  const auto start = Clock::now();
  EXPECT_FALSE(host->WaitForDocument(milliseconds(5000)));
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

// Run with WINEDLLOVERRIDES containing "ieframe=": the control cannot be created at all.
TEST(BrowserHostWithoutControl, FallsBackToAReadOnlyTextBoxWithTheBlocksStyle) {
  if (!ControlDisabledByEnvironment()) GTEST_SKIP() << "needs the browser control disabled";
  ParentWindow parent;
  ASSERT_NE(parent.get(), nullptr);
  const auto start = Clock::now();
  auto host = BrowserHost::Create(parent.get(), kWhere);
  EXPECT_LT(Clock::now() - start, milliseconds(3000));
  ASSERT_NE(host, nullptr);
  EXPECT_FALSE(host->HasBrowser());
  EXPECT_FALSE(host->Navigate("about:blank"));
  EXPECT_FALSE(host->GoBack());
  EXPECT_FALSE(host->GoForward());
  EXPECT_FALSE(host->Reload());
  EXPECT_FALSE(host->WaitForDocument(milliseconds(50)));
  EXPECT_FALSE(host->WriteHtml("<p>x</p>"));

  HWND box = host->FallbackTextWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(IsWindowVisible(box));
  EXPECT_NE(GetWindowLongPtrW(box, GWL_STYLE) & ES_READONLY, 0);
  RECT box_rect{};
  GetWindowRect(box, &box_rect);
  EXPECT_EQ(box_rect.right - box_rect.left, 400);
  EXPECT_EQ(box_rect.bottom - box_rect.top, 300);

  const std::string notice = "系统公告：明天休市";
  ASSERT_TRUE(host->AddTextBlock(notice, 0x0000FF, 12, "宋体"));
  EXPECT_EQ(WindowTextGbk(box), notice);

  // The box takes the block's font face (converted from GBK) and size in points.
  LOGFONTW font{};
  ASSERT_NE(GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)),
                       sizeof font, &font),
            0);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"宋体");
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(font.lfHeight, -MulDiv(12, dpi, 72));

  // Its colours come from the host's own window, not from the owner's.
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  const LRESULT brush = SendMessageW(GetParent(box), WM_CTLCOLORSTATIC,
                                     reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));  // 0x00BBGGRR: 0xFF is red
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_NE(brush, 0);
  DeleteDC(dc);

  // Later blocks follow on their own lines; bare line feeds become line breaks.
  ASSERT_TRUE(host->AddTextBlock("第二行\n第三行", 0x00FF00, 9, "黑体"));
  EXPECT_EQ(WindowTextGbk(box), notice + "\r\n第二行\r\n第三行");

  host->Resize(RECT{0, 0, 200, 100});
  GetWindowRect(box, &box_rect);
  EXPECT_EQ(box_rect.right - box_rect.left, 200);
  EXPECT_EQ(box_rect.bottom - box_rect.top, 100);
}

HFONT TextBoxFont(const BrowserHost& host) {
  HWND box = host.FallbackTextWindow();
  return box ? reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)) : nullptr;
}

// GetGuiResources answers 0 under Wine, so the windows and fonts are also checked one by one.
TEST(BrowserHostLifetime, RepeatedHostsLeaveNoWindowsFontsOrBrushesBehind) {
  ParentWindow parent;
  ASSERT_NE(parent.get(), nullptr);
  auto round = [&] {
    std::vector<HFONT> fonts;
    {
      auto host = BrowserHost::Create(parent.get(), kWhere);
      ASSERT_NE(host, nullptr);
      host->Navigate("about:blank");
      host->WaitForDocument(milliseconds(20));
      // Without a document the text box gets a font of its own; with one, this goes to the page.
      ASSERT_TRUE(host->AddTextBlock("公告", 0x123456, 10, "宋体"));
      fonts.push_back(TextBoxFont(*host));
      ASSERT_TRUE(host->AddTextBlock("再次", 0x654321, 11, "黑体"));
      fonts.push_back(TextBoxFont(*host));
      if (fonts[0]) {
        EXPECT_NE(fonts[1], fonts[0]);
        EXPECT_EQ(GetObjectType(fonts[0]), 0u) << "a replaced font was kept";
      }
      EXPECT_GT(ChildWindowCount(parent.get()), 0u);
    }
    EXPECT_EQ(ChildWindowCount(parent.get()), 0u);
    for (HFONT font : fonts) {
      if (font) {
        EXPECT_EQ(GetObjectType(font), 0u) << "the text box's font outlived the host";
      }
    }
  };
  round();
  ASSERT_FALSE(HasFailure());
  const DWORD gdi_after_first = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user_after_first = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 19 && !HasFailure(); ++i) round();
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi_after_first);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user_after_first);
}

}  // namespace
}  // namespace velmora::win
