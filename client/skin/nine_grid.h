// Nine-grid drawing of framed pieces from a sheet, and where the frames sit on the sheets.
//
// A push button is drawn from a 40 x 23 frame of the control sheet: the 5-pixel corners are copied
// as they are, the edges stretched along their length and the centre both ways, so any button
// size keeps crisp rounded corners. The same split draws the window border from the frame sheet.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/dpi_scale.h"
#include "skin/pixel_rect.h"

namespace velmora::skin {

struct Margins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// One blit: a piece of the sheet and where it lands. Corners are copied unscaled (a plain copy);
// the rest are stretched.
struct SheetPiece {
  PixelRect source;
  PixelRect dest;
  bool stretched = false;

  bool operator==(const SheetPiece&) const = default;
};

// A piece is drawn only when both rectangles cover something: on a destination smaller than the
// margins the edges and the centre come out with zero or negative sizes and are skipped, while the
// four corners still land (overlapping) in the destination's corners.
bool Draws(const SheetPiece& piece);

// The nine pieces of `frame` split by `margins`, laid over `dest`, in drawing order: top-left,
// top-right, bottom-left and bottom-right corners, then the top and bottom edges, the left and
// right edges, and the centre. Later pieces win where small destinations make them overlap.
std::array<SheetPiece, 9> NineGrid(PixelRect frame, Margins margins, PixelRect dest);

// --- The control sheet: 160 x 55, 24 bits, magenta around the frames. ---

inline constexpr int kControlSheetWidth = 160;
inline constexpr int kControlSheetHeight = 55;
// Pure magenta (0x00BBGGRR): the transparent colour of the check and radio frames.
inline constexpr std::uint32_t kControlSheetTransparent = 0x00FF00FF;

inline constexpr int kPushButtonFrameWidth = 40;
inline constexpr int kPushButtonFrameHeight = 23;
inline constexpr int kPushButtonMargin = 5;
inline constexpr int kToggleFrameSize = 15;
// Check-box and radio frames: four unchecked looks, then the same four checked.
inline constexpr int kToggleCheckedStep = 4;

// The button's kept draw state (its Nimbus_DrawState property).
enum class ButtonDrawState { kNormal = 0, kHover = 1, kPressed = 2 };

// The property value as a state. The engine only ever stores 0, 1 or 2; anything else is treated
// as normal so that the frame never leaves the sheet.
ButtonDrawState DrawStateFromProperty(std::intptr_t value);

// The push-button frame for a state. A disabled button shows the fourth frame whatever its state.
PixelRect PushButtonFrame(ButtonDrawState state, bool enabled);

// The pieces that draw a push button of `width` x `height` into a surface at (0, 0), from the
// control sheet at `dpi` (its frames and 5-pixel margins scaled by their edges).
std::array<SheetPiece, 9> PushButtonPieces(ButtonDrawState state, bool enabled, int width, int height, Dpi dpi);

enum class ToggleKind { kCheckBox, kRadio };

// The 15 x 15 frame of a plain check box or radio button (check boxes on the row at y 25, radio
// buttons at y 40), checked frames four steps to the right of their unchecked look.
PixelRect ToggleFrame(ToggleKind kind, ButtonDrawState state, bool enabled, bool checked);

// Where a plain check box's or radio button's caption goes: right of the 15-pixel frame and one
// pixel of air (both the design's, scaled to `dpi`), to the control's right edge, the full height
// (text vertically centred there).
PixelRect ToggleCaptionRect(int width, int height, Dpi dpi);

// --- The frame sheet's border template: (0, 90), 60 x 52, drawn as 5 x 5 pieces. ---

inline constexpr int kBorderTemplateX = 0;
inline constexpr int kBorderTemplateY = 90;
inline constexpr int kBorderTemplateWidth = 60;
inline constexpr int kBorderTemplateHeight = 52;
inline constexpr int kBorderThickness = 5;

// The eight border pieces of a window of `width` x `height`, in drawing order: top-left corner,
// top edge, top-right corner, left edge, right edge, bottom-left corner, bottom edge, bottom-right
// corner. Each edge stretches a single 5 x 5 piece next to its corner; the template's centre is
// never drawn (the client panel is there). At `dpi` the pieces come from the frame sheet at that
// DPI (the template scaled by its edges) and the border is 5 design pixels thick, scaled: the
// corners are copied as they are, only the edges stretched.
std::array<SheetPiece, 8> WindowBorderPieces(int width, int height, Dpi dpi);

// The frame around the client panel at a DPI: the panel's outline (`line` thick, `edge` in from
// the window's left and right sides) and the panel itself, `inset` in from the sides and the
// bottom band, starting `line` below the banner. At 96: 2, 1 and 3.
struct PanelFrame {
  int edge, line, inset;
};
constexpr PanelFrame PanelFrameAt(Dpi dpi) {
  const int edge = Scale(2, dpi), line = Scale(1, dpi);
  return {edge, line, edge + line};
}

}  // namespace velmora::skin
