// Where the frame's pieces sit on the built-in frame sheet (205 x 260, with alpha), and which
// piece an element shows in each of its looks.
#pragma once
#include <optional>

#include "skin/caption_buttons.h"
#include "skin/pixel_rect.h"

namespace velmora::skin {

inline constexpr int kFrameSheetWidth = 205;
inline constexpr int kFrameSheetHeight = 260;

inline constexpr PixelRect kGlossRegion{0, 0, 150, 90};  // stretched over the top 90 pixels
inline constexpr int kGlossHeight = 90;
inline constexpr PixelRect kStatusStripRegion{180, 0, 20, 26};
inline constexpr PixelRect kSizeGripRegion{180, 26, 12, 12};

// A caption button's piece: its type's column, the row of its look (pressed wins over hover).
// Nothing for a type without a column.
std::optional<PixelRect> CaptionButtonPiece(ButtonType type, bool hovered, bool pressed);

// The background behind a tab: pressed or selected, else hovered, else none. Same size as the tab.
std::optional<PixelRect> TabBackgroundPiece(const Element& tab);

}  // namespace velmora::skin
