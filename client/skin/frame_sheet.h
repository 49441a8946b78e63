// Where the frame's pieces sit on the built-in frame sheet (205 x 260 at 100 %, with alpha), and
// which piece an element shows in each of its looks. The rectangles are the 100 % sheet's; on the
// larger sheets and at other DPIs they are scaled by skin/artwork_scale.h's ScaleRect.
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

inline constexpr PixelRect kTabHoverRegion{60, 90, 60, 52};
inline constexpr PixelRect kTabPressedRegion{120, 90, 60, 52};

// A caption button's piece: its type's column, the row of its look (pressed wins over hover).
// Nothing for a type without a column.
std::optional<PixelRect> CaptionButtonPiece(ButtonType type, bool hovered, bool pressed);

// The background behind a tab: pressed or selected, else hovered, else none. The design's 60 x 52
// piece, laid over the whole tab.
std::optional<PixelRect> TabBackgroundPiece(const Element& tab);

}  // namespace velmora::skin
