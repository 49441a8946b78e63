#include "skin/artwork_scale.h"

#include <cstdlib>

#include "skin/caption_buttons.h"
#include "skin/frame_sheet.h"
#include "skin/nine_grid.h"

namespace velmora::skin {

int SheetPercentFor(Dpi dpi) {
  int best = kSheetPercents.front();
  for (const int percent : kSheetPercents) {
    // Later sheets are larger: a tie goes to them.
    if (std::abs(dpi.value - SheetDpi(percent).value) <= std::abs(dpi.value - SheetDpi(best).value)) best = percent;
  }
  return best;
}

namespace {

constexpr std::array<int, 7> kButtonColumns = {0, 27, 54, 81, 108, 135, 162};
constexpr std::array<int, 3> kButtonRows = {145, 165, 185};

constexpr auto MakeFramePieces() {
  std::array<PixelRect, 6 + kButtonColumns.size() * kButtonRows.size()> pieces{};
  size_t n = 0;
  pieces[n++] = kGlossRegion;
  pieces[n++] = kStatusStripRegion;
  pieces[n++] = kSizeGripRegion;
  pieces[n++] = {kBorderTemplateX, kBorderTemplateY, kBorderTemplateWidth, kBorderTemplateHeight};
  pieces[n++] = kTabHoverRegion;
  pieces[n++] = kTabPressedRegion;
  for (const int row : kButtonRows) {
    for (const int column : kButtonColumns) {
      pieces[n++] = {column, row, column == 162 ? kCloseWidth : kButtonWidth, kCaptionButtonHeight};
    }
  }
  return pieces;
}

constexpr auto kFramePieces = MakeFramePieces();

constexpr auto MakePushButtons() {
  std::array<PixelRect, 4> frames{};
  for (int i = 0; i < 4; ++i) frames[size_t(i)] = {i * kPushButtonFrameWidth, 0, kPushButtonFrameWidth, kPushButtonFrameHeight};
  return frames;
}
constexpr auto kPushButtons = MakePushButtons();

constexpr auto MakeToggles() {
  std::array<PixelRect, 16> frames{};
  for (int i = 0; i < 8; ++i) {
    frames[size_t(i)] = {i * kToggleFrameSize, 25, kToggleFrameSize, kToggleFrameSize};
    frames[size_t(i) + 8] = {i * kToggleFrameSize, 40, kToggleFrameSize, kToggleFrameSize};
  }
  return frames;
}
constexpr auto kToggles = MakeToggles();

}  // namespace

std::span<const PixelRect> FrameSheetPieces() { return kFramePieces; }
std::span<const PixelRect> ControlSheetPushButtons() { return kPushButtons; }
std::span<const PixelRect> ControlSheetToggles() { return kToggles; }

}  // namespace velmora::skin
