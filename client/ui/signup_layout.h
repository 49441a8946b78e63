// The sign-up window's fixed design: 447 x 290 pixels, and where each control sits.
#pragma once
#include <array>
#include <string_view>

#include "ui/login_layout.h"

namespace velmora::ui {

enum SignUpControl : int {
  kSignUpAccountLabel = 1101,
  kSignUpAccountBox,
  kSignUpPasswordLabel,
  kSignUpPasswordBox,
  kSignUpRepeatLabel,
  kSignUpRepeatBox,
  kSignUpPhoneLabel,
  kSignUpPhoneBox,
  kSignUpQqLabel,
  kSignUpQqBox,
  kSignUpNoteLabel,
  kSignUpButton,
  kSignUpCancelButton,
  kSignUpTermsBox,
};

inline constexpr Box kSignUpWindowSize{0, 0, 447, 290};

// Creation order is tab order: the five boxes top to bottom, then the buttons.
inline constexpr std::array<ControlDesign, 14> kSignUpControls = {{
    {kSignUpAccountLabel, ControlKind::kLabel, "用 户 名：", {11, 37, 67, 15}},
    {kSignUpAccountBox, ControlKind::kEdit, "", {93, 32, 128, 25}},
    {kSignUpPasswordLabel, ControlKind::kLabel, "密    码：", {11, 73, 67, 15}},
    {kSignUpPasswordBox, ControlKind::kEdit, "", {93, 68, 128, 25}},
    {kSignUpRepeatLabel, ControlKind::kLabel, "重复密码：", {11, 109, 67, 15}},
    {kSignUpRepeatBox, ControlKind::kEdit, "", {93, 104, 128, 25}},
    {kSignUpPhoneLabel, ControlKind::kLabel, "联系电话：", {11, 146, 67, 15}},
    {kSignUpPhoneBox, ControlKind::kEdit, "", {93, 141, 128, 25}},
    {kSignUpQqLabel, ControlKind::kLabel, "联系 Q Q：", {11, 185, 67, 15}},
    {kSignUpQqBox, ControlKind::kEdit, "", {93, 180, 128, 25}},
    {kSignUpNoteLabel, ControlKind::kLabel, "*请填写真实资料，否则不予通过", {23, 216, 200, 24}},
    {kSignUpButton, ControlKind::kButton, "注册", {10, 250, 88, 29}},
    {kSignUpCancelButton, ControlKind::kButton, "取消", {133, 250, 88, 29}},
    {kSignUpTermsBox, ControlKind::kTermsBox, "", {230, 32, 204, 248}},
}};

}  // namespace velmora::ui
