#include "skin/skin_resources_win.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "skin/artwork_scale.h"
#include "skin/frame_sheet.h"
#include "skin/nine_grid.h"

#include "resources/resource_ids.h"
#include "skin/skin_colour.h"
#include "skin/tabs.h"

namespace velmora::win {

std::string_view BuiltInResource(int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return {static_cast<const char*>(data), SizeofResource(module, found)};
}

HICON IconFromIcoBytes(std::string_view bytes, int size) {
  const auto image = skin::IconImageFor(bytes, size);
  if (!image) return nullptr;
  // The call takes a non-const buffer; it does not write to it.
  auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data() + image->offset));
  return CreateIconFromResourceEx(bits, DWORD(image->size), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

void MemorySurface::Reset(HDC dc, HBITMAP bitmap) {
  if (dc_) {
    if (old_bitmap_) SelectObject(dc_, old_bitmap_);
    if (bitmap_) DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  dc_ = dc;
  bitmap_ = bitmap;
  old_bitmap_ = dc && bitmap ? SelectObject(dc, bitmap) : nullptr;
}

void MemorySurface::ReplaceBitmap(HBITMAP bitmap) {
  if (!dc_) return;
  if (bitmap_) {
    SelectObject(dc_, old_bitmap_);
    DeleteObject(bitmap_);
  }
  bitmap_ = bitmap;
  old_bitmap_ = bitmap ? SelectObject(dc_, bitmap) : nullptr;
}

void SkinImage::Replace(GpImageOwner image, GlobalMemory block) {
  Release();
  image_ = std::move(image);
  block_ = std::move(block);
  UINT w = 0, h = 0;
  if (image_) {
    gp::GdipGetImageWidth(image_.get(), &w);
    gp::GdipGetImageHeight(image_.get(), &h);
  }
  width_ = int(w);
  height_ = int(h);
}

void SkinImage::Release() {
  image_.Reset();  // the image reads the block until it is disposed
  block_.Reset();
  width_ = height_ = 0;
}

GpImageOwner ImageFromBytes(std::string_view bytes, GlobalMemory& block) {
  block.Reset();
  GpImageOwner image;
  if (bytes.empty()) return image;
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!memory) return image;
  if (void* target = GlobalLock(memory.get())) {
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(memory.get());
  }
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(memory.get(), FALSE, &stream) == S_OK) {
    gp::GdipLoadImageFromStream(stream, image.Out());
    stream->Release();  // the image keeps its own reference
  }
  if (image) block = std::move(memory);
  return image;
}

namespace {

// A control sheet from its built-in BMP bytes, as a bitmap like the screen's.
HBITMAP ControlSheetBitmap(HDC screen, int id = VELMORA_RC_CONTROL_SHEET) {
  const std::string_view bytes = BuiltInResource(id);
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bytes.data(), sizeof file);
  if (file.bfType != 0x4D42 || file.bfOffBits >= bytes.size()) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
  return CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits, info, DIB_RGB_COLORS);
}

// The program's own window icon at `size` for the caption, else the shell's icon of programs.
void LoadDefaultWindowIcon(IconOwner& icon, int size) {
  HMODULE module = GetModuleHandleW(nullptr);
  const wchar_t* const names[] = {MAKEINTRESOURCEW(129), MAKEINTRESOURCEW(128), L"DEFAULT_ICON"};
  for (const wchar_t* name : names) {
    if (HANDLE found = LoadImageW(module, name, IMAGE_ICON, size, size, 0)) {
      icon.Reset(static_cast<HICON>(found), true);
      return;
    }
  }
  SHFILEINFOW info{};
  if (SHGetFileInfoW(L".exe", FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_ICON | SHGFI_USEFILEATTRIBUTES)) {
    icon.Reset(info.hIcon, true);
  }
}

// A top-down 32-bit DIB section of `width` x `height` in its own memory context; `bits` gets its
// pixels.
void MakeDibSurface(MemorySurface& surface, int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const ScopedGetDC screen(nullptr);
  HBITMAP dib = CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, bits, nullptr, 0);
  surface.Reset(CreateCompatibleDC(screen.get()), dib);
  if (!dib) *bits = nullptr;
}

