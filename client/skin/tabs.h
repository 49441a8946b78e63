// The banner's tabs: where each one sits, re-laying the band out after a tab is removed, selecting
// tabs by caption, and reading the icon a caller hands over with a tab. Each tab is a 60 x 52
// button under the caption-button row; the band fills from the left in 62-pixel steps.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/caption_buttons.h"

namespace velmora::skin {

inline constexpr int kFirstTabX = 5;
inline constexpr int kTabTop = 27;
inline constexpr int kTabWidth = 60;
inline constexpr int kTabHeight = 52;
inline constexpr int kTabStep = 62;
// The first tab raises a lower banner to this height, so the band fits above the client panel.
inline constexpr int kBannerHeightWithTabs = 80;

// A tab element at `x` (the design's, at 96 DPI) with its caption, its place at `dpi`; selected,
// page and handler are the caller's to fill.
Element MakeTab(int x, std::string caption, Dpi dpi);

// Places every visible tab from the left again, in index order (hidden ones keep their place and
// are skipped), at `dpi`. Returns where the next tab would go, in the design's pixels.
int RelayoutTabs(std::vector<Element>& elements, Dpi dpi);

// The banner's band of tabs at `dpi`: its top and its height.
struct TabBand {
  int top, height;
};
TabBand TabBandAt(Dpi dpi);

struct TabSelection {
  bool matched = false;
  std::vector<int> redraw;  // tabs whose selected look changed
  std::vector<int> shown;   // tabs whose page is to be shown, in index order
};

// Selects every tab whose caption is exactly `caption` and, when one matched, deselects every
// other selected tab. Each matching tab's page is shown even when it was selected already.
TabSelection SelectTabsByCaption(std::vector<Element>& elements, std::string_view caption);

// The index of the first tab with exactly this caption, or −1.
int FindTab(const std::vector<Element>& elements, std::string_view caption);

// Icon bytes given with a tab: exactly four bytes are an icon handle the caller already holds
// (little-endian); anything else is an icon file.
std::optional<std::uint32_t> IconHandleBytes(std::string_view bytes);

// The first image of an icon file (its directory's first entry): offset and size inside the
// bytes. Nothing when the directory is short or the entry points outside the file.
struct IconImage {
  std::size_t offset = 0;
  std::size_t size = 0;
};
std::optional<IconImage> FirstIconImage(std::string_view bytes);

// The image of an icon file to draw at `size` pixels: the one of that size, else the smallest
// larger one (shrunk when drawn), else the largest. Entries pointing outside the file are passed
// over; nothing when no entry is whole.
std::optional<IconImage> IconImageFor(std::string_view bytes, int size);

}  // namespace velmora::skin
