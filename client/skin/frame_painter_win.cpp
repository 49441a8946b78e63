// Drawing an attached window's frame into its cache surface, redrawing single elements in place,
// and putting the cache on the screen.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "runtime/gbk_win.h"
#include "skin/artwork_scale.h"
#include "skin/frame_sheet.h"
#include "skin/halo_text.h"
#include "skin/nine_grid.h"
#include "skin/skin_colour.h"
#include "skin/skin_engine_win.h"
#include "skin/skin_properties_win.h"

namespace velmora::win {

namespace {

// A piece of the frame sheet at the window's DPI blended onto `dc`, stretched when the sizes
// differ. The sheet's pieces are flat along the direction they are stretched in, so the simple
// stretch is exact; corners land at their own size.
void LayPiece(HDC dc, HDC pieces, skin::PixelRect source, skin::PixelRect dest) {
  if (!pieces || source.empty() || dest.empty()) return;
  constexpr BLENDFUNCTION kPerPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, dest.x, dest.y, dest.width, dest.height, pieces, source.x, source.y, source.width, source.height,
             kPerPixel);
}

void Fill(HDC dc, HBRUSH brush, skin::PixelRect area);

// A flat piece over `dest` from its wide strip, 1:1 (the strip laid again along wider windows);
// the piece is `piece_height` high and drawn stretched when `dest` is not.
void LayStrip(HDC dc, const WideStrip& strip, HDC pieces, skin::PixelRect piece, skin::PixelRect dest) {
  if (dest.empty()) return;
  if (!strip.surface.dc() || dest.height != piece.height) {
    LayPiece(dc, pieces, piece, dest);
    return;
  }
  constexpr BLENDFUNCTION kPerPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  const int rows = std::min(strip.rows, dest.height);
  for (int x = dest.x; x < dest.right(); x += WideStrip::kWidth) {
    const int w = std::min(WideStrip::kWidth, dest.right() - x);
    AlphaBlend(dc, x, dest.y, w, rows, strip.surface.dc(), 0, 0, w, rows, kPerPixel);
  }
}

// The same where the strip lies over nothing but `colour`: the strip blended over the colour once,
// then copied. The blend is the one the frame would do, so the pixels are the same.
void LayStripOver(HDC dc, WideStrip& strip, COLORREF colour, HDC pieces, skin::PixelRect piece,
                  skin::PixelRect dest) {
  if (dest.empty()) return;
  if (!strip.surface.dc() || dest.height != piece.height) {
    LayStrip(dc, strip, pieces, piece, dest);
    return;
  }
  if (!strip.over.dc() || strip.over_colour != colour) {
    strip.over.Reset(CreateCompatibleDC(dc), CreateCompatibleBitmap(dc, WideStrip::kWidth, strip.rows));
    strip.over_colour = colour;
    GdiObjectOwner<HBRUSH> fill;
    fill.Reset(CreateSolidBrush(colour));
    Fill(strip.over.dc(), fill.get(), {0, 0, WideStrip::kWidth, strip.rows});
    LayStrip(strip.over.dc(), strip, pieces, piece, {0, 0, WideStrip::kWidth, piece.height});
  }
  const int rows = std::min(strip.rows, dest.height);
  for (int x = dest.x; x < dest.right(); x += WideStrip::kWidth) {
    BitBlt(dc, x, dest.y, std::min(WideStrip::kWidth, dest.right() - x), rows, strip.over.dc(), 0, 0, SRCCOPY);
  }
}

// Black at a constant opacity over `area`: the panel's outline.
void Shade(HDC dc, HDC black_pixel, skin::PixelRect area, BYTE opacity) {
  if (!black_pixel || area.empty()) return;
  const BLENDFUNCTION constant{AC_SRC_OVER, 0, opacity, 0};
  AlphaBlend(dc, area.x, area.y, area.width, area.height, black_pixel, 0, 0, 1, 1, constant);
}

void Fill(HDC dc, HBRUSH brush, skin::PixelRect area) {
  if (!brush || area.empty()) return;
  const RECT r{area.x, area.y, area.right(), area.bottom()};
  ::FillRect(dc, &r, brush);
}

void DrawImage(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image, skin::PixelRect source, skin::PixelRect dest) {
  if (!image || source.empty() || dest.empty()) return;
  gp::GdipDrawImageRectRect(graphics, image, float(dest.x), float(dest.y), float(dest.width), float(dest.height),
                            float(source.x), float(source.y), float(source.width), float(source.height),
                            Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
}

void FillRect(Gdiplus::GpGraphics* graphics, Gdiplus::GpBrush* brush, skin::PixelRect area) {
  if (!brush || area.empty()) return;
  gp::GdipFillRectangleI(graphics, brush, area.x, area.y, area.width, area.height);
}

void FillFade(Gdiplus::GpGraphics* graphics, const skin::Fade& fade) {
  const Gdiplus::PointF from(float(fade.from_x), float(fade.from_y));
  const Gdiplus::PointF to(float(fade.to_x), float(fade.to_y));
  Gdiplus::GpLineGradient* gradient = nullptr;
  if (gp::GdipCreateLineBrush(&from, &to, fade.from_colour, fade.to_colour, Gdiplus::WrapModeTileFlipXY, &gradient) !=
      Gdiplus::Ok) {
    return;
  }
  GpBrushOwner brush(gradient);
  FillRect(graphics, brush.get(), fade.area);
}

skin::PixelRect ToPixelRect(const skin::Rect& r) { return {r.left, r.top, r.Width(), r.Height()}; }

constexpr UINT kCaptionFormat = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX;
constexpr UINT kTabCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
constexpr UINT kLabelFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

}  // namespace

FrameSurfaces::~FrameSurfaces() {
  if (!published_on) return;
  for (const wchar_t* name : {prop::kCacheDc, prop::kBackDc, prop::kCacheBitmap, prop::kBackBitmap,
                              prop::kCacheOldBitmap, prop::kBackOldBitmap}) {
    RemovePropW(published_on, name);
  }
}

void FrameSurfaces::Publish(HWND window) {
  published_on = window;
  prop::SetHandle(window, prop::kCacheDc, cache.dc());
  prop::SetHandle(window, prop::kBackDc, back.dc());
  prop::SetHandle(window, prop::kCacheBitmap, cache.bitmap());
  prop::SetHandle(window, prop::kBackBitmap, back.bitmap());
  prop::SetHandle(window, prop::kCacheOldBitmap, cache.old_bitmap());
  prop::SetHandle(window, prop::kBackOldBitmap, back.old_bitmap());
}

namespace {

// The size a surface is made at for a window side of `length`: a step of 64 pixels up, so that a
// window being sized by the mouse draws into the bitmaps it has for most of its moves.
int SurfaceCapacity(int length) { return (std::max(length, 1) + 63) / 64 * 64; }

}  // namespace

void SkinEngine::BuildFrame(HWND window, bool forced) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record) return;
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  const bool same_size = width == record->built_width && height == record->built_height;
  if (!forced && same_size) return;
  ++frame_builds_;
  if (!same_size) {
    prop::Set(window, prop::kWidth, width);
    prop::Set(window, prop::kHeight, height);
    record->built_width = width;
    record->built_height = height;
  }

  FrameSurfaces& surfaces = record->surfaces;
  const bool fits = surfaces.cache.bitmap() && width <= surfaces.capacity_width &&
                    height <= surfaces.capacity_height && SurfaceCapacity(width) >= surfaces.capacity_width &&
                    SurfaceCapacity(height) >= surfaces.capacity_height;
  // A rebuild at the same size (a new caption, colour or tab), or at a size the bitmaps still
  // hold without much to spare, draws over the surfaces it has.
  if (!surfaces.cache.dc() || !fits) {
    const ScopedGetDC window_dc(window);
    if (!surfaces.cache.dc()) {
      surfaces.cache.Reset(CreateCompatibleDC(window_dc.get()));
      surfaces.back.Reset(CreateCompatibleDC(window_dc.get()));
      SetBkMode(surfaces.cache.dc(), TRANSPARENT);
      SetStretchBltMode(surfaces.cache.dc(), HALFTONE);
      SetBrushOrgEx(surfaces.cache.dc(), 0, 0, nullptr);
    }
    surfaces.capacity_width = SurfaceCapacity(width);
    surfaces.capacity_height = SurfaceCapacity(height);
    surfaces.cache.ReplaceBitmap(
        CreateCompatibleBitmap(window_dc.get(), surfaces.capacity_width, surfaces.capacity_height));
    surfaces.back.ReplaceBitmap(
        CreateCompatibleBitmap(window_dc.get(), surfaces.capacity_width, surfaces.capacity_height));
    surfaces.Publish(window);
  }

  DrawFrame(record, window, surfaces.cache.dc(), surfaces.back.dc(), width, height);
  // The region belongs to the window from here on.
  const int round = Scale(3, record->dpi);
  if (surfaces.region_width != width || surfaces.region_height != height || surfaces.region_round != round) {
    SetWindowRgn(window, CreateRoundRectRgn(0, 0, width + 1, height + 1, round, round), TRUE);
    surfaces.region_width = width;
    surfaces.region_height = height;
    surfaces.region_round = round;
  }
}

