#include <windows.h>

#include <algorithm>

#include "gateway/platform.h"
#include "runtime/handles_win.h"
#include "runtime/key_routing_win.h"

namespace velmora {
namespace {

// How often `done` is asked when no message wakes the thread: a worker cannot wake it.
constexpr std::chrono::milliseconds kRecheck{5};
// Messages dispatched between two looks at `done` and the clock, so that a window posting to
// itself without end cannot hold a wait.
constexpr int kMessagesPerRound = 64;

enum class Dispatched { kEmptied, kMore, kQuit };

Dispatched DispatchQueued() {
  MSG msg;
  for (int n = 0; n < kMessagesPerRound; ++n) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return Dispatched::kEmptied;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));  // the thread's own loop must still see it
      return Dispatched::kQuit;
    }
    if (win::PreTranslateKey(msg)) continue;  // a web page's form field took the key
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return Dispatched::kMore;
}

}  // namespace

uint64_t TickCountMs() { return GetTickCount64(); }

struct IdleSignal::State {
  win::FileHandle event{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // auto-reset
};

IdleSignal::IdleSignal() : state_(std::make_unique<State>()) {}

IdleSignal::~IdleSignal() = default;

void IdleSignal::Wake() {
  if (state_->event.ok()) SetEvent(state_->event.get());
}

void IdleSignal::Wait(const std::function<bool()>& ready) {
  // After a quit (posted again for the thread's own loop) the wait only sleeps: dispatching
  // would meet the same quit at once, over and over.
  // Without an event (none could be made) it looks again every few milliseconds instead.
  bool pumping = true;
  HANDLE event = state_->event.get();
  const DWORD count = state_->event.ok() ? 1 : 0;
  const DWORD nap = count ? INFINITE : DWORD(kRecheck.count());
  while (!ready()) {
    // Messages first: one already queued does not wake MsgWaitForMultipleObjectsEx again.
    if (pumping && DispatchQueued() == Dispatched::kQuit) pumping = false;
    if (ready()) break;
    if (pumping) {
      MsgWaitForMultipleObjectsEx(count, &event, nap, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } else if (count) {
      WaitForSingleObject(event, INFINITE);
    } else {
      Sleep(nap);
    }
  }
}

WaitEnd WaitPumping(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return WaitPumpingQuietly(done, timeout, kRecheck);
}

WaitEnd WaitPumpingQuietly(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                           std::chrono::milliseconds recheck, IdleSignal* wake) {
  const uint64_t start = GetTickCount64();
  const uint64_t limit = timeout == kWaitForever ? UINT64_MAX : uint64_t(std::max<int64_t>(timeout.count(), 0));
  const uint64_t every = uint64_t(std::max<int64_t>(recheck.count(), 1));
  HANDLE event = wake && wake->state_->event.ok() ? wake->state_->event.get() : nullptr;
  const DWORD count = event ? 1 : 0;
  for (;;) {
    const Dispatched dispatched = DispatchQueued();
    if (dispatched == Dispatched::kQuit) return WaitEnd::kQuit;
    if (done()) return WaitEnd::kDone;
    const uint64_t waited = GetTickCount64() - start;
    if (waited >= limit) return WaitEnd::kTimedOut;
    if (dispatched == Dispatched::kMore) continue;  // more queued: no sleeping before they go
    const uint64_t nap = std::min(limit - waited, every);
    MsgWaitForMultipleObjectsEx(count, &event, DWORD(nap), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

}  // namespace velmora
