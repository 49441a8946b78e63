// Keys for a web page's form fields: the page's active object is offered every keyboard message
// aimed inside its host before dialog navigation, in every loop of the program.
#include <windows.h>

#include <oleidl.h>

#include <gtest/gtest.h>

#include <vector>

#include "gateway/platform.h"
#include "runtime/key_routing_win.h"
#include "toolkit/window_win.h"
#include "ui/browser_site_win.h"

namespace velmora::win {
namespace {

// Stands in for the browser control's in-place active object: records what it is offered and
// takes the keys it is told to.
class FakeActiveObject final : public IOleInPlaceActiveObject {
 public:
  struct Offer {
    UINT message;
    WPARAM key;
    HWND target;
  };
  std::vector<Offer> offers;
  std::vector<WPARAM> takes;  // keys answered S_OK
  LONG refs = 1;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceActiveObject) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
  STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }  // lives on the test's stack
  STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG* msg) override {
    offers.push_back({msg->message, msg->wParam, msg->hwnd});
    for (WPARAM key : takes) {
      if (key == msg->wParam) return S_OK;
    }
    return S_FALSE;
  }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
};

// A dialog-like top-level window holding a host (the page's place) with a field inside it, and a
// field of its own after it in the tab order.
class KeyRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    top_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                           nullptr, nullptr, nullptr, nullptr);
    host_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 100, top_,
                            nullptr, nullptr, nullptr);
    page_field_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 200, 20, host_,
                                  nullptr, nullptr, nullptr);
    own_field_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 150, 200, 20, top_,
                                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(top_ && host_ && page_field_ && own_field_);
    SetForegroundWindow(top_);
    SetFocus(page_field_);
  }
  void TearDown() override {
    SetKeyboardTarget(host_, nullptr);
    DestroyWindow(top_);
  }

  // Posts one key to `target` and hands it to the loop step under test.
  void SendKey(HWND target, UINT message, WPARAM key) {
    DrainQueue();
    PostMessageW(target, message, key, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, target, message, message, PM_REMOVE));
    DispatchWithNavigation(msg, top_);
  }
  static void DrainQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  HWND top_ = nullptr, host_ = nullptr, page_field_ = nullptr, own_field_ = nullptr;
};

TEST_F(KeyRouting, KeysInsideTheHostGoToItsObjectFirstAndWhatItTakesGoesNowhereElse) {
  FakeActiveObject page;
  page.takes = {VK_TAB, VK_DELETE};
  SetKeyboardTarget(host_, &page);

  struct Case {
    HWND target;
    UINT message;
    WPARAM key;
    bool offered;
    HWND focus_after;  // Tab moves the focus only when dialog navigation saw it
  } cases[] = {
      {page_field_, WM_KEYDOWN, VK_TAB, true, page_field_},      // taken: no navigation
      {page_field_, WM_KEYDOWN, VK_DELETE, true, page_field_},
      {page_field_, WM_KEYDOWN, 'C', true, page_field_},         // declined: goes on as usual
      {page_field_, WM_CHAR, 'x', true, page_field_},
      {page_field_, WM_SYSKEYDOWN, VK_MENU, true, page_field_},
      {own_field_, WM_KEYDOWN, VK_DELETE, false, page_field_},   // outside the host: never offered
      {page_field_, WM_MOUSEMOVE, 0, false, page_field_},        // not a key
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "message " << c.message << " key " << c.key);
    SetFocus(page_field_);
    page.offers.clear();
    SendKey(c.target, c.message, c.key);
    ASSERT_EQ(page.offers.size(), c.offered ? 1u : 0u);
    if (c.offered) {
      EXPECT_EQ(page.offers[0].message, c.message);
      EXPECT_EQ(page.offers[0].key, c.key);
      EXPECT_EQ(page.offers[0].target, c.target);
    }
    EXPECT_EQ(GetFocus(), c.focus_after);
  }

  // Declined, Tab is the dialog's again: it leaves the page for the next field.
  page.takes.clear();
  SetFocus(page_field_);
  SendKey(page_field_, WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), own_field_);

  // No object named: nothing is offered.
  SetKeyboardTarget(host_, nullptr);
  page.offers.clear();
  SendKey(page_field_, WM_KEYDOWN, VK_DELETE);
  EXPECT_TRUE(page.offers.empty());
}

// The loops that wait for the service pump messages too: a key typed meanwhile reaches the page.
TEST_F(KeyRouting, APumpingWaitOffersKeysToo) {
  FakeActiveObject page;
  page.takes = {'V'};
  SetKeyboardTarget(host_, &page);
  DrainQueue();
  PostMessageW(page_field_, WM_KEYDOWN, 'V', 0);
  WaitPumping([&] { return !page.offers.empty(); }, std::chrono::milliseconds(2000));
  ASSERT_EQ(page.offers.size(), 1u);
  EXPECT_EQ(page.offers[0].key, WPARAM('V'));
}

// The control names its active object on the site; the site holds it, names it for its window,
// and lets it go when the control names another, or none, or the site goes.
TEST_F(KeyRouting, TheBrowserSiteKeepsTheActiveObjectAndNamesItForItsWindow) {
  FakeActiveObject first, second;
  auto* site = new BrowserSite(host_);
  ASSERT_EQ(site->SetActiveObject(&first, nullptr), S_OK);
  EXPECT_EQ(first.refs, 2);
  SendKey(page_field_, WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(first.offers.size(), 1u);

  site->SetActiveObject(&second, nullptr);
  EXPECT_EQ(first.refs, 1);
  EXPECT_EQ(second.refs, 2);
  SendKey(page_field_, WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(first.offers.size(), 1u);
  EXPECT_EQ(second.offers.size(), 1u);

  site->SetActiveObject(nullptr, nullptr);
  EXPECT_EQ(second.refs, 1);
  SendKey(page_field_, WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(second.offers.size(), 1u);

  site->SetActiveObject(&first, nullptr);
  site->Release();  // the last reference: the site goes, and the object with it
  EXPECT_EQ(first.refs, 1);
  SendKey(page_field_, WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(first.offers.size(), 1u);
}

}  // namespace
}  // namespace velmora::win
