// Which buttons the skin draws itself, decided from the button's style alone.
#pragma once
#include <cstdint>

namespace velmora::skin {

enum class ButtonKind : int {
  kNotSkinned = 0,  // group boxes, owner-drawn buttons and the rest keep their own look
  kPushButton = 5,
  kCheckBox = 6,
  kRadioButton = 7,
};

inline constexpr std::uint32_t kPushLike = 0x1000;

// From the style's low five bits: push buttons, and check boxes and radio buttons that look like
// push buttons, are push buttons to the skin.
constexpr ButtonKind ClassifyButton(std::uint32_t style) {
  const bool push_like = (style & kPushLike) != 0;
  switch (style & 0x1F) {
    case 0:
    case 1: return ButtonKind::kPushButton;
    case 2:
    case 3:
    case 5:
    case 6: return push_like ? ButtonKind::kPushButton : ButtonKind::kCheckBox;
    case 4:
    case 9: return push_like ? ButtonKind::kPushButton : ButtonKind::kRadioButton;
    default: return ButtonKind::kNotSkinned;
  }
}

}  // namespace velmora::skin
