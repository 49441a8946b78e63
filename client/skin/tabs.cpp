#include "skin/tabs.h"

namespace velmora::skin {

namespace {

std::uint32_t ReadLittle(std::string_view bytes, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + size_t(i)]);
  return value;
}

Rect TabPlace(int x, Dpi dpi) {
  return {Scale(x, dpi), Scale(kTabTop, dpi), Scale(x + kTabWidth, dpi), Scale(kTabTop + kTabHeight, dpi)};
}

}  // namespace

Element MakeTab(int x, std::string caption, Dpi dpi) {
  Element tab;
  tab.kind = ElementKind::kTab;
  tab.rect = TabPlace(x, dpi);
  tab.text = std::move(caption);
  return tab;
}

int RelayoutTabs(std::vector<Element>& elements, Dpi dpi) {
  int x = kFirstTabX;
  for (Element& e : elements) {
    if (e.kind != ElementKind::kTab || !e.visible) continue;
    e.rect = TabPlace(x, dpi);
    x += kTabStep;
  }
  return x;
}

TabBand TabBandAt(Dpi dpi) {
  const int top = Scale(kTabTop, dpi);
  return {top, Scale(kTabTop + kTabHeight, dpi) - top};
}

TabSelection SelectTabsByCaption(std::vector<Element>& elements, std::string_view caption) {
  TabSelection result;
  for (size_t i = 0; i < elements.size(); ++i) {
    Element& e = elements[i];
    if (e.kind != ElementKind::kTab || e.text != caption) continue;
    result.matched = true;
    if (!e.selected) {
      e.selected = true;
      result.redraw.push_back(int(i));
    }
    result.shown.push_back(int(i));
  }
  if (!result.matched) return result;
  for (size_t i = 0; i < elements.size(); ++i) {
    Element& e = elements[i];
    if (e.kind != ElementKind::kTab || !e.selected || e.text == caption) continue;
    e.selected = false;
    result.redraw.push_back(int(i));
  }
  return result;
}

int FindTab(const std::vector<Element>& elements, std::string_view caption) {
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].kind == ElementKind::kTab && elements[i].text == caption) return int(i);
  }
  return -1;
}

std::optional<std::uint32_t> IconHandleBytes(std::string_view bytes) {
  if (bytes.size() != 4) return std::nullopt;
  return ReadLittle(bytes, 0, 4);
}

std::optional<IconImage> FirstIconImage(std::string_view bytes) {
  // ICONDIR: reserved, type (1 = icon), count; then 16-byte entries whose last two fields are
  // the image's size and offset.
  constexpr std::size_t kHeader = 6, kEntry = 16;
  if (bytes.size() < kHeader + kEntry) return std::nullopt;
  if (ReadLittle(bytes, 2, 2) != 1 || ReadLittle(bytes, 4, 2) == 0) return std::nullopt;
  const std::size_t size = ReadLittle(bytes, kHeader + 8, 4);
  const std::size_t offset = ReadLittle(bytes, kHeader + 12, 4);
  if (size == 0 || offset > bytes.size() || size > bytes.size() - offset) return std::nullopt;
  return IconImage{offset, size};
}

std::optional<IconImage> IconImageFor(std::string_view bytes, int size) {
  constexpr std::size_t kHeader = 6, kEntry = 16;
  if (bytes.size() < kHeader || ReadLittle(bytes, 2, 2) != 1) return std::nullopt;
  const std::size_t count = ReadLittle(bytes, 4, 2);
  std::optional<IconImage> best;
  int best_width = 0;
  // Better: the exact size; then any larger one over any smaller; among larger ones the smallest,
  // among smaller ones the largest.
  const auto better = [size](int width, int than) {
    if (than == size) return false;
    if (width == size) return true;
    if ((width > size) != (than > size)) return width > size;
    return width > size ? width < than : width > than;
  };
  for (std::size_t i = 0; i < count && kHeader + (i + 1) * kEntry <= bytes.size(); ++i) {
    const std::size_t entry = kHeader + i * kEntry;
    const int width = static_cast<unsigned char>(bytes[entry]) == 0 ? 256 : static_cast<unsigned char>(bytes[entry]);
    const std::size_t image_size = ReadLittle(bytes, entry + 8, 4);
    const std::size_t offset = ReadLittle(bytes, entry + 12, 4);
    if (image_size == 0 || offset > bytes.size() || image_size > bytes.size() - offset) continue;
    if (!best || better(width, best_width)) {
      best = IconImage{offset, image_size};
      best_width = width;
    }
  }
  return best;
}

}  // namespace velmora::skin
