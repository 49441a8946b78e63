// Which of the built-in sheets a window draws from, and where their pieces sit at a DPI.
//
// The sheets come drawn at 100 %, 150 % and 200 % (client/skin/artwork/make_artwork.py); each
// piece of a sheet sits at its 100 % rectangle scaled by its edges with the sheet's DPI (96, 144,
// 192), the rounding of Scale. A window draws from the sheet nearest its DPI, and the engine
// brings that sheet's pieces to the window's exact DPI once (the same rectangles at the window's
// DPI): at 96, 144 and 192 a plain copy, elsewhere each piece resampled on its own. Every piece's
// corner is then copied 1:1 and only the flat middles are stretched.
//
// The rule: the sheet whose DPI is nearest; half-way between two (120, 168) the larger one, as
// shrinking a drawing loses less of its lines than enlarging one blurs them. Below 100 % the
// 100 % sheet, above 200 % the 200 % one (enlarged: no larger sheet is built in).
#pragma once
#include <array>
#include <span>

#include "runtime/dpi_scale.h"
#include "skin/pixel_rect.h"

namespace velmora::skin {

inline constexpr std::array<int, 3> kSheetPercents = {100, 150, 200};

// The scale, in percent, of the sheet a window at `dpi` draws from.
int SheetPercentFor(Dpi dpi);

// The DPI a sheet of `percent` is drawn for: 96 at 100 %.
constexpr Dpi SheetDpi(int percent) { return Dpi{kDesignDpi.value * percent / 100}; }

// A rectangle of the design (at 96 DPI) at `dpi`, by its edges: pieces that touch on the 100 %
// sheet touch at every scale.
constexpr PixelRect ScaleRect(PixelRect r, Dpi dpi) {
  const int left = Scale(r.x, dpi), top = Scale(r.y, dpi);
  return {left, top, Scale(r.x + r.width, dpi) - left, Scale(r.y + r.height, dpi) - top};
}

// Every piece of the frame sheet and of the control sheet, at 100 %: what is brought to a DPI
// that has no sheet of its own, piece by piece (a piece resampled beside its neighbours would take
// in their edges).
std::span<const PixelRect> FrameSheetPieces();
std::span<const PixelRect> ControlSheetPushButtons();
std::span<const PixelRect> ControlSheetToggles();

}  // namespace velmora::skin
