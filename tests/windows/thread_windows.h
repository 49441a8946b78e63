// Finding the test's own windows: other test processes share the display, so a global search
// by class could find (and click) another process's window.
#pragma once
#include <windows.h>

#include <string>

namespace velmora::testing {

// The first window of the calling thread with this class, or nullptr.
inline HWND ThreadWindowOfClass(const wchar_t* class_name, bool visible_only = false) {
  struct Search {
    const wchar_t* class_name;
    bool visible_only;
    HWND found;
  } search{class_name, visible_only, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t name[64];
        if (GetClassNameW(hwnd, name, 64) && std::wstring(name) == s->class_name &&
            (!s->visible_only || IsWindowVisible(hwnd))) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace velmora::testing
