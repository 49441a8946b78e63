// The skin engine's process-wide drawing resources: the built-in frame and control sheets, the
// default icons, the fonts, brushes and string formats of the banner texts, the background colour
// of client panels, the skin colour, and the skin picture. Made once by the engine and released
// with it, in the reverse order of making.
#pragma once
#include <windows.h>

#include <map>
#include <string_view>

#include "runtime/dpi_scale.h"
#include "runtime/handles_win.h"
#include "skin/gdiplus_win.h"

namespace velmora::win {

// The bytes of one of the program's built-in RCDATA resources (empty when it is missing).
std::string_view BuiltInResource(int id);

// An icon the engine made; shared icons loaded from resources are not destroyed.
class IconOwner {
 public:
  IconOwner() = default;
  IconOwner(HICON icon, bool owned) : icon_(icon), owned_(owned) {}
  ~IconOwner() { Reset(); }
  IconOwner(const IconOwner&) = delete;
  IconOwner& operator=(const IconOwner&) = delete;
  HICON get() const { return icon_; }
  void Reset(HICON icon = nullptr, bool owned = false) {
    if (icon_ && owned_) DestroyIcon(icon_);
    icon_ = icon;
    owned_ = owned;
  }

 private:
  HICON icon_ = nullptr;
  bool owned_ = false;
};

// An icon from the bytes of an icon file (its first image), or null.
HICON IconFromIcoBytes(std::string_view bytes, int size);

// A memory device context with a bitmap selected into it. The bitmap is selected out again before
// it is deleted, and the context deleted last.
class MemorySurface {
 public:
  MemorySurface() = default;
  ~MemorySurface() { Reset(); }
  MemorySurface(const MemorySurface&) = delete;
  MemorySurface& operator=(const MemorySurface&) = delete;
  // Takes ownership of both; `bitmap` may be null (then nothing is selected).
  void Reset(HDC dc = nullptr, HBITMAP bitmap = nullptr);
  // Keeps the context (and whatever modes were set on it) and owns `bitmap` in place of the one
  // it had, which is selected out and deleted.
  void ReplaceBitmap(HBITMAP bitmap);
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  HGDIOBJ old_bitmap() const { return old_bitmap_; }  // the context's own, selected back at the end

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
};

// The skin picture: a GDI+ image and, when it came from bytes, the memory block its stream reads.
class SkinImage {
 public:
  SkinImage() = default;
  ~SkinImage() { Release(); }
  SkinImage(const SkinImage&) = delete;
  SkinImage& operator=(const SkinImage&) = delete;
  void Replace(GpImageOwner image, GlobalMemory block);
  void Release();
  Gdiplus::GpImage* image() const { return image_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  GlobalMemory block_;  // before the image: the image goes first, then what it reads
  GpImageOwner image_;
  int width_ = 0;
  int height_ = 0;
};

// A GDI+ image read from bytes. The stream's memory block goes to `block` (the image reads it as
// long as it lives); null image and no block on failure.
GpImageOwner ImageFromBytes(std::string_view bytes, GlobalMemory& block);

struct SkinResources {
  SkinResources();
  ~SkinResources();
  SkinResources(const SkinResources&) = delete;
  SkinResources& operator=(const SkinResources&) = delete;

  // Remakes the background brush, or the skin brush, of `colour`.
  void SetBackground(COLORREF colour);
  void SetSkinBrush(COLORREF colour);

  GdiplusSession gdiplus;  // first in, last out

  // Client panels and control backgrounds.
  MemorySurface control_sheet;
  HFONT default_button_font = nullptr;  // a stock object: never deleted
  GdiObjectOwner<HBRUSH> background_brush;
  COLORREF background = 0;

  // Banner texts: 宋体, 9 points at a window's DPI, bold for the caption, regular for labels and
  // tab captions; made for each DPI a window has been drawn at.
  HFONT CaptionFont(Dpi dpi);
  HFONT LabelFont(Dpi dpi);
  std::map<int, GdiObjectOwner<HFONT>> caption_fonts;
  std::map<int, GdiObjectOwner<HFONT>> label_fonts;
  GlobalMemory frame_sheet_block;  // before the sheet: the image goes first, then what it reads
  GpImageOwner frame_sheet;
  // The frame sheet again as a premultiplied 32-bit surface: its pieces are laid with AlphaBlend,
  // many times faster than through GDI+ where every call converts the whole sheet.
  MemorySurface frame_pieces;
  // One opaque black pixel, blended at a constant opacity for the panel's outline.
  MemorySurface black_pixel;
  IconOwner default_tab_icon;
  IconOwner default_window_icon;

  // The skin.
  GdiObjectOwner<HBRUSH> skin_fill;  // fills the whole window first
  COLORREF skin_colour = 0;
  SkinImage picture;
  int picture_width = 0;
  int picture_height = 0;
  COLORREF gradient_colour = 0;
};

}  // namespace velmora::win
