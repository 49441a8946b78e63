#include "skin/skin_engine_win.h"

#include <algorithm>

#include "runtime/dpi_win.h"
#include "skin/skin_colour.h"
#include "skin/skin_properties_win.h"
#include "skin/tabs.h"

namespace velmora::win {

namespace {

SkinEngine* g_engine = nullptr;

constexpr int kDefaultBanner = 80;
constexpr int kMinimumBanner = 26;
constexpr int kDefaultStatus = 26;
constexpr int kDefaultMinWidth = 150;
constexpr int kDefaultMinHeight = 100;

// Whether the system menu still offers Maximize: a window can take the box out of its menu.
bool MenuAllowsMaximise(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (!menu) return true;
  const UINT state = GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  return state == UINT(-1) || !(state & (MF_GRAYED | MF_DISABLED));
}

}  // namespace

SkinEngine::SkinEngine() : resources_(std::make_unique<SkinResources>()) { g_engine = this; }

SkinEngine::~SkinEngine() {
  // Windows still attached at exit hand their messages on unchanged from now on.
  for (const auto& record : records_) {
    if (!IsWindow(record->window)) continue;
    if (auto previous = prop::Get(record->window, prop::kWndProc)) {
      SetWindowLongPtrW(record->window, GWLP_WNDPROC, previous);
    }
    RemoveFrameProperties(record->window);
  }
  if (g_engine == this) g_engine = nullptr;
}

SkinEngine* SkinEngine::Instance() { return g_engine; }

bool SkinEngine::Subclass(HWND window, WNDPROC procedure) {
  if (GetPropW(window, prop::kWndProc)) return false;
  // The wide call keeps the window Unicode, so no text message passes through the ANSI code page
  // on its way to the window's own procedure.
  const LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  prop::Set(window, prop::kWndProc, previous);
  return true;
}

LRESULT SkinEngine::PassOn(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto previous = prop::GetHandle<WNDPROC>(window, prop::kWndProc);
  if (!previous) return DefWindowProcW(window, message, wparam, lparam);
  return CallWindowProcW(previous, window, message, wparam, lparam);
}

SkinWindowRecord* SkinEngine::Find(HWND window) {
  for (auto& record : records_) {
    if (record->window == window) return record.get();
  }
  return nullptr;
}

SkinWindowRecord* SkinEngine::FindAttached(HWND window) {
  if (!window) return nullptr;
  const int index = prop::GetInt(window, prop::kIndex);
  if (index < 1 || index > int(records_.size())) return nullptr;
  SkinWindowRecord* record = records_[size_t(index - 1)].get();
  return record->window == window ? record : nullptr;
}

const SkinWindowRecord* SkinEngine::Record(HWND window) const {
  return const_cast<SkinEngine*>(this)->FindAttached(window);
}

bool SkinEngine::AttachWindow(HWND window, const AttachOptions& options) {
  if (!IsWindow(window)) return false;
  Subclass(window, FrameWindowProc);

  bool height_changed = false;
  // The heights and sizes given are the design's, at 96 DPI; the window gets them at its own.
  SkinWindowRecord* attached = Find(window);
  const Dpi dpi = attached ? attached->dpi : WindowDpi(window);
  const int banner_design = std::max(options.banner_height.value_or(kDefaultBanner), kMinimumBanner);
  const int status_design = std::max(options.status_height.value_or(kDefaultStatus), 0);
  if (attached) {
    attached->banner_height = banner_design;
    attached->status_height = status_design;
  }
  const int banner = Scale(banner_design, dpi);
  const int status = Scale(status_design, dpi);
  for (const auto& [name, value] : {std::pair{prop::kBannerHeight, banner}, std::pair{prop::kStatusHeight, status}}) {
    if (prop::GetInt(window, name) != value) {
      prop::Set(window, name, value);
      height_changed = true;
    }
  }

  LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const bool minimise = options.minimise.value_or((style & WS_MINIMIZEBOX) != 0);
  const bool maximise = options.maximise.value_or((style & WS_MAXIMIZEBOX) != 0 && MenuAllowsMaximise(window));

  if (!attached) {
    style = (style & ~LONG_PTR(WS_CAPTION)) | WS_SYSMENU | WS_MINIMIZEBOX;
    if (maximise) style |= WS_MAXIMIZEBOX;
    style &= ~LONG_PTR(WS_THICKFRAME);  // the engine's own hit test does the sizing
    SetWindowLongPtrW(window, GWL_STYLE, style);

    auto record = std::make_unique<SkinWindowRecord>();
    record->window = window;
    record->dpi = dpi;
    record->banner_height = banner_design;
    record->status_height = status_design;
    record->min_width = options.min_width.value_or(kDefaultMinWidth);
    record->min_height = options.min_height.value_or(kDefaultMinHeight);
    skin::CaptionChoice choice;
    choice.minimise = minimise;
    choice.maximise = maximise;
    choice.main_menu = options.main_menu;
    choice.help = options.help;
    choice.status_height = status;
    for (skin::Element& element : skin::MakeFrameElements(choice, dpi)) {
      const bool is_status = element.kind == skin::ElementKind::kLabel;
      const int index = AddElement(*record, std::move(element));
      if (is_status) record->status_index = index;
    }
    if (maximise) prop::Set(window, prop::kMaximizeBox, 1);
    prop::Set(window, prop::kSizeBox, options.sizable ? 1 : 0);
    record->sizable = options.sizable;
    prop::Set(window, prop::kMinWidth, Scale(record->min_width, dpi));
    prop::Set(window, prop::kMinHeight, Scale(record->min_height, dpi));
    records_.push_back(std::move(record));
    prop::Set(window, prop::kIndex, LONG_PTR(records_.size()));
    ShowMaximised(window, IsZoomed(window) != FALSE);
    if (skin_children_) WalkChildControls(window);
    // The client area becomes the whole window now, not at the next size change.
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  BuildFrame(window, height_changed);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return true;
}

int SkinEngine::AddElement(SkinWindowRecord& record, skin::Element element) {
  element.hovered = element.pressed = element.selected = false;
  element.visible = true;  // the maximise/restore pair is sorted out after attaching
  record.elements.items.push_back(std::move(element));
  return int(record.elements.items.size());
}

void SkinEngine::RepaintAll() {
  for (size_t i = 0; i < records_.size(); ++i) {
    HWND window = records_[i]->window;
    BuildFrame(window, true);
    // Children too: transparent labels and skinned buttons show the new colours at once.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void SkinEngine::RebuildFrame(HWND window) {
  BuildFrame(window, true);  // nothing for a window not attached
}

bool SkinEngine::SetStatusText(HWND window, const std::string& gbk_text) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record || record->status_index == 0) return false;
  record->elements.items[size_t(record->status_index - 1)].text = gbk_text;
  RedrawElement(window, record->status_index - 1);
  return true;
}

void SkinEngine::SetHelpClickHandler(HWND window, SkinHandler handler) {
  auto& slot = handlers_[{window, prop::kHelpClick}];
  slot = handler ? std::make_unique<SkinHandler>(std::move(handler)) : nullptr;
  prop::SetHandle(window, prop::kHelpClick, slot.get());
}

void SkinEngine::SetMainMenuClickHandler(HWND window, SkinHandler handler) {
  auto& slot = handlers_[{window, prop::kMainMenuClick}];
  slot = handler ? std::make_unique<SkinHandler>(std::move(handler)) : nullptr;
  prop::SetHandle(window, prop::kMainMenuClick, slot.get());
}

void SkinEngine::CallHandler(HWND window, const wchar_t* property) {
  auto* handler = prop::GetHandle<SkinHandler*>(window, property);
  if (!handler) return;
  // A copy: the handler may replace itself, or close the window, while it runs.
  const SkinHandler run = *handler;
  if (run) run();
}

bool SkinEngine::EnableSizing(HWND window, std::optional<int> min_width, std::optional<int> min_height) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record) return false;
  prop::Set(window, prop::kSizeBox, 1);
  record->sizable = true;
  record->min_width = min_width.value_or(kDefaultMinWidth);
  record->min_height = min_height.value_or(kDefaultMinHeight);
  prop::Set(window, prop::kMinWidth, Scale(record->min_width, record->dpi));
  prop::Set(window, prop::kMinHeight, Scale(record->min_height, record->dpi));
  SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_THICKFRAME);
  BuildFrame(window, true);
  return true;
}

