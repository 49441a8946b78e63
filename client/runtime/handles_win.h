// Owners for window and GDI handles: each destroys what it holds when it goes, and cannot be
// copied by accident.
#pragma once
#include <windows.h>

#include <utility>

namespace velmora::win {

// A window we created; destroying it also destroys its child windows.
class WindowOwner {
 public:
  WindowOwner() = default;
  ~WindowOwner() { Reset(); }
  WindowOwner(const WindowOwner&) = delete;
  WindowOwner& operator=(const WindowOwner&) = delete;

  HWND get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void Reset(HWND h = nullptr) {
    if (HWND old = std::exchange(h_, h)) DestroyWindow(old);
  }

 private:
  HWND h_ = nullptr;
};

// A file (or other kernel object opened as one); closed when it goes. Both "no handle" values of
// the system's calls (INVALID_HANDLE_VALUE and null) count as none.
class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (ok()) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }

 private:
  const HANDLE h_;
};

// A font, pen, brush or bitmap. Replace it only after whatever used it (a window's WM_SETFONT,
// a DC's selection) has been given the new one.
template <typename H>
class GdiObjectOwner {
 public:
  GdiObjectOwner() = default;
  ~GdiObjectOwner() { Reset(); }
  GdiObjectOwner(const GdiObjectOwner&) = delete;
  GdiObjectOwner& operator=(const GdiObjectOwner&) = delete;

  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void Reset(H h = nullptr) {
    if (H old = std::exchange(h_, h)) DeleteObject(old);
  }

 private:
  H h_ = nullptr;
};

// A window's (or, for nullptr, the screen's) device context from GetDC, or of the whole window,
// frame included, from GetWindowDC; released when it goes.
class ScopedGetDC {
 public:
  enum class Area { kClient, kWholeWindow };
  explicit ScopedGetDC(HWND window, Area area = Area::kClient)
      : window_(window), dc_(area == Area::kClient ? GetDC(window) : GetWindowDC(window)) {}
  ~ScopedGetDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  const HWND window_;
  const HDC dc_;
};

// An object selected into a device context for a scope: the one it replaced is selected back
// when the scope ends, so the context never keeps (or deletes) an object it was only lent.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  const HDC dc_;
  const HGDIOBJ old_;
};

// Movable global memory from GlobalAlloc (clipboard data, streams over bytes): freed when it goes
// unless Release() handed it to an owner that frees it (the clipboard, a stream that frees on
// release).
class GlobalMemory {
 public:
  GlobalMemory() = default;
  explicit GlobalMemory(HGLOBAL h) : h_(h) {}
  ~GlobalMemory() { Reset(); }
  GlobalMemory(GlobalMemory&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  GlobalMemory& operator=(GlobalMemory&& other) noexcept {
    Reset(std::exchange(other.h_, nullptr));
    return *this;
  }
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;

  HGLOBAL get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  HGLOBAL Release() { return std::exchange(h_, nullptr); }
  void Reset(HGLOBAL h = nullptr) {
    if (HGLOBAL old = std::exchange(h_, h)) GlobalFree(old);
  }

 private:
  HGLOBAL h_ = nullptr;
};

// An icon, destroyed when it goes or is replaced if it is ours (made with LoadImage without
// LR_SHARED, or CreateIconFromResourceEx); a shared one (LR_SHARED, LoadIcon) is the system's and is
// only held.
class IconOwner {
 public:
  IconOwner() = default;
  IconOwner(HICON icon, bool owned) : icon_(icon), owned_(owned) {}
  ~IconOwner() { Reset(); }
  IconOwner(const IconOwner&) = delete;
  IconOwner& operator=(const IconOwner&) = delete;
  HICON get() const { return icon_; }
  explicit operator bool() const { return icon_ != nullptr; }
  void Reset(HICON icon = nullptr, bool owned = false) {
    if (icon_ && owned_) DestroyIcon(icon_);
    icon_ = icon;
    owned_ = owned;
  }

 private:
  HICON icon_ = nullptr;
  bool owned_ = false;
};

}  // namespace velmora::win