void SkinEngine::DrawFrame(SkinWindowRecord* record, HWND window, HDC cache, HDC back, int width, int height) {
  SkinResources& r = *resources_;
  const Dpi dpi = record ? record->dpi : kDesignDpi;
  // The banner and status heights are the record's design ones at its DPI, as its properties say.
  const int banner = record ? Scale(record->banner_height, dpi) : prop::GetInt(window, prop::kBannerHeight);
  const int status = record ? Scale(record->status_height, dpi) : prop::GetInt(window, prop::kStatusHeight);
  const bool sizable = record ? record->sizable : prop::GetInt(window, prop::kSizeBox) == 1;
  DpiArtwork& art = r.ArtworkAt(dpi);
  HDC pieces = art.frame_pieces.dc();
  // The frame sheet's pieces at the window's DPI: `piece` is where it sits at 100 %.
  const auto at_dpi = [dpi](skin::PixelRect piece) { return skin::ScaleRect(piece, dpi); };
  const skin::PanelFrame panel = skin::PanelFrameAt(dpi);
  const int panel_top = banner + panel.line;
  const int bottom = height - status - panel.inset, right = width - panel.inset;
  // The skin colour everywhere but the client panel, which is filled in its own colour below.
  if (right > panel.inset && bottom > panel_top) {
    Fill(cache, r.skin_fill.get(), {0, 0, width, panel_top});
    Fill(cache, r.skin_fill.get(), {0, bottom, width, height - bottom});
    Fill(cache, r.skin_fill.get(), {0, panel_top, panel.inset, bottom - panel_top});
    Fill(cache, r.skin_fill.get(), {right, panel_top, width - right, bottom - panel_top});
  } else {
    Fill(cache, r.skin_fill.get(), {0, 0, width, height});
  }
  const auto picture =
      skin::PlaceBannerPicture(r.picture_width, r.picture_height, width, banner, r.gradient_colour);
  const bool plain_banner = !(picture && r.picture.image());
  if (!plain_banner) {
    GpGraphicsOwner graphics = GraphicsOn(cache);
    if (graphics) {
      DrawImage(graphics.get(), r.picture.image(), picture->source, picture->dest);
      if (picture->side_fade) FillFade(graphics.get(), *picture->side_fade);
      FillFade(graphics.get(), picture->lower_fade);
    }
  }
  const skin::PixelRect gloss{0, 0, width, Scale(skin::kGlossHeight, dpi)};
  if (plain_banner) {
    LayStripOver(cache, art.gloss, r.skin_colour, pieces, at_dpi(skin::kGlossRegion), gloss);
  } else {
    LayStrip(cache, art.gloss, pieces, at_dpi(skin::kGlossRegion), gloss);
  }
  if (status > 0) {
    const skin::PixelRect strip{panel.edge, height - status - panel.inset, width - 2 * panel.edge, status};
    // Over the skin colour alone, unless the gloss reaches down to it on a very low window.
    if (strip.y >= art.gloss.rows) {
      LayStripOver(cache, art.status_strip, r.skin_colour, pieces, at_dpi(skin::kStatusStripRegion), strip);
    } else {
      LayStrip(cache, art.status_strip, pieces, at_dpi(skin::kStatusStripRegion), strip);
    }
    if (record) skin::LayoutStatusLabel(record->elements.items, width, height, status, sizable, record->dpi);
    if (sizable && !(record ? record->maximised : prop::GetInt(window, prop::kMaximize) == 1)) {
      LayPiece(cache, pieces, at_dpi(skin::kSizeGripRegion),
               {width - Scale(14, dpi), height - Scale(14, dpi), Scale(12, dpi), Scale(12, dpi)});
    }
  }
  Fill(cache, r.background_brush.get(), {panel.inset, panel_top, right - panel.inset, bottom - panel_top});
  // The outline's corners at 96 DPI: (2, B) to (W − 3, H − S − 3), both ends included.
  constexpr BYTE kOutline = 150;
  const int across = right + panel.line - panel.edge;
  Shade(cache, r.black_pixel.dc(), {panel.edge, banner, across, panel.line}, kOutline);
  Shade(cache, r.black_pixel.dc(), {panel.edge, bottom, across, panel.line}, kOutline);
  Shade(cache, r.black_pixel.dc(), {panel.edge, panel_top, panel.line, bottom - panel_top}, kOutline);
  Shade(cache, r.black_pixel.dc(), {right, panel_top, panel.line, bottom - panel_top}, kOutline);
  for (const skin::SheetPiece& piece : skin::WindowBorderPieces(width, height, dpi)) {
    LayPiece(cache, pieces, piece.source, piece.dest);
  }
  BitBlt(back, 0, 0, width, height, cache, 0, 0, SRCCOPY);

  auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
  if (!icon) icon = art.window_icon.get();
  int text_x = Scale(8, dpi);
  if (icon) {
    // The engine's own default icon lives as long as the engine: blended from its copy made once.
    const int size = Scale(16, dpi);
    const HaloTextImage* image = icon == art.window_icon.get() ? r.EngineIconImage(icon, size) : nullptr;
    if (image) {
      constexpr BLENDFUNCTION kPerPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(cache, Scale(8, dpi), Scale(6, dpi), size, size, image->surface.dc(), 0, 0, size, size, kPerPixel);
    } else {
      DrawIconEx(cache, Scale(8, dpi), Scale(6, dpi), icon, size, size, 0, nullptr, DI_NORMAL);
    }
    text_x = Scale(28, dpi);
  }
  // One WM_GETTEXT for the usual short caption; a longer one is read again at its length.
  std::wstring caption(256, L'\0');
  int length = GetWindowTextW(window, caption.data(), int(caption.size()));
  if (length >= int(caption.size()) - 1) {
    caption.assign(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    length = GetWindowTextW(window, caption.data(), int(caption.size()));
  }
  caption.resize(size_t(std::max(0, length)));
  if (!caption.empty()) {
    DrawHaloText(cache, caption, r.CaptionFont(dpi), {text_x, Scale(9, dpi), text_x, Scale(9, dpi)}, kCaptionFormat);
  }
  if (!record) return;
  skin::LayoutCaptionButtons(record->elements.items, width, record->dpi);
  for (const skin::Element& element : record->elements.items) {
    if (element.visible) DrawElement(cache, element, record->dpi);
  }
}

void SkinEngine::DrawElement(HDC dc, const skin::Element& element, Dpi dpi) {
  SkinResources& r = *resources_;
  const DpiArtwork& art = r.ArtworkAt(dpi);
  const skin::PixelRect place = ToPixelRect(element.rect);
  switch (element.kind) {
    case skin::ElementKind::kCaptionButton:
      if (const auto piece = skin::CaptionButtonPiece(element.type, element.hovered, element.pressed)) {
        LayPiece(dc, art.frame_pieces.dc(), skin::ScaleRect(*piece, dpi), place);
      }
      break;
    case skin::ElementKind::kTab:
      if (const auto piece = skin::TabBackgroundPiece(element)) {
        LayPiece(dc, art.frame_pieces.dc(), skin::ScaleRect(*piece, dpi), place);
      }
      // A tab given no icon shows the default one at the window's DPI.
      if (auto icon = element.icon ? reinterpret_cast<HICON>(element.icon) : art.tab_icon.get()) {
        const int size = Scale(32, dpi);
        const int x = place.x + (place.width - size) / 2, y = place.y + Scale(2, dpi);
        const HaloTextImage* image =
            !element.icon || r.engine_icons.count(icon) ? r.EngineIconImage(icon, size) : nullptr;
        if (image) {
          constexpr BLENDFUNCTION kPerPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
          AlphaBlend(dc, x, y, size, size, image->surface.dc(), 0, 0, size, size, kPerPixel);
        } else {
          DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
        }
      }
      if (!element.text.empty()) {
        const RECT line{place.x, place.bottom() - Scale(16, dpi), place.right(), place.bottom()};
        DrawHaloText(dc, GbkToWide(element.text), r.LabelFont(dpi), line, kTabCaptionFormat);
      }
      break;
    case skin::ElementKind::kLabel:
      if (!element.text.empty()) {
        const RECT area{place.x, place.y, place.right(), place.bottom()};
        DrawHaloText(dc, GbkToWide(element.text), r.LabelFont(dpi), area, kLabelFormat);
      }
      break;
  }
}

void SkinEngine::DrawHaloText(HDC dc, const std::wstring& text, HFONT font, RECT layout, UINT format) {
  if (text.empty() || !font) return;
  auto& drawn = resources_->halo_texts;
  const HaloTextKey key{text, font, format, layout.right - layout.left, layout.bottom - layout.top};
  auto found = drawn.find(key);
  if (found == drawn.end()) {
    auto image = MakeHaloText(text, font, layout, format);
    if (!image) return;
    if (drawn.size() >= 512) drawn.clear();
    found = drawn.emplace(key, std::move(image)).first;
  }
  const HaloTextImage& image = *found->second;
  constexpr BLENDFUNCTION kPerPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, layout.left - 1, layout.top - 1, image.width, image.height, image.surface.dc(), 0, 0, image.width,
             image.height, kPerPixel);
}

