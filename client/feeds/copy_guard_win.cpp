#include "feeds/copy_guard_win.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "runtime/handles_win.h"

namespace velmora::win {
namespace {

constexpr UINT_PTR kGuardSubclassId = 0x56434731;  // "VCG1"
// Marks a guarded box (the import library has no GetWindowSubclass to ask with).
constexpr wchar_t kGuardedProperty[] = L"VelmoraCopyGuarded";

class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardSession() {
    if (open_) CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool open() const { return open_; }

 private:
  const bool open_;
};

LRESULT CALLBACK GuardProcedure(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                DWORD_PTR data) {
  auto* guard = reinterpret_cast<CopyGuard*>(data);
  std::unique_ptr<CopyGuard> leaving;  // set when the box goes: the guard goes after the message
  switch (message) {
    case WM_KEYDOWN:
      guard->KeyDown(unsigned(wparam));
      break;
    case WM_KEYUP:
      if (guard->KeyUp(unsigned(wparam))) SetClipboardEmptyText(box);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(box, GuardProcedure, id);
      RemovePropW(box, kGuardedProperty);
      leaving.reset(guard);
      break;
    default:
      break;
  }
  const CopyGuard::Message passed = CopyGuard::Forwarded({message, wparam, lparam});
  return DefSubclassProc(box, passed.message, WPARAM(passed.wparam), LPARAM(passed.lparam));
}

}  // namespace

bool InstallCopyGuard(HWND box) {
  if (!box) return false;
  if (GetPropW(box, kGuardedProperty)) return true;  // one guard a box
  auto guard = std::make_unique<CopyGuard>();
  if (!SetWindowSubclass(box, GuardProcedure, kGuardSubclassId, reinterpret_cast<DWORD_PTR>(guard.get()))) return false;
  SetPropW(box, kGuardedProperty, reinterpret_cast<HANDLE>(1));
  guard.release();  // the subclass owns it now, until WM_NCDESTROY
  return true;
}

void SetClipboardEmptyText(HWND owner) {
  const ClipboardSession clipboard(owner);
  if (!clipboard.open()) return;
  EmptyClipboard();
  GlobalMemory text(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(wchar_t)));
  if (!text) return;
  // Zero-initialised: the text is its terminator alone. The clipboard owns the memory once taken.
  if (SetClipboardData(CF_UNICODETEXT, text.get())) text.Release();
}

}  // namespace velmora::win
