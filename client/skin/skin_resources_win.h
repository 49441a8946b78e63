// The skin engine's process-wide drawing resources: the built-in frame and control sheets, the
// default icons, the fonts, brushes and string formats of the banner texts, the background colour
// of client panels, the skin colour, and the skin picture. Made once by the engine and released
// with it, in the reverse order of making.
#pragma once
#include <windows.h>

#include <map>
#include <set>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "runtime/dpi_scale.h"
#include "runtime/handles_win.h"
#include "skin/gdiplus_win.h"

namespace velmora::win {

// The bytes of one of the program's built-in RCDATA resources (empty when it is missing).
std::string_view BuiltInResource(int id);

// An icon from the bytes of an icon file (its image nearest `size`, see skin::IconImageFor), at
// `size` x `size`, or null.
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

// The built-in artwork at one DPI: the sheets with every piece at that DPI's size (at 96, 144 and
// 192 the sheets drawn for it, elsewhere the nearest sheet's pieces resampled one by one; see
// skin/artwork_scale.h), and the default icons at the sizes the DPI asks for. A window draws from
// the artwork of its own DPI, so a window that moves to a screen of another DPI only needs its
// frame built again.
// A flat piece of the frame sheet (every row one colour across) stretched once to a wide strip,
// so that a frame build lays it 1:1 instead of stretching it again; the piece's fully transparent
// rows at the bottom are left off, as blending them changes nothing.
struct WideStrip {
  static constexpr int kWidth = 1024;  // wider windows take it twice or more
  MemorySurface surface;
  int rows = 0;
  // The strip blended once over a plain colour (the skin colour), opaque, like the screen: a frame
  // build copies it where the strip lies over nothing else. Made again when the colour changes.
  MemorySurface over;
  COLORREF over_colour = CLR_INVALID;
};

struct DpiArtwork {
  Dpi dpi;
  // The frame sheet as a premultiplied 32-bit surface: its pieces are laid with AlphaBlend, many
  // times faster than through GDI+ where every call converts the whole sheet.
  MemorySurface frame_pieces;
  MemorySurface control_sheet;  // 24 bits like the screen, magenta around the toggles' frames
  IconOwner tab_icon;           // 32 design pixels
  IconOwner window_icon;        // 16 design pixels: the caption's icon of a window without one
  WideStrip gloss;              // the gloss and the status strip, from the frame pieces above
  WideStrip status_strip;
};

// A banner text drawn once with its halo: premultiplied pixels, ready to blend wherever the same
// text in the same font and box is drawn again (every frame build draws the caption, the tabs'
// captions and the status text).
struct HaloTextImage {
  MemorySurface surface;
  int width = 0, height = 0;  // the text's box and a pixel of halo on every side
};
// Text, font, DrawText format, and the box's width and height as given (0 x 0: the text's own).
using HaloTextKey = std::tuple<std::wstring, HFONT, UINT, int, int>;

struct SkinResources {
  SkinResources();
  ~SkinResources();
  SkinResources(const SkinResources&) = delete;
  SkinResources& operator=(const SkinResources&) = delete;

  // Remakes the background brush, or the skin brush, of `colour`.
  void SetBackground(COLORREF colour);
  void SetSkinBrush(COLORREF colour);

  // The artwork at `dpi`, made on first use and kept for the process.
  DpiArtwork& ArtworkAt(Dpi dpi);

  GdiplusSession gdiplus;  // first in, last out

  // Client panels and control backgrounds; the control sheet at 100 %.
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
  GpImageOwner frame_sheet;        // at 100 %
  // One opaque black pixel, blended at a constant opacity for the panel's outline.
  MemorySurface black_pixel;
  std::vector<std::unique_ptr<DpiArtwork>> artwork;  // by first use
  // Drawn banner texts, by what they were drawn from. Cleared when it grows past a few hundred; a
  // font of the banner made again must clear it too (its handle may come back for another font).
  std::map<HaloTextKey, std::unique_ptr<HaloTextImage>> halo_texts;

  // An icon the engine made itself (a default icon, a tab picture from an icon file) as a
  // premultiplied image of `size`, blended in one call where DrawIconEx takes several; made on
  // first use. Null for an icon of another size or without an alpha channel: those are drawn
  // with DrawIconEx. An icon is forgotten before it is destroyed (its handle may come back).
  const HaloTextImage* EngineIconImage(HICON icon, int size);
  void ForgetIcon(HICON icon);
  std::map<std::pair<HICON, int>, std::unique_ptr<HaloTextImage>> icon_images;
  std::set<HICON> engine_icons;  // the tab pictures the engine made from icon files, while they live

  // The skin.
  GdiObjectOwner<HBRUSH> skin_fill;  // fills the whole window first
  COLORREF skin_colour = 0;
  SkinImage picture;
  int picture_width = 0;
  int picture_height = 0;
  COLORREF gradient_colour = 0;
};

}  // namespace velmora::win
