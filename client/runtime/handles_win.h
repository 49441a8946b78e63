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

// A file (or other kernel object opened as one); closed when it goes.
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

}  // namespace velmora::win