// A bitmap's premultiplied pixels in a new surface of its size, as AlphaBlend wants them.
void CopyPremultiplied(Gdiplus::GpBitmap* bitmap, MemorySurface& surface) {
  UINT width = 0, height = 0;
  if (!bitmap || gp::GdipGetImageWidth(bitmap, &width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(bitmap, &height) != Gdiplus::Ok || width == 0 || height == 0) {
    return;
  }
  void* bits = nullptr;
  MakeDibSurface(surface, int(width), int(height), &bits);
  if (!bits) return;
  const Gdiplus::Rect whole(0, 0, INT(width), INT(height));
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(bitmap, &whole, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
      Gdiplus::Ok) {
    return;
  }
  for (UINT y = 0; y < height; ++y) {
    std::memcpy(static_cast<char*>(bits) + size_t(y) * width * 4,
                static_cast<const char*>(data.Scan0) + std::ptrdiff_t(y) * data.Stride, size_t(width) * 4);
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);
  GdiFlush();
}

int FrameSheetResource(int percent) {
  return percent == 200 ? VELMORA_RC_FRAME_SHEET_200 : percent == 150 ? VELMORA_RC_FRAME_SHEET_150 : VELMORA_RC_FRAME_SHEET;
}

int ControlSheetResource(int percent) {
  return percent == 200   ? VELMORA_RC_CONTROL_SHEET_200
         : percent == 150 ? VELMORA_RC_CONTROL_SHEET_150
                          : VELMORA_RC_CONTROL_SHEET;
}

// The frame sheet at `dpi` from the sheet drawn at `sheet_dpi`: each piece resampled on its own
// (smoothly, its edge pixels repeated outwards, so that no neighbour and no transparent margin
// bleeds in), straight into the premultiplied pixels AlphaBlend reads.
void BringFramePiecesTo(Dpi dpi, Dpi sheet_dpi, Gdiplus::GpImage* sheet, MemorySurface& surface) {
  const int width = Scale(skin::kFrameSheetWidth, dpi), height = Scale(skin::kFrameSheetHeight, dpi);
  void* bits = nullptr;
  MakeDibSurface(surface, width, height, &bits);  // cleared: transparent
  if (!bits || !sheet) return;
  Gdiplus::GpBitmap* target_bitmap = nullptr;
  if (gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits),
                                    &target_bitmap) != Gdiplus::Ok) {
    return;
  }
  GpImageOwner target(target_bitmap);
  GpGraphicsOwner graphics;
  if (gp::GdipGetImageGraphicsContext(target.get(), graphics.Out()) != Gdiplus::Ok) return;
  gp::GdipSetCompositingMode(graphics.get(), Gdiplus::CompositingModeSourceCopy);
  gp::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
  gp::GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf);
  Gdiplus::GpImageAttributes* attributes = nullptr;
  gp::GdipCreateImageAttributes(&attributes);
  if (attributes) gp::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
  for (const skin::PixelRect& piece : skin::FrameSheetPieces()) {
    const skin::PixelRect from = skin::ScaleRect(piece, sheet_dpi), to = skin::ScaleRect(piece, dpi);
    gp::GdipDrawImageRectRectI(graphics.get(), sheet, to.x, to.y, to.width, to.height, from.x, from.y, from.width,
                               from.height, Gdiplus::UnitPixel, attributes, nullptr, nullptr);
  }
  if (attributes) gp::GdipDisposeImageAttributes(attributes);
  graphics.Reset();  // before the bitmap it draws on
  target.Reset();
  GdiFlush();
}

// The control sheet at `dpi` from the sheet drawn at `sheet_dpi`: push-button frames resampled
// smoothly, the toggles' frames pixel for pixel (a smooth one would blend their edge with the
// magenta key into a pink fringe).
void BringControlSheetTo(Dpi dpi, Dpi sheet_dpi, HDC screen, HDC sheet, MemorySurface& target) {
  const int width = Scale(skin::kControlSheetWidth, dpi), height = Scale(skin::kControlSheetHeight, dpi);
  target.Reset(CreateCompatibleDC(screen), CreateCompatibleBitmap(screen, width, height));
  if (!target.bitmap()) return;
  GdiObjectOwner<HBRUSH> magenta;
  magenta.Reset(CreateSolidBrush(skin::kControlSheetTransparent));
  const RECT whole{0, 0, width, height};
  ::FillRect(target.dc(), &whole, magenta.get());
  const auto copy = [&](std::span<const skin::PixelRect> pieces, int mode) {
    SetStretchBltMode(target.dc(), mode);
    SetBrushOrgEx(target.dc(), 0, 0, nullptr);
    for (const skin::PixelRect& piece : pieces) {
      const skin::PixelRect from = skin::ScaleRect(piece, sheet_dpi), to = skin::ScaleRect(piece, dpi);
      StretchBlt(target.dc(), to.x, to.y, to.width, to.height, sheet, from.x, from.y, from.width, from.height,
                 SRCCOPY);
    }
  };
  copy(skin::ControlSheetPushButtons(), HALFTONE);
  copy(skin::ControlSheetToggles(), COLORONCOLOR);
}

