#include "skin/frame_sheet.h"

namespace velmora::skin {

std::optional<PixelRect> CaptionButtonPiece(ButtonType type, bool hovered, bool pressed) {
  int column = 0;
  switch (type) {
    case ButtonType::kHelp: column = 0; break;
    case ButtonType::kBlank: column = 27; break;
    case ButtonType::kMainMenu: column = 54; break;
    case ButtonType::kMinimise: column = 81; break;
    case ButtonType::kMaximise: column = 108; break;
    case ButtonType::kRestore: column = 135; break;
    case ButtonType::kClose: column = 162; break;
    default: return std::nullopt;
  }
  const int row = pressed ? 185 : hovered ? 165 : 145;
  const int width = type == ButtonType::kClose ? kCloseWidth : kButtonWidth;
  return PixelRect{column, row, width, kCaptionButtonHeight};
}

std::optional<PixelRect> TabBackgroundPiece(const Element& tab) {
  if (tab.pressed || tab.selected) return kTabPressedRegion;
  if (tab.hovered) return kTabHoverRegion;
  return std::nullopt;
}

}  // namespace velmora::skin
