// The one wait that keeps a thread's windows alive: how each way of ending it behaves, and that
// a quit met while waiting is posted again for the thread's own loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "gateway/off_thread_link.h"
#include "gateway/platform.h"
#include "runtime/com_win.h"

namespace velmora {
namespace {

using std::chrono::milliseconds;

constexpr UINT kSetDone = WM_APP + 1;  // the window sets the flag
constexpr UINT kEcho = WM_APP + 2;     // the window posts the same message again, without end

// A message-only window of the test's thread that counts what it is sent.
struct Receiver {
  static inline std::atomic<bool> done{false};
  static inline int dispatched = 0;

  Receiver() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelmoraPumpedWaitTest";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    done = false;
    dispatched = 0;
  }
  ~Receiver() {
    DestroyWindow(hwnd);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}  // nothing left for the next case
  }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == kSetDone || message == kEcho) ++dispatched;
    if (message == kSetDone) done = true;
    if (message == kEcho) PostMessageW(hwnd, kEcho, 0, 0);
    return DefWindowProcW(hwnd, message, w, l);
  }

  HWND hwnd = nullptr;
};

TEST(WaitPumping, EachWayOfEndingIt) {
  struct Case {
    const char* name;
    std::function<void(HWND)> before;  // queues messages, starts a thread
    milliseconds timeout;
    WaitEnd end;
    int dispatched;            // messages the window saw, -1: any number
    milliseconds at_most;      // how long the wait may take
  } cases[] = {
      {"done already", [](HWND) { Receiver::done = true; }, milliseconds(1000), WaitEnd::kDone, 0, milliseconds(500)},
      {"done by a queued message", [](HWND w) { PostMessageW(w, kSetDone, 0, 0); }, kWaitForever, WaitEnd::kDone, 1,
       milliseconds(500)},
      {"done by a worker, no message", [](HWND) {
         std::thread([] {
           std::this_thread::sleep_for(milliseconds(50));
           Receiver::done = true;
         }).detach();
       },
       kWaitForever, WaitEnd::kDone, 0, milliseconds(1000)},
      {"nothing comes", [](HWND) {}, milliseconds(120), WaitEnd::kTimedOut, 0, milliseconds(1000)},
      {"a window posting without end", [](HWND w) { PostMessageW(w, kEcho, 0, 0); }, milliseconds(120),
       WaitEnd::kTimedOut, -1, milliseconds(1000)},
      {"a quit, after a message", [](HWND w) {
         PostMessageW(w, WM_APP + 3, 0, 0);  // a message the window does not count, then the quit
         PostQuitMessage(7);
       },
       kWaitForever, WaitEnd::kQuit, 0, milliseconds(500)},
  };
  for (const Case& c : cases) {
    Receiver receiver;
    c.before(receiver.hwnd);
    const auto start = std::chrono::steady_clock::now();
    const WaitEnd end = WaitPumping([] { return Receiver::done.load(); }, c.timeout);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(end, c.end) << c.name;
    if (c.dispatched >= 0) {
      EXPECT_EQ(Receiver::dispatched, c.dispatched) << c.name;
    }
    EXPECT_LE(took, c.at_most) << c.name;
    if (c.end == WaitEnd::kTimedOut) {
      EXPECT_GE(took, c.timeout - milliseconds(20)) << c.name;
    }
    if (c.end == WaitEnd::kQuit) {
      // Posted again: the thread's own loop still ends, with the same code.
      MSG msg;
      ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << c.name;
      EXPECT_EQ(msg.wParam, 7u);
    }
  }
}

TEST(WaitPumping, PumpingWhatIsQueuedSaysWhetherAQuitCame) {
  Receiver receiver;
  PostMessageW(receiver.hwnd, kSetDone, 0, 0);
  EXPECT_TRUE(PumpPendingMessages());
  EXPECT_EQ(Receiver::dispatched, 1);
  PostQuitMessage(3);
  EXPECT_FALSE(PumpPendingMessages());
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

// A link whose requests make a window on the thread that runs them (the link's worker).
struct WindowMakingLink : GatewayLink {
  HWND window = nullptr;
  std::string Query(const std::string&) override {
    if (!window) {
      window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    return "answer";
  }
  std::string Execute(const std::string& sql) override { return Query(sql); }
  std::string Check(const std::string& sql) override { return Query(sql); }
};

// Between requests the worker, which holds a COM apartment for its life, still answers messages
// sent to its thread's windows: system broadcasts and calls into the apartment wait for that.
TEST(OffThreadLinkWorker, AnswersMessagesWhileIdle) {
  WindowMakingLink inner;
  {
    OffThreadLink link(inner, {}, win::ComApartmentScope);
    ASSERT_EQ(link.Query("select 1"), "answer");
    ASSERT_NE(inner.window, nullptr);
    std::this_thread::sleep_for(milliseconds(50));  // surely idle by now
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(inner.window, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &result), 0)
        << "the idle worker did not answer within 2 s";
    // And it still serves requests afterwards.
    EXPECT_EQ(link.Query("select 2"), "answer");
  }
}

}  // namespace
}  // namespace velmora