std::unique_ptr<HaloTextImage> SkinEngine::MakeHaloText(const std::wstring& text, HFONT font, RECT layout,
                                                        UINT format) {
  auto image = std::make_unique<HaloTextImage>();
  MemorySurface& mask = image->surface;
  mask.Reset(CreateCompatibleDC(ScopedGetDC(nullptr).get()));
  const ScopedSelectObject font_in_mask(mask.dc(), font);
  if (layout.right <= layout.left || layout.bottom <= layout.top) {
    RECT size{0, 0, 0, 0};
    DrawTextW(mask.dc(), text.c_str(), int(text.size()), &size, format | DT_CALCRECT);
    layout.right = layout.left + size.right;
    layout.bottom = layout.top + size.bottom;
  }
  // The text's mask, with a pixel of room on every side for the halo.
  const int width = layout.right - layout.left + 2, height = layout.bottom - layout.top + 2;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(mask.dc(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    return nullptr;
  }
  mask.ReplaceBitmap(dib);  // the mask owns it now
  SetBkMode(mask.dc(), TRANSPARENT);
  SetTextColor(mask.dc(), RGB(255, 255, 255));
  RECT inner{1, 1, width - 1, height - 1};
  DrawTextW(mask.dc(), text.c_str(), int(text.size()), &inner, format);
  GdiFlush();

  auto* pixels = static_cast<std::uint32_t*>(bits);
  std::vector<std::uint8_t> coverage(size_t(width) * size_t(height));
  for (size_t i = 0; i < coverage.size(); ++i) {
    const std::uint32_t p = pixels[i];
    coverage[i] = std::uint8_t(std::max({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF}));
  }
  const std::vector<std::uint32_t> composed = skin::ComposeHaloText(coverage, width, height);
  std::copy(composed.begin(), composed.end(), pixels);
  image->width = width;
  image->height = height;
  return image;
}

void SkinEngine::RedrawElement(HWND window, int index) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record || index < 0 || index >= int(record->elements.items.size())) return;
  const skin::Element& element = record->elements.items[size_t(index)];
  auto cache = prop::GetHandle<HDC>(window, prop::kCacheDc);
  auto back = prop::GetHandle<HDC>(window, prop::kBackDc);
  if (!element.visible || !cache) return;
  const skin::Rect& rc = element.rect;
  BitBlt(cache, rc.left, rc.top, rc.Width(), rc.Height(), back, rc.left, rc.top, SRCCOPY);
  DrawElement(cache, element, record->dpi);
  BitBlt(ScopedGetDC(window).get(), rc.left, rc.top, rc.Width(), rc.Height(), cache, rc.left, rc.top, SRCCOPY);
}

