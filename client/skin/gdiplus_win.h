// The flat GDI+ interface with owners for its objects. The engine draws text with a halo,
// translucent overlays and gradients through GDI+; every object it makes is deleted by its owner,
// so a failed step part-way through a drawing leaks nothing.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <utility>

namespace velmora::win {

namespace gp = Gdiplus::DllExports;
using Gdiplus::GpStatus;

// One owner type per GDI+ object kind, each with its own delete call.
template <typename T, GpStatus(WINGDIPAPI* Delete)(T*)>
class GpOwner {
 public:
  GpOwner() = default;
  explicit GpOwner(T* p) : p_(p) {}
  ~GpOwner() { Reset(); }
  GpOwner(const GpOwner&) = delete;
  GpOwner& operator=(const GpOwner&) = delete;
  GpOwner(GpOwner&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  GpOwner& operator=(GpOwner&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.p_, nullptr));
    return *this;
  }

  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For the creating calls, which write the new object through a pointer.
  T** Out() {
    Reset();
    return &p_;
  }
  void Reset(T* p = nullptr) {
    if (T* old = std::exchange(p_, p)) Delete(old);
  }

 private:
  T* p_ = nullptr;
};

using GpGraphicsOwner = GpOwner<Gdiplus::GpGraphics, gp::GdipDeleteGraphics>;
using GpBrushOwner = GpOwner<Gdiplus::GpBrush, gp::GdipDeleteBrush>;
using GpPenOwner = GpOwner<Gdiplus::GpPen, gp::GdipDeletePen>;
using GpImageOwner = GpOwner<Gdiplus::GpImage, gp::GdipDisposeImage>;
using GpFontOwner = GpOwner<Gdiplus::GpFont, gp::GdipDeleteFont>;
using GpFontFamilyOwner = GpOwner<Gdiplus::GpFontFamily, gp::GdipDeleteFontFamily>;
using GpStringFormatOwner = GpOwner<Gdiplus::GpStringFormat, gp::GdipDeleteStringFormat>;

// GDI+ is started for as long as this lives; everything made through it must be gone first.
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

// Graphics on a device context, drawing images pixel for pixel.
inline GpGraphicsOwner GraphicsOn(HDC dc) {
  GpGraphicsOwner graphics;
  gp::GdipCreateFromHDC(dc, graphics.Out());
  if (graphics) gp::GdipSetPageUnit(graphics.get(), Gdiplus::UnitPixel);
  return graphics;
}

}  // namespace velmora::win