void SkinEngine::ApplyDpi(HWND window, Dpi dpi) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record || dpi.value <= 0 || record->dpi == dpi) return;
  record->dpi = dpi;
  prop::Set(window, prop::kBannerHeight, Scale(record->banner_height, dpi));
  prop::Set(window, prop::kStatusHeight, Scale(record->status_height, dpi));
  prop::Set(window, prop::kMinWidth, Scale(record->min_width, dpi));
  prop::Set(window, prop::kMinHeight, Scale(record->min_height, dpi));
  // The caption buttons and the status label are placed at every frame build; the tabs here.
  record->next_tab_x = skin::RelayoutTabs(record->elements.items, dpi);
}

void SkinEngine::SetBackColor(COLORREF colour) {
  const auto changed = skin::ChangedBackColour(colour, resources_->background, GetSysColor(COLOR_BTNFACE));
  if (!changed) return;
  resources_->SetBackground(*changed);
  RepaintAll();
}

COLORREF SkinEngine::GetBackColor() const { return resources_->background; }

void SkinEngine::SetSkinColor(COLORREF colour) {
  resources_->picture.Release();
  resources_->picture_width = resources_->picture_height = 0;
  resources_->SetSkinBrush(colour);
  RepaintAll();
}

bool SkinEngine::LoadSkinPicture(const std::wstring& path) {
  GpImageOwner image;
  if (path.empty() || gp::GdipLoadImageFromFile(path.c_str(), image.Out()) != Gdiplus::Ok || !image) return false;
  resources_->picture.Replace(std::move(image), GlobalMemory());
  ApplySkinPicture();
  return true;
}

