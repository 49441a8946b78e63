// The little the gateway road needs from the operating system, with a Win32 and a POSIX side.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace velmora {

// Milliseconds of a monotonic 64-bit counter (it never wraps in practice).
uint64_t TickCountMs();

// How a wait that keeps the thread's windows alive ended.
enum class WaitEnd { kDone, kTimedOut, kQuit };

// A wait with no time limit.
inline constexpr std::chrono::milliseconds kWaitForever = std::chrono::milliseconds::max();

// The one way this program waits on a thread that has windows: until `done()` is true or
// `timeout` has passed, dispatching the thread's messages meanwhile so its windows keep painting
// and its timers keep running. Messages already queued are dispatched first, then `done` is
// asked, after every wake-up and at least every few milliseconds (a worker thread can end the
// wait without posting anything). A steady stream of messages cannot hold the wait past its
// time limit. The rule for a quit: a WM_QUIT met while waiting ends the wait at once (kQuit) and
// is posted again, so the thread's own message loop still ends; the caller gives up what it
// waited for. Outside Windows there are no messages and this only waits.
WaitEnd WaitPumping(const std::function<bool()>& done, std::chrono::milliseconds timeout);

class IdleSignal;

// WaitPumping for a `done` that only turns true while this thread dispatches a message, or with
// a Wake() of `wake` (when given): between those the thread sleeps, asking `done` again only
// every `recheck` (for a condition that also depends on the clock). An idle client waits like
// this for every request it sends, so it costs no wake-ups a few milliseconds apart.
WaitEnd WaitPumpingQuietly(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                           std::chrono::milliseconds recheck, IdleSignal* wake = nullptr);

// Dispatches the messages already waiting for this thread and returns; false when a quit was met
// (and posted again), as WaitPumping's rule says.
inline bool PumpPendingMessages() {
  return WaitPumping([] { return false; }, std::chrono::milliseconds(0)) != WaitEnd::kQuit;
}

// How a worker thread idles between tasks. A worker may hold a single-threaded COM apartment for
// its life, and such a thread must keep answering messages even when it has nothing to do:
// system broadcasts and calls into the apartment wait for it, indefinitely if it never looks.
// Wait() therefore sleeps until Wake() while dispatching the thread's messages (on Windows;
// elsewhere it only sleeps). A quit met while waiting is posted again and ends nothing: the
// worker's own stop decides.
class IdleSignal {
 public:
  IdleSignal();
  ~IdleSignal();
  IdleSignal(const IdleSignal&) = delete;
  IdleSignal& operator=(const IdleSignal&) = delete;

  // From any thread: a Wait() under way, or the next one, looks at its condition again.
  void Wake();
  // On the waiting thread: returns once `ready()` is true. `ready` is asked on entry and after
  // every wake-up; Wake() must follow any change that makes it true.
  void Wait(const std::function<bool()>& ready);

 private:
  friend WaitEnd WaitPumpingQuietly(const std::function<bool()>&, std::chrono::milliseconds,
                                    std::chrono::milliseconds, IdleSignal*);
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace velmora
