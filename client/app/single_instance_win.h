// One running client per program folder. A second start (a double-click on the shortcut twice)
// would sign in again and throw the first client out as "signed in elsewhere"; instead it asks
// the running client to bring its window forward, and ends.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "runtime/handles_win.h"

namespace velmora::win {

class SingleInstance {
 public:
  // Claims `program_dir` (compared without regard to case) for this process, in this logon
  // session. A claim that cannot be made at all (no mutex to be had) is taken as first: better
  // a second client than none.
  explicit SingleInstance(const std::wstring& program_dir);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when no other client of this folder runs.
  bool first() const { return first_; }

  // First only: from now on a later start's request runs `come_forward` on this thread (it must
  // pump messages, as a GUI thread does). Makes the window the later start looks for.
  bool Listen(std::function<void()> come_forward);
  // No more requests are taken (before what `come_forward` uses goes away); a later start then
  // finds no one to ask.
  void StopListening();

  // Not first only: asks the running client to come forward, letting it take the foreground.
  // Waits up to `patience` for a client still starting to be ready; false when none answered.
  bool AskFirstToComeForward(DWORD patience_ms = 5000) const;

  // The name both claims and the listening window go by, for the folder (exposed for tests).
  static std::wstring NameFor(const std::wstring& program_dir);

 private:
  static LRESULT CALLBACK ListenerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  const std::wstring name_;
  bool existed_ = false;  // set while mutex_ is made
  FileHandle mutex_;
  const bool first_;
  HWND listener_ = nullptr;
  std::function<void()> come_forward_;
};

}  // namespace velmora::win