// `piece` of the premultiplied frame pieces, whose rows are flat, as a strip WideStrip::kWidth wide.
void MakeWideStrip(const MemorySurface& pieces, skin::PixelRect piece, WideStrip& strip) {
  DIBSECTION section{};
  if (!pieces.bitmap() || GetObjectW(pieces.bitmap(), sizeof section, &section) != sizeof section ||
      !section.dsBm.bmBits || piece.right() > section.dsBm.bmWidth || piece.bottom() > section.dsBm.bmHeight) {
    return;
  }
  const auto* sheet = static_cast<const std::uint32_t*>(section.dsBm.bmBits);  // top-down rows
  const int stride = section.dsBm.bmWidthBytes / 4;
  const auto pixel = [&](int x, int y) { return sheet[std::ptrdiff_t(y) * stride + x]; };
  int rows = 0;
  for (int y = 0; y < piece.height; ++y) {
    for (int x = piece.x; x < piece.right(); ++x) {
      if (pixel(x, piece.y + y) >> 24) {
        rows = y + 1;
        break;
      }
    }
  }
  if (rows == 0) return;
  void* bits = nullptr;
  MakeDibSurface(strip.surface, WideStrip::kWidth, rows, &bits);
  if (!bits) return;
  auto* out = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < rows; ++y) {
    std::fill(out + std::ptrdiff_t(y) * WideStrip::kWidth, out + std::ptrdiff_t(y + 1) * WideStrip::kWidth,
              pixel(piece.x, piece.y + y));
  }
  GdiFlush();
  strip.rows = rows;
}