bool SkinEngine::LoadSkinPictureBytes(std::string_view bytes) {
  GlobalMemory block;
  GpImageOwner image = ImageFromBytes(bytes, block);
  if (!image) return false;
  resources_->picture.Replace(std::move(image), std::move(block));
  ApplySkinPicture();
  return true;
}

void SkinEngine::ApplySkinPicture() {
  SkinResources& r = *resources_;
  r.picture_width = r.picture.width();
  r.picture_height = r.picture.height();
  r.gradient_colour = r.picture.image() ? AverageColor(r.picture.image()) : r.skin_colour;
  r.SetSkinBrush(r.gradient_colour);
  RepaintAll();
}

COLORREF SkinEngine::AverageColor(Gdiplus::GpImage* image) {
  // Every pixel counts. Scaling the picture into one pixel would be shorter, but scalers that
  // sample instead of filtering (Wine's among them) then give one pixel's colour.
  Gdiplus::GpImageType type = Gdiplus::ImageTypeUnknown;
  gp::GdipGetImageType(image, &type);
  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(image, &width);
  gp::GdipGetImageHeight(image, &height);
  if (type == Gdiplus::ImageTypeBitmap && width > 0 && height > 0) {
    auto* bitmap = reinterpret_cast<Gdiplus::GpBitmap*>(image);
    const Gdiplus::Rect whole(0, 0, INT(width), INT(height));
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap, &whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) ==
        Gdiplus::Ok) {
      const COLORREF colour = skin::AverageColour(static_cast<const skin::Argb*>(data.Scan0), INT(width),
                                                  INT(height), data.Stride / 4);
      gp::GdipBitmapUnlockBits(bitmap, &data);
      return colour;
    }
  }
  MemorySurface pixel;
  {
    const ScopedGetDC screen(nullptr);
    pixel.Reset(CreateCompatibleDC(screen.get()), CreateCompatibleBitmap(screen.get(), 1, 1));
  }
  {
    GpGraphicsOwner graphics = GraphicsOn(pixel.dc());
    if (graphics) gp::GdipDrawImageRect(graphics.get(), image, 0.0f, 0.0f, 1.0f, 1.0f);
  }
  const COLORREF colour = GetPixel(pixel.dc(), 0, 0);
  return colour == CLR_INVALID ? resources_->skin_colour : colour;
}

void SkinEngine::Release(HWND window) {
  // The window keeps its own procedure from here on.
  if (auto previous = prop::Get(window, prop::kWndProc)) SetWindowLongPtrW(window, GWLP_WNDPROC, previous);
  for (auto it = records_.begin(); it != records_.end(); ++it) {
    if ((*it)->window == window) {
      for (HICON icon : (*it)->owned_icons) resources_->ForgetIcon(icon);  // destroyed with the record
      records_.erase(it);
      break;
    }
  }
  for (size_t i = 0; i < records_.size(); ++i) prop::Set(records_[i]->window, prop::kIndex, LONG_PTR(i + 1));
}

}  // namespace velmora::win
