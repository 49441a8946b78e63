// The banner's tabs: each shows one page window in the client panel of its attached window.
#include "skin/skin_engine_win.h"
#include "skin/nine_grid.h"
#include "skin/skin_properties_win.h"
#include "skin/tabs.h"

namespace velmora::win {

namespace {

bool IsPage(std::uintptr_t page) { return IsWindow(reinterpret_cast<HWND>(page)) != FALSE; }

}  // namespace

void SkinEngine::LayoutPage(HWND window) {
  auto page = prop::GetHandle<HWND>(window, prop::kPageWindow);
  if (!IsWindow(page)) return;
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  const int banner = prop::GetInt(window, prop::kBannerHeight);
  const int status = prop::GetInt(window, prop::kStatusHeight);
  // Over the client panel the frame draws.
  const SkinWindowRecord* record = FindAttached(window);
  const skin::PanelFrame panel = skin::PanelFrameAt(record ? record->dpi : kDesignDpi);
  MoveWindow(page, panel.inset, banner + panel.line, width - 2 * panel.inset,
             height - (banner + panel.line) - status - panel.inset, TRUE);
}

void SkinEngine::AdoptPage(HWND window, HWND page) {
  if (GetParent(page) == window) return;
  SetParent(page, window);
  LONG_PTR style = GetWindowLongPtrW(page, GWL_STYLE);
  style = ((style & ~LONG_PTR(WS_POPUP)) | WS_CHILD) & ~LONG_PTR(WS_CAPTION);
  SetWindowLongPtrW(page, GWL_STYLE, style);
}

void SkinEngine::ShowPage(HWND window, int index) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record) return;
  const auto& items = record->elements.items;
  for (size_t i = 0; i < items.size(); ++i) {
    if (int(i) != index && items[i].kind == skin::ElementKind::kTab && IsPage(items[i].page)) {
      ShowWindow(reinterpret_cast<HWND>(items[i].page), SW_HIDE);
    }
  }
  auto page = reinterpret_cast<HWND>(items[size_t(index)].page);
  prop::SetHandle(window, prop::kPageWindow, page);
  if (!IsWindow(page)) return;
  AdoptPage(window, page);
  LayoutPage(window);
  ShowWindow(page, SW_SHOW);
}

bool SkinEngine::AddTab(HWND window, const std::string& gbk_caption, std::string_view icon_bytes, HWND page,
                        SkinHandler handler) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record) return false;
  if (record->banner_height < skin::kBannerHeightWithTabs) {
    record->banner_height = skin::kBannerHeightWithTabs;
    prop::Set(window, prop::kBannerHeight, Scale(record->banner_height, record->dpi));
    BuildFrame(window, true);
    if (prop::GetInt(window, prop::kMinimize) != 1) InvalidateRect(window, nullptr, FALSE);
    LayoutPage(window);
  }
  HICON icon = nullptr;
  if (const auto handle = skin::IconHandleBytes(icon_bytes)) {
    icon = reinterpret_cast<HICON>(std::uintptr_t(*handle));
  } else {
    icon = IconFromIcoBytes(icon_bytes, Scale(32, record->dpi));
    if (icon) {
      record->owned_icons.push_back(icon);
      resources_->engine_icons.insert(icon);
    }
  }
  // No icon: the element keeps none and is drawn with the default one at the window's DPI.

  skin::Element tab = skin::MakeTab(record->next_tab_x, gbk_caption, record->dpi);
  tab.icon = reinterpret_cast<std::uintptr_t>(icon);
  const int index = AddElement(*record, std::move(tab)) - 1;
  record->next_tab_x += skin::kTabStep;
  record->tab_count += 1;
  skin::Element& added = record->elements.items[size_t(index)];
  added.page = reinterpret_cast<std::uintptr_t>(page);
  added.has_page = IsWindow(page) != FALSE;
  added.handler = std::move(handler);
  if (record->tab_count == 1) added.selected = true;
  RedrawElement(window, index);
  if (IsWindow(page)) {
    AdoptPage(window, page);
    ShowWindow(page, SW_HIDE);
    WalkChildControls(page);
  }
  return true;
}

bool SkinEngine::SelectTab(HWND window, std::string_view gbk_caption) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record) return false;
  const skin::TabSelection selection = skin::SelectTabsByCaption(record->elements.items, gbk_caption);
  for (int index : selection.redraw) RedrawElement(window, index);
  for (int index : selection.shown) ShowPage(window, index);
  return selection.matched;
}

bool SkinEngine::RemoveTab(HWND window, std::string_view gbk_caption) {
  SkinWindowRecord* record = FindAttached(window);
  if (!record) return false;
  const int found = skin::FindTab(record->elements.items, gbk_caption);
  if (found < 0) return false;
  auto& list = record->elements;
  list.items.erase(list.items.begin() + found);
  // Indices after the removed tab moved down by one.
  for (int* index : {&list.hovered, &list.pressed}) {
    if (*index == found) *index = -1;
    else if (*index > found) --*index;
  }
  if (record->status_index > found + 1) --record->status_index;

  auto cache = prop::GetHandle<HDC>(window, prop::kCacheDc);
  auto back = prop::GetHandle<HDC>(window, prop::kBackDc);
  record->next_tab_x = skin::RelayoutTabs(list.items, record->dpi);
  if (!cache) return true;
  const int band_width = prop::GetInt(window, prop::kWidth);
  const skin::TabBand band = skin::TabBandAt(record->dpi);
  BitBlt(cache, 0, band.top, band_width, band.height, back, 0, band.top, SRCCOPY);
  for (const skin::Element& e : list.items) {
    if (e.kind == skin::ElementKind::kTab && e.visible) DrawElement(cache, e, record->dpi);
  }
  BitBlt(ScopedGetDC(window).get(), 0, band.top, band_width, band.height, cache, 0, band.top, SRCCOPY);
  return true;
}

}  // namespace velmora::win
