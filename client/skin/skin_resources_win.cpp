#include "skin/skin_resources_win.h"

#include <shellapi.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

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
  const auto image = skin::FirstIconImage(bytes);
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

// The control sheet from its built-in BMP bytes, as a bitmap like the screen's.
HBITMAP ControlSheetBitmap(HDC screen) {
  const std::string_view bytes = BuiltInResource(VELMORA_RC_CONTROL_SHEET);
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bytes.data(), sizeof file);
  if (file.bfType != 0x4D42 || file.bfOffBits >= bytes.size()) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
  return CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits, info, DIB_RGB_COLORS);
}

// The program's own window icon at 16 x 16 for the caption, else the shell's icon of programs.
void LoadDefaultWindowIcon(IconOwner& icon) {
  HMODULE module = GetModuleHandleW(nullptr);
  const wchar_t* const names[] = {MAKEINTRESOURCEW(129), MAKEINTRESOURCEW(128), L"DEFAULT_ICON"};
  for (const wchar_t* name : names) {
    if (HANDLE found = LoadImageW(module, name, IMAGE_ICON, 16, 16, LR_SHARED)) {
      icon.Reset(static_cast<HICON>(found), false);
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

// The sheet's premultiplied pixels, as AlphaBlend wants them.
void MakeFramePieces(SkinResources& r) {
  auto* bitmap = reinterpret_cast<Gdiplus::GpBitmap*>(r.frame_sheet.get());
  UINT width = 0, height = 0;
  if (!bitmap || gp::GdipGetImageWidth(bitmap, &width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(bitmap, &height) != Gdiplus::Ok || width == 0 || height == 0) {
    return;
  }
  void* bits = nullptr;
  MakeDibSurface(r.frame_pieces, int(width), int(height), &bits);
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
  MakeFramePieces(*this);
  void* black = nullptr;
  MakeDibSurface(black_pixel, 1, 1, &black);
  if (black) *static_cast<std::uint32_t*>(black) = 0;
  default_tab_icon.Reset(IconFromIcoBytes(BuiltInResource(VELMORA_RC_TAB_ICON), 32), true);
  LoadDefaultWindowIcon(default_window_icon);
  SetSkinBrush(skin::kDefaultSkinColour);
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

void SkinResources::SetBackground(COLORREF colour) {
  background = colour;
  background_brush.Reset(CreateSolidBrush(colour));
}

void SkinResources::SetSkinBrush(COLORREF colour) {
  skin_colour = colour;
  skin_fill.Reset(CreateSolidBrush(colour));
}

}  // namespace velmora::win