HFONT BannerFont(int weight, Dpi dpi) {
  // Greyscale smoothing: the halo is composed from the text's coverage, which colour smoothing
  // would split into three.
  return CreateFontW(FontHeightForPoints(9, dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

}  // namespace

SkinResources::SkinResources() {
  {
    const ScopedGetDC screen(nullptr);
    control_sheet.Reset(CreateCompatibleDC(screen.get()), ControlSheetBitmap(screen.get()));
  }
  default_button_font = static_cast<HFONT>(GetStockObject(OEM_FIXED_FONT));
  SetBackground(GetSysColor(COLOR_BTNFACE));

  frame_sheet = ImageFromBytes(BuiltInResource(VELMORA_RC_FRAME_SHEET), frame_sheet_block);
  void* black = nullptr;
  MakeDibSurface(black_pixel, 1, 1, &black);
  if (black) *static_cast<std::uint32_t*>(black) = 0;
  SetSkinBrush(skin::kDefaultSkinColour);
}

DpiArtwork& SkinResources::ArtworkAt(Dpi dpi) {
  for (const auto& made : artwork) {
    if (made->dpi == dpi) return *made;
  }
  auto art = std::make_unique<DpiArtwork>();
  art->dpi = dpi;
  const int percent = skin::SheetPercentFor(dpi);
  const Dpi sheet_dpi = skin::SheetDpi(percent);
  {
    GlobalMemory block;
    GpImageOwner other;
    Gdiplus::GpImage* sheet = frame_sheet.get();
    if (percent != 100) {
      other = ImageFromBytes(BuiltInResource(FrameSheetResource(percent)), block);
      sheet = other.get();
    }
    if (dpi == sheet_dpi) {
      CopyPremultiplied(reinterpret_cast<Gdiplus::GpBitmap*>(sheet), art->frame_pieces);
    } else {
      BringFramePiecesTo(dpi, sheet_dpi, sheet, art->frame_pieces);
    }
  }
  {
    const ScopedGetDC screen(nullptr);
    if (dpi == sheet_dpi) {
      art->control_sheet.Reset(CreateCompatibleDC(screen.get()),
                               ControlSheetBitmap(screen.get(), ControlSheetResource(percent)));
    } else {
      MemorySurface sheet;
      sheet.Reset(CreateCompatibleDC(screen.get()), ControlSheetBitmap(screen.get(), ControlSheetResource(percent)));
      BringControlSheetTo(dpi, sheet_dpi, screen.get(), sheet.dc(), art->control_sheet);
    }
  }
  MakeWideStrip(art->frame_pieces, skin::ScaleRect(skin::kGlossRegion, dpi), art->gloss);
  MakeWideStrip(art->frame_pieces, skin::ScaleRect(skin::kStatusStripRegion, dpi), art->status_strip);
  const int tab_size = Scale(32, dpi);
  art->tab_icon.Reset(IconFromIcoBytes(BuiltInResource(VELMORA_RC_TAB_ICON), tab_size), true);
  LoadDefaultWindowIcon(art->window_icon, Scale(16, dpi));
  artwork.push_back(std::move(art));
  return *artwork.back();
}

SkinResources::~SkinResources() = default;  // the frame sheet goes before the block it reads

HFONT SkinResources::CaptionFont(Dpi dpi) {
  GdiObjectOwner<HFONT>& font = caption_fonts[dpi.value];
  if (!font) font.Reset(BannerFont(FW_BOLD, dpi));
  return font.get();
}

HFONT SkinResources::LabelFont(Dpi dpi) {
  GdiObjectOwner<HFONT>& font = label_fonts[dpi.value];
  if (!font) font.Reset(BannerFont(FW_NORMAL, dpi));
  return font.get();
}

const HaloTextImage* SkinResources::EngineIconImage(HICON icon, int size) {
  if (!icon || size <= 0) return nullptr;
  const auto key = std::pair{icon, size};
  if (const auto found = icon_images.find(key); found != icon_images.end()) return found->second.get();
  std::unique_ptr<HaloTextImage> image;
  ICONINFO info{};
  if (GetIconInfo(icon, &info)) {
    GdiObjectOwner<HBITMAP> colour, mask;
    colour.Reset(info.hbmColor);
    mask.Reset(info.hbmMask);
    BITMAP bitmap{};
    if (colour && GetObjectW(colour.get(), sizeof bitmap, &bitmap) && bitmap.bmWidth == size &&
        bitmap.bmHeight == size) {
      std::vector<std::uint32_t> pixels(size_t(size) * size_t(size));
      BITMAPINFO wanted{};
      wanted.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      const ScopedGetDC screen(nullptr);
      const bool read = GetDIBits(screen.get(), colour.get(), 0, UINT(size), pixels.data(), &wanted,
                                  DIB_RGB_COLORS) == size;
      if (read && std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; })) {
        image = std::make_unique<HaloTextImage>();
        void* bits = nullptr;
        MakeDibSurface(image->surface, size, size, &bits);
        if (bits) {
          // Premultiplied as the system's own icon drawing does, each channel times alpha / 255,
          // rounded.
          auto* out = static_cast<std::uint32_t*>(bits);
          for (size_t i = 0; i < pixels.size(); ++i) {
            const std::uint32_t p = pixels[i], a = p >> 24;
            out[i] = a << 24 | ((p >> 16 & 0xFF) * a + 127) / 255 << 16 | ((p >> 8 & 0xFF) * a + 127) / 255 << 8 |
                     ((p & 0xFF) * a + 127) / 255;
          }
          GdiFlush();
          image->width = image->height = size;
        } else {
          image.reset();
        }
      }
    }
  }
  return icon_images.emplace(key, std::move(image)).first->second.get();
}

void SkinResources::ForgetIcon(HICON icon) {
  engine_icons.erase(icon);
  std::erase_if(icon_images, [icon](const auto& entry) { return entry.first.first == icon; });
}

void SkinResources::SetBackground(COLORREF colour) {
  background = colour;
  background_brush.Reset(CreateSolidBrush(colour));
}

void SkinResources::SetSkinBrush(COLORREF colour) {
  skin_colour = colour;
  skin_fill.Reset(CreateSolidBrush(colour));
}

}  // namespace velmora::win