void SkinEngine::RefreshSideBorders(HWND window) {
  auto cache = prop::GetHandle<HDC>(window, prop::kCacheDc);
  if (!cache || !FindAttached(window)) return;
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  const int banner = prop::GetInt(window, prop::kBannerHeight);
  const int strip = height - banner - prop::GetInt(window, prop::kStatusHeight);
  if (strip <= 0) return;
  const int side = skin::PanelFrameAt(FindAttached(window)->dpi).inset;
  const ScopedGetDC window_dc(window, ScopedGetDC::Area::kWholeWindow);
  BitBlt(window_dc.get(), 0, banner, side, strip, cache, 0, banner, SRCCOPY);
  BitBlt(window_dc.get(), width - side, banner, side, strip, cache, width - side, banner, SRCCOPY);
}

void SkinEngine::Paint(HWND window, HDC dc, const RECT& area) {
  auto cache = prop::GetHandle<HDC>(window, prop::kCacheDc);
  if (cache) {
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, cache, area.left, area.top,
           SRCCOPY);
  } else {
    ::FillRect(dc, &area, resources_->background_brush.get());
  }
}

bool SkinEngine::CopyBackground(HWND top_level, const RECT& area, HDC dc) const {
  auto cache = prop::GetHandle<HDC>(top_level, prop::kCacheDc);
  if (!cache || !Record(top_level)) return false;
  return BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, cache, area.left, area.top, SRCCOPY) != 0;
}

void SkinEngine::RemoveFrameProperties(HWND window) {
  for (const wchar_t* name : prop::kFrameProperties) RemovePropW(window, name);
}

}  // namespace velmora::win
