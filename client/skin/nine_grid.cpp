#include "skin/nine_grid.h"

#include "skin/artwork_scale.h"

namespace velmora::skin {

bool Draws(const SheetPiece& piece) { return !piece.source.empty() && !piece.dest.empty(); }

std::array<SheetPiece, 9> NineGrid(PixelRect frame, Margins m, PixelRect dest) {
  // Column and row edges on each side. The middle band is whatever the margins leave; on a small
  // destination it goes to zero or below and the pieces in it are skipped by Draws().
  const int sx[3] = {frame.x, frame.x + m.left, frame.right() - m.right};
  const int sy[3] = {frame.y, frame.y + m.top, frame.bottom() - m.bottom};
  const int sw[3] = {m.left, frame.width - m.left - m.right, m.right};
  const int sh[3] = {m.top, frame.height - m.top - m.bottom, m.bottom};
  const int dx[3] = {dest.x, dest.x + m.left, dest.right() - m.right};
  const int dy[3] = {dest.y, dest.y + m.top, dest.bottom() - m.bottom};
  const int dw[3] = {m.left, dest.width - m.left - m.right, m.right};
  const int dh[3] = {m.top, dest.height - m.top - m.bottom, m.bottom};

  auto piece = [&](int col, int row) {
    const bool corner = col != 1 && row != 1;
    return SheetPiece{{sx[col], sy[row], sw[col], sh[row]}, {dx[col], dy[row], dw[col], dh[row]}, !corner};
  };
  return {piece(0, 0), piece(2, 0), piece(0, 2), piece(2, 2),  // corners
          piece(1, 0), piece(1, 2),                            // top, bottom
          piece(0, 1), piece(2, 1),                            // left, right
          piece(1, 1)};
}

ButtonDrawState DrawStateFromProperty(std::intptr_t value) {
  switch (value) {
    case 1:
      return ButtonDrawState::kHover;
    case 2:
      return ButtonDrawState::kPressed;
    default:
      return ButtonDrawState::kNormal;
  }
}

namespace {

// Frame index along a row: normal, hover, pressed, then disabled.
int LookIndex(ButtonDrawState state, bool enabled) { return enabled ? static_cast<int>(state) : 3; }

}  // namespace

PixelRect PushButtonFrame(ButtonDrawState state, bool enabled) {
  return {LookIndex(state, enabled) * kPushButtonFrameWidth, 0, kPushButtonFrameWidth, kPushButtonFrameHeight};
}

std::array<SheetPiece, 9> PushButtonPieces(ButtonDrawState state, bool enabled, int width, int height, Dpi dpi) {
  const int m = Scale(kPushButtonMargin, dpi);
  return NineGrid(ScaleRect(PushButtonFrame(state, enabled), dpi), {m, m, m, m}, {0, 0, width, height});
}

PixelRect ToggleFrame(ToggleKind kind, ButtonDrawState state, bool enabled, bool checked) {
  const int index = LookIndex(state, enabled) + (checked ? kToggleCheckedStep : 0);
  const int y = kind == ToggleKind::kCheckBox ? 25 : 40;
  return {index * kToggleFrameSize, y, kToggleFrameSize, kToggleFrameSize};
}

PixelRect ToggleCaptionRect(int width, int height, Dpi dpi) {
  const int caption_x = Scale(kToggleFrameSize + 1, dpi);
  return {caption_x, 0, width - caption_x, height};
}

std::array<SheetPiece, 8> WindowBorderPieces(int width, int height, Dpi dpi) {
  const PixelRect frame =
      ScaleRect({kBorderTemplateX, kBorderTemplateY, kBorderTemplateWidth, kBorderTemplateHeight}, dpi);
  const int d = Scale(kBorderThickness, dpi);  // the thickness, on the sheet and drawn
  const int left = frame.x, top = frame.y, right = frame.right() - d, bottom = frame.bottom() - d;
  const int across = width - 2 * d;
  const int down = height - 2 * d;
  return {{
      {{left, top, d, d}, {0, 0, d, d}, false},
      {{left + d, top, d, d}, {d, 0, across, d}, true},
      {{right, top, d, d}, {width - d, 0, d, d}, false},
      {{left, top + d, d, d}, {0, d, d, down}, true},
      {{right, top + d, d, d}, {width - d, d, d, down}, true},
      {{left, bottom, d, d}, {0, height - d, d, d}, false},
      {{left + d, bottom, d, d}, {d, height - d, across, d}, true},
      {{right, bottom, d, d}, {width - d, height - d, d, d}, false},
  }};
}

}  // namespace velmora::skin
